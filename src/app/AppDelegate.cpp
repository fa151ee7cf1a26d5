#include "app/AppDelegate.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QWindow>

#include "app/DataFolderWatch.h"
#include "app/DialogRunner.h"
#include "app/ScreenGeometry.h"
#include "core/appearance/Theme.h"
#include "core/localization/Localization.h"
#include "ui/ChromeButton.h"
#include "ui/Drawing.h"
#include "ui/PalettePanel.h"
#include "ui/PaletteView.h"
#include "ui/PinButton.h"

namespace zuna {

namespace {

constexpr std::chrono::milliseconds kFrameSaveDelay{400};

// The tray shows the program as its two letters on the accent colour.
QIcon trayIconImage() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const Color accent = Theme::accent();
    painter.setBrush(toQColor(accent));
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 14, 14);
    painter.setPen(toQColor(accent.readableInk()));
    painter.setFont(appFont(30, FontWeight::bold));
    painter.drawText(QRectF(0, 0, 64, 64), Qt::AlignCenter, QStringLiteral("ZT"));
    return QIcon(pixmap);
}

}  // namespace

AppDelegate::AppDelegate(std::filesystem::path dataDirectory, Services services)
    : dataDirectory_(std::move(dataDirectory)),
      desktop_(services.desktop),
      shell_(services.shell),
      scheduler_(services.scheduler),
      dialogs_(services.dialogs),
      engine_(services.desktop, services.scheduler) {
    terminate = [] { QCoreApplication::quit(); };
}

AppDelegate::~AppDelegate() {
    if (panel_) delete panel_.data();
}

const SavedState& AppDelegate::state() const {
    return store_->state();
}

void AppDelegate::later(std::chrono::milliseconds delay, std::function<void(AppDelegate&)> work) {
    QPointer<AppDelegate> self(this);
    scheduler_.schedule(delay, [self, work = std::move(work)] {
        if (self) work(*self);
    });
}

void AppDelegate::applicationDidFinishLaunching() {
    store_ = std::make_unique<StateStore>(dataDirectory_);
    applyTheme();
    buildMenus();
    createPanel();
    watchScreens();
    restoreFrame();
    applyPin();
    view_->render(state().buttons());
    fitPanel();

    QPointer<AppDelegate> self(this);
    engine_.onStatus = [self](const std::string& message, bool error) {
        if (self) self->status(message, error);
    };
    engine_.onPermissionNeeded = [self] {
        if (self) self->showPermission();
    };
    applyPasteOptions();
    view_->setPermissionVisible(!engine_.permitted());
    view_->permission()->setToolTip(qt(engine_.permissionStatus()));

    showPanel();
    ready_ = true;
    schedulePermissionTick();
    if (!state().globalShortcut.empty()) applyShortcut(false);

    if (const auto& notice = store_->recoveryNotice()) {
        const std::string text = *notice;
        later(std::chrono::milliseconds(0),
              [text](AppDelegate& app) { app.alert(L("Obnovitev podatkov"), text); });
    } else if (!store_->savedAsIs()) {
        try {
            store_->save(state());
        } catch (const std::exception& error) {
            status(L("Shranjevanje ni uspelo: {0}", error.what()), true);
        }
    }
    // Conflict copies a sync tool left while the program was not running, then every change; the
    // watch is a child of the controller and ends with it.
    new DataFolderWatch(
        store_->directory(), [this] { takeOutsideChanges(); }, this);
    takeOutsideChanges();
}

void AppDelegate::takeOutsideChanges() {
    if (!store_) return;
    if (modalOpen_) {
        outsidePending_ = true;
        return;
    }
    outsidePending_ = false;
    // A command's save may have met the change first: then only its notice is left here.
    const bool changed = store_->takeOutsideChanges();
    const auto notice = store_->takeNotice();
    if (changed || notice) applyOutsideState();
    if (notice) status(notice->message, notice->error);
}

void AppDelegate::applyOutsideState() {
    if (state().theme != Theme::current()) applyTheme();
    applyPin();
    applyPasteOptions();
    if (state().globalShortcut != grabbedShortcut_) applyShortcut(false);
    refresh();
}

void AppDelegate::applyPasteOptions() {
    engine_.pasteUnchecked = state().pasteUncheckedFields;
    engine_.applicationRules = state().applicationRules;
}

void AppDelegate::applyTheme() {
    Theme::setCurrent(state().theme);
    // Menus, tooltips and dialogs take the theme's colours: dark themes get dark dialogs.
    QApplication::setPalette(themePalette());
    QToolTip::setPalette(themePalette());
    if (tray_ != nullptr) tray_->setIcon(trayIconImage());
}

void AppDelegate::buildMenus() {
    // The tray icon is optional: a desktop without a tray simply has none.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
    tray_ = new QSystemTrayIcon(trayIconImage(), this);
    tray_->setToolTip(QStringLiteral("Zuna Trep"));
    trayMenu_ = std::make_unique<QMenu>();
    trayMenu_->addAction(qt(L("Pokaži Zuna Trep")), this, [this] { showPanel(); });
    trayMenu_->addAction(qt(L("Končaj")), this, [this] { quit(); });
    tray_->setContextMenu(trayMenu_.get());
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) showPanel();
            });
    tray_->show();
}

void AppDelegate::createPanel() {
    panel_ = new PalettePanel();
    panel_->setWindowTitle(QStringLiteral("Zuna Trep"));
    panel_->setMinimumSize(static_cast<int>(Theme::kWindowWidth), 150);
    view_ = new PaletteView(*this);
    panel_->setContentView(view_);
    view_->setOnGeometryChange([self = QPointer<AppDelegate>(this)] {
        if (self) self->fitPanel();
    });
    panel_->installEventFilter(this);
}

void AppDelegate::watchScreens() {
    const auto fit = [self = QPointer<AppDelegate>(this)] {
        if (self) self->fitPanel();
    };
    const auto watch = [this, fit](QScreen* screen) {
        connect(screen, &QScreen::availableGeometryChanged, this, fit);
        connect(screen, &QScreen::geometryChanged, this, fit);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watch, fit](QScreen* screen) {
        watch(screen);
        fit();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, fit);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, fit);
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_) {
        switch (event->type()) {
            case QEvent::Move:
            case QEvent::Resize:
                scheduleFrameSave();
                break;
            case QEvent::ScreenChangeInternal:
                fitPanel();
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::showPanel() {
    if (!panel_) return;
    // On every workspace: the palette is a tool for whatever window the user is in.
    shell_.showOnAllWorkspaces(panel_->winId());
    panel_->showWithoutActivating();
}

void AppDelegate::toggleFromShortcut() {
    if (!panel_) return;
    if (panel_->isVisible()) {
        hidePanel();
    } else {
        showPanel();
    }
}

void AppDelegate::hidePanel() {
    if (panel_) panel_->hide();
}

void AppDelegate::quit() {
    if (modalOpen_) return;
    if (terminate) terminate();
}

void AppDelegate::applicationWillTerminate() {
    ++frameWork_;
    saveFrame();
}

void AppDelegate::restoreFrame() {
    const auto visible = screen::visibleFrame(QGuiApplication::primaryScreen());
    const auto frame = geometry::restoredFrame(visible, Theme::kWindowWidth, state().macWindow);
    panel_->setGeometry(screen::fromYUp(frame));
}

void AppDelegate::fitPanel() {
    if (!panel_ || view_ == nullptr) return;
    const auto visible = screen::visibleFrame(screen::screenOf(panel_));
    const auto current = screen::toYUp(QRectF(panel_->geometry()));
    const auto fitted =
        geometry::fittedFrame(visible, current, view_->desiredHeight(), Theme::kWindowWidth);
    const QRect target = screen::fromYUp(fitted);
    if (target != panel_->geometry()) panel_->setGeometry(target);
    view_->layoutContent();
}

void AppDelegate::applyPin() {
    const bool above = state().alwaysOnTop;
    if (panel_) panel_->setKeepAbove(above);
    if (view_ != nullptr) view_->pin()->setOn(above);
}

void AppDelegate::scheduleFrameSave() {
    if (!ready_) return;
    const unsigned generation = ++frameWork_;
    later(kFrameSaveDelay, [generation](AppDelegate& app) {
        if (app.frameWork_ == generation) app.saveFrame();
    });
}

void AppDelegate::saveFrame() {
    if (!ready_ || !store_ || !store_->writable() || !panel_) return;
    const auto rect = screen::toYUp(QRectF(panel_->geometry()));
    const WindowFrame frame{rect.x, rect.y, rect.width, rect.height};
    if (frame.width < 150) return;
    if (state().macWindow == frame) return;
    SavedState changed = state();
    changed.macWindow = frame;
    try {
        store_->save(changed);
    } catch (const std::exception& error) {
        status(L("Položaj ni shranjen: {0}", error.what()), true);
    }
}

bool AppDelegate::saveOrAlert(const SavedState& changed, const std::string& failureTitle) {
    try {
        store_->save(changed);
        return true;
    } catch (const std::exception& error) {
        alert(failureTitle, error.what());
        return false;
    }
}

void AppDelegate::togglePin() {
    SavedState changed = state();
    changed.alwaysOnTop = !changed.alwaysOnTop;
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    applyPin();
    status(state().alwaysOnTop ? L("Vedno na vrhu · vključeno") : L("Vedno na vrhu · izključeno"),
           false);
}

void AppDelegate::selectTheme(AppTheme theme) {
    if (modalOpen_ || theme == state().theme) return;
    SavedState changed = state();
    changed.theme = theme;
    if (!saveOrAlert(changed, L("Shranjevanje ni uspelo"))) return;
    applyTheme();
    view_->render(state().buttons());
    fitPanel();
    status(L("Tema: {0}", Theme::name(theme)), false);
}

void AppDelegate::refresh() {
    if (view_ == nullptr) return;
    view_->render(state().buttons());
    fitPanel();
}

void AppDelegate::paste(const std::string& text, const std::string& name) {
    if (modalOpen_) return;
    engine_.paste(text, name);
}

}  // namespace zuna
