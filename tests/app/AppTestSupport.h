#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "AppDelegate.h"
#include "DialogRunner.h"
#include "ScriptedDesktop.h"
#include "TestSupport.h"

class QDialog;
class QMessageBox;

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

    // Clicks the alert's button with this title (and records what it showed).
    void clickButton(const std::string& title);
    // Presses Return: the default button acts.
    void pressReturn();
    // Answers with a function of the dialog.
    void answer(std::function<int(QDialog&)> answer) { answers.push_back(std::move(answer)); }
    // The next file chooser returns this path ("" for cancel).
    void chooseFile(const std::string& path) { files.push_back(path); }

    std::deque<std::function<int(QDialog&)>> answers;
    std::deque<std::string> files;
    std::vector<ShownDialog> shown;
    std::vector<std::string> fileTitles;
    std::vector<std::string> proposedNames;
    bool modalSeenWhileOpen = false;
    std::function<void()> whileOpen;
};

ShownDialog describe(QDialog& dialog);

// A started controller on a data directory of its own.
class AppFixture {
  public:
    AppFixture();
    explicit AppFixture(const std::function<void(const std::filesystem::path&)>& prepare);
    ~AppFixture();

    std::filesystem::path dataDirectory() const { return dir.path() / "data"; }
    SavedState stored() const;
    std::string statusText() const;
    std::string statusTip() const;
    bool statusVisible() const;

    TempDir dir;
    ManualScheduler clock;
    ScriptedDesktop desktop{clock};
    ScriptedDialogs dialogs;
    std::unique_ptr<AppDelegate> app;
    int terminations = 0;
};

}  // namespace zuna::test
