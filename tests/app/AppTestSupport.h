#pragma once

#include <QString>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AppDelegate.h"
#include "DialogRunner.h"
#include "ScriptedDesktop.h"
#include "TestSupport.h"
#include "model/SavedState.h"

class QDialog;

namespace zuna::test {

// What a dialog showed, for the tests to read after it was answered.
struct ShownDialog {
    std::string title;
    std::string text;
    std::vector<std::string> buttons;
    std::string defaultButton;
};

// Answers the program's dialogs in order: each answer gets the dialog and returns its result.
class ScriptedDialogs : public DialogRunner {
  public:
    int exec(QDialog& dialog) override;
    QString saveFileName(QWidget*, const QString& title, const QString& proposedName) override;
    QString openFileName(QWidget*, const QString& title) override;

    // Clicks the button with this title; "" presses Return, so the default button acts.
    void clickButton(const std::string& title);
    void answer(std::function<int(QDialog&)> answer) { answers.push_back(std::move(answer)); }
    // The next file chooser returns this path ("" for cancel).
    void chooseFile(const std::string& path) { files.push_back(path); }

    std::deque<std::function<int(QDialog&)>> answers;
    std::deque<std::string> files;
    std::vector<ShownDialog> shown;
    std::vector<std::string> proposedNames;
    std::function<void()> whileOpen;
};

// Writes this state as the data directory's saved state, before the controller starts.
std::function<void(const std::filesystem::path&)> startingWith(const SavedState& state);

// A started controller on a data directory of its own.
class AppFixture {
  public:
    explicit AppFixture(
        const std::function<void(const std::filesystem::path&)>& prepare = [](const auto&) {});
    ~AppFixture();

    std::filesystem::path dataDirectory() const { return dir.path() / "data"; }
    std::string stateBytes() const { return readFile(dataDirectory() / "state.json"); }
    SavedState stored() const;
    std::string statusText() const;
    std::string statusTip() const;
    bool statusVisible() const;
    // Every save fails from now on, until `breakSaving(false)`.
    void breakSaving(bool broken = true);

    TempDir dir;
    ManualScheduler clock;
    ScriptedDesktop desktop{clock};
    ScriptedDialogs dialogs;
    std::unique_ptr<AppDelegate> app;
    int terminations = 0;
};

}  // namespace zuna::test
