// The controller's ways of telling the user something: the status line, the permission prompt
// and its poll, alerts, and the rule every modal window runs under.
#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>

#include "app/AppDelegate.h"
#include "app/DialogRunner.h"
#include "app/ScreenGeometry.h"
#include "core/localization/Localization.h"
#include "ui/ChromeButton.h"
#include "ui/Drawing.h"
#include "ui/PalettePanel.h"
#include "ui/PaletteView.h"

namespace zuna {

namespace {

constexpr std::chrono::milliseconds kStatusReset{4000};
constexpr std::chrono::milliseconds kPermissionPoll{2000};

}  // namespace

void AppDelegate::status(const std::string& message, bool error) {
    if (view_ == nullptr) return;
    ++statusWork_;
    const QString text = qt(message);
    view_->status()->setText(text);
    view_->setStatusVisible(error);
    view_->options()->setToolTip(qt(L("Nastavitve, uvoz in izvoz")) + QLatin1Char('\n') + text);
    view_->status()->setTextColor(error ? systemRed() : toQColor(Theme::muted()));
    view_->status()->setToolTip(text);
    if (error) return;
    const unsigned generation = statusWork_;
    later(kStatusReset, [generation](AppDelegate& app) {
        if (app.statusWork_ == generation) app.resetStatus();
    });
}

void AppDelegate::resetStatus() {
    view_->setStatusVisible(false);
    view_->status()->setText(qt(L("Pripravljeno")));
    view_->status()->setToolTip(
        qt(L("Klikni za lepljenje · Desni klik za urejanje · Povleci za premik")));
}

void AppDelegate::schedulePermissionTick() {
    later(kPermissionPoll, [](AppDelegate& app) {
        app.permissionTick();
        app.schedulePermissionTick();
    });
}

void AppDelegate::permissionTick() {
    if (view_ == nullptr) return;
    const bool permitted = engine_.permitted();
    view_->permission()->setToolTip(qt(engine_.permissionStatus()));
    if (view_->permissionVisible() == !permitted) return;
    view_->setPermissionVisible(!permitted);
    if (permitted) {
        status(L("Lepljenje je omogočeno."), false);
    } else {
        status(L("Omogoči dovoljenje za lepljenje."), true);
    }
}

void AppDelegate::showPermission() {
    const std::string title =
        engine_.permitted() ? L("Lepljenje je omogočeno") : L("Dovoli samodejno lepljenje");
    const std::string text = shell_.permissionPromptText(engine_.permissionStatus());
    // There is no settings page to open here: asking switches accessibility on.
    if (ask({title, text, {L("Odpri nastavitve"), L("Zapri")}, 0, 1}) == 0)
        engine_.requestPermission();
}

void AppDelegate::alert(const std::string& title, const std::string& text) {
    ask({title, text, {L("V redu")}, 0, 0});
}

int AppDelegate::ask(const Question& question) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Zuna Trep"));
    // Names and texts of the user's data are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(qt(question.title));
    box.setInformativeText(qt(question.text));
    if (auto* headline = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        QFont font = headline->font();
        font.setBold(true);
        headline->setFont(font);
    }
    std::vector<QPushButton*> buttons;
    for (const auto& title : question.buttons) {
        buttons.push_back(box.addButton(qt(title), QMessageBox::ActionRole));
    }
    if (question.defaultButton >= 0) box.setDefaultButton(buttons.at(question.defaultButton));
    if (question.escapeButton >= 0) box.setEscapeButton(buttons.at(question.escapeButton));
    modal(box);
    // Closed without a button (Ctrl+Q): -1, which every caller takes as "cancel".
    const auto clicked = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return clicked == buttons.end() ? -1 : static_cast<int>(clicked - buttons.begin());
}

int AppDelegate::modal(QDialog& dialog) {
    modalOpen_ = true;
    const auto remembered = desktop_.frontmostApplication();
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    dialog.setPalette(themePalette());
    dialog.adjustSize();
    position(dialog);
    // The program's windows that take the keyboard are its modal ones, so Ctrl+Q lives here: it
    // closes the window as Escape does (nothing saved, nothing confirmed) and quits after it.
    auto* quitKeys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), &dialog);
    connect(quitKeys, &QShortcut::activated, &dialog, [this, &dialog] {
        quitAfterModal_ = true;
        dialog.reject();
    });
    const int result = dialogs_.exec(dialog);
    delete quitKeys;
    modalOpen_ = false;
    // Back to where the user was typing, then the palette in front again.
    if (remembered && remembered->processId != desktop_.ownProcessId())
        shell_.activate(*remembered);
    if (quitAfterModal_) {
        quitAfterModal_ = false;
        later(std::chrono::milliseconds(0), [](AppDelegate& app) { app.quit(); });
        return QDialog::Rejected;
    }
    showPanel();
    // After the command that opened the window has saved what it was for.
    if (outsidePending_) later(std::chrono::milliseconds(0), &AppDelegate::takeOutsideChanges);
    return result;
}

void AppDelegate::position(QWidget& window) {
    if (!panel_) return;
    const auto visible = screen::visibleFrame(screen::screenOf(panel_));
    const auto palette = screen::toYUp(QRectF(panel_->geometry()));
    const QSize size = window.size();
    const auto origin = geometry::besidePalette(visible, palette, size.width(), size.height());
    window.move(screen::fromYUp({origin.x, origin.y, double(size.width()), double(size.height())})
                    .topLeft());
}

}  // namespace zuna
