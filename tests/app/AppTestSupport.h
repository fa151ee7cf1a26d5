#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ScriptedDesktop.h"
#include "TestSupport.h"
#include "app/AppDelegate.h"
#include "app/DialogRunner.h"
#include "core/model/JsonData.h"
#include "ui/Drawing.h"
#include "ui/PaletteView.h"

namespace zuna::test {

// Answers the program's dialogs in order and writes down each one's title and text.
class ScriptedDialogs : public DialogRunner {
  public:
    int exec(QDialog& dialog) override {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            shown.push_back(box->text().toStdString() + ": " +
                            box->informativeText().toStdString());
        else
            shown.push_back(dialog.findChild<QLabel*>()->text().toStdString());
        if (whileOpen) whileOpen();
        if (answers.empty()) {
            ADD_FAILURE() << "a dialog nobody answers: " << shown.back();
            return QDialog::Rejected;
        }
        auto answer = std::move(answers.front());
        answers.pop_front();
        return answer(dialog);
    }
    QString saveFileName(QWidget*, const QString&, const QString& proposedName) override {
        proposedNames.push_back(proposedName.toStdString());
        if (whileOpen) whileOpen();
        if (files.empty()) return {};
        const std::string path = files.front();
        files.pop_front();
        return QString::fromStdString(path);
    }
    QString openFileName(QWidget*, const QString& title) override {
        return saveFileName(nullptr, title, {});
    }

    // The next dialog is answered by clicking the button with this title.
    void clickButton(const std::string& title) {
        answers.push_back([title](QDialog& dialog) {
            for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
                if (b->text().toStdString() != title) continue;
                b->click();
                return dialog.result();
            }
            ADD_FAILURE() << "no button " << title;
            return int(QDialog::Rejected);
        });
    }
    // The next file chooser returns this path ("" for cancel).
    void chooseFile(const std::string& path) { files.push_back(path); }

    std::deque<std::function<int(QDialog&)>> answers;
    std::deque<std::string> files;
    std::vector<std::string> shown;
    std::vector<std::string> proposedNames;
    std::function<void()> whileOpen;
};

// The scripted desktop with what the controller asks of the desktop beside the paste.
struct ScriptedAppDesktop : ScriptedDesktop, DesktopShell {
    using ScriptedDesktop::ScriptedDesktop;
    bool activate(const DesktopApplication& application) override {
        activated.push_back(application.processId);
        return true;
    }
    ShortcutResult setGlobalShortcut(const std::string& keys,
                                     std::function<void()> pressed) override {
        shortcuts.push_back(keys);
        shortcutPressed = std::move(pressed);
        return ShortcutResult::active;
    }
    void showOnAllWorkspaces(std::uint64_t) override { ++allWorkspaces; }
    std::string permissionPromptText(const std::string& status) override { return status; }
    std::string helpText() override { return "Pomoč"; }

    std::vector<int> activated;
    std::vector<std::string> shortcuts;
    std::function<void()> shortcutPressed;
    int allWorkspaces = 0;
};

// Writes this state as the data directory's saved state, before the controller starts.
inline std::function<void(const std::filesystem::path&)> startingWith(const SavedState& state) {
    return [state](const std::filesystem::path& data) {
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", jsonData(state));
    };
}

// A started controller on a data directory of its own.
class AppFixture {
  public:
    explicit AppFixture(const std::function<void(const std::filesystem::path&)>& prepare =
                            [](const auto&) {}) {
        // Start at login writes beside the user's other autostart entries: here, our own.
        setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
        prepare(dataDirectory());
        app = std::make_unique<AppDelegate>(
            dataDirectory(), AppDelegate::Services{desktop, desktop, clock, dialogs});
        app->terminate = [this] { ++terminations; };
        app->applicationDidFinishLaunching();
    }
    ~AppFixture() {
        app.reset();
        unsetenv("XDG_CONFIG_HOME");
    }

    std::filesystem::path dataDirectory() const { return dir.path() / "data"; }
    std::string stateBytes() const { return readFile(dataDirectory() / "state.json"); }
    SavedState stored() const { return SavedState::fromJson(stateBytes()); }
    std::string statusText() const { return app->view()->status()->text().toStdString(); }
    std::string statusTip() const { return app->view()->status()->toolTip().toStdString(); }
    bool statusVisible() const { return app->view()->statusVisible(); }
    // Saves fail while the backup's name is taken by a directory.
    void breakSaving(bool broken = true) {
        const auto backup = dataDirectory() / "state.previous.json";
        std::filesystem::remove_all(backup);
        if (broken) std::filesystem::create_directory(backup);
    }

    TempDir dir;
    ManualScheduler clock;
    ScriptedAppDesktop desktop{clock};
    ScriptedDialogs dialogs;
    std::unique_ptr<AppDelegate> app;
    int terminations = 0;
};

}  // namespace zuna::test
