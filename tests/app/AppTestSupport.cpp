#include "AppTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>

#include "model/JsonData.h"
#include "ui/Drawing.h"
#include "ui/PaletteView.h"

namespace zuna::test {
namespace {

ShownDialog describe(QDialog& dialog) {
    ShownDialog shown;
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        shown.title = box->text().toStdString();
        shown.text = box->informativeText().toStdString();
    } else if (const auto labels = dialog.findChildren<QLabel*>(); !labels.isEmpty()) {
        shown.title = labels.front()->text().toStdString();
        if (labels.size() > 1) shown.text = labels[1]->text().toStdString();
    }
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        shown.buttons.push_back(b->text().toStdString());
        if (b->isDefault()) shown.defaultButton = b->text().toStdString();
    }
    return shown;
}

}  // namespace

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

QString ScriptedDialogs::saveFileName(QWidget*, const QString&, const QString& proposedName) {
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
        for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
            if (title.empty() ? b->isDefault() : b->text().toStdString() == title) {
                b->click();
                return dialog.result();
            }
        }
        ADD_FAILURE() << "no button " << (title.empty() ? "by default" : title);
        return int(QDialog::Rejected);
    });
}

std::function<void(const std::filesystem::path&)> startingWith(const SavedState& state) {
    return [state](const std::filesystem::path& data) {
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", jsonData(state));
    };
}

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
    return SavedState::fromJson(stateBytes());
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

void AppFixture::breakSaving(bool broken) {
    // The backup cannot be written over a directory, so the save stops before the state file.
    const auto backup = dataDirectory() / "state.previous.json";
    std::filesystem::remove_all(backup);
    if (broken) std::filesystem::create_directory(backup);
}

}  // namespace zuna::test
