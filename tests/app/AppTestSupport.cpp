#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "model/JsonData.h"
#include "ui/Drawing.h"
#include "ui/PaletteView.h"

namespace zuna::test {

ShownDialog describe(QDialog& dialog) {
    ShownDialog shown;
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        shown.title = box->text().toStdString();
        shown.text = box->informativeText().toStdString();
        for (QAbstractButton* b : box->buttons())
            shown.buttons.push_back(b->text().toStdString());
        if (box->defaultButton() != nullptr)
            shown.defaultButton = box->defaultButton()->text().toStdString();
        return shown;
    }
    const auto labels = dialog.findChildren<QLabel*>();
    if (!labels.isEmpty()) shown.title = labels.front()->text().toStdString();
    if (labels.size() > 1) shown.text = labels[1]->text().toStdString();
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        shown.buttons.push_back(b->text().toStdString());
        if (b->isDefault()) shown.defaultButton = b->text().toStdString();
    }
    return shown;
}

int ScriptedDialogs::exec(QDialog& dialog) {
    shown.push_back(describe(dialog));
    if (whileOpen) whileOpen();
    if (answers.empty()) {
        ADD_FAILURE() << "a dialog nobody answers: " << shown.back().title;
        return QDialog::Rejected;
    }
    auto answer = std::move(answers.front());
    answers.pop_front();
    return answer(dialog);
}

QString ScriptedDialogs::saveFileName(QWidget*, const QString& title, const QString& proposedName) {
    fileTitles.push_back(title.toStdString());
    proposedNames.push_back(proposedName.toStdString());
    if (whileOpen) whileOpen();
    if (files.empty()) return {};
    const std::string path = files.front();
    files.pop_front();
    return QString::fromStdString(path);
}

QString ScriptedDialogs::openFileName(QWidget*, const QString& title) {
    return saveFileName(nullptr, title, {});
}

void ScriptedDialogs::clickButton(const std::string& title) {
    answer([title](QDialog& dialog) {
        for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
            if (b->text().toStdString() == title) {
                b->click();
                return dialog.result();
            }
        }
        ADD_FAILURE() << "no button " << title;
        return int(QDialog::Rejected);
    });
}

void ScriptedDialogs::pressReturn() {
    answer([](QDialog& dialog) {
        for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
            if (b->isDefault()) {
                b->click();
                return dialog.result();
            }
        }
        ADD_FAILURE() << "no default button";
        return int(QDialog::Rejected);
    });
}

AppFixture::AppFixture() : AppFixture([](const std::filesystem::path&) {}) {}

AppFixture::AppFixture(const std::function<void(const std::filesystem::path&)>& prepare) {
    // Start at login writes beside the user's other autostart entries: here, the fixture's own.
    setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
    prepare(dataDirectory());
    app = std::make_unique<AppDelegate>(dataDirectory(),
                                        AppDelegate::Services{desktop, clock, dialogs});
    app->terminate = [this] { ++terminations; };
    app->applicationDidFinishLaunching();
}

AppFixture::~AppFixture() {
    app.reset();
    unsetenv("XDG_CONFIG_HOME");
}

SavedState AppFixture::stored() const {
    return SavedState::fromJson(readFile(dataDirectory() / "state.json"));
}

std::string AppFixture::statusText() const {
    return app->view()->status()->text().toStdString();
}
std::string AppFixture::statusTip() const {
    return app->view()->status()->toolTip().toStdString();
}
bool AppFixture::statusVisible() const {
    return app->view()->statusVisible();
}

}  // namespace zuna::test
