#pragma once

#include <QProcess>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/x11/X11Desktop.h"

namespace zuna::test {

using namespace std::chrono_literals;

// Runs Qt's event loop until the condition holds or the time is up; the condition's last answer.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s);

// Spins the event loop for a while, so that the clipboard is served and events arrive.
void spin(std::chrono::milliseconds duration);

// What a program printed, or nothing when it failed.
std::optional<std::string> run(const QString& program, const QStringList& arguments);
inline bool xdotool(const QStringList& arguments) {
    return run("xdotool", arguments).has_value();
}

// A real application started for a test: a program from the system that this project did not
// write, whose window gets the keyboard focus. Ends the program when it goes out of scope.
class TargetApp {
  public:
    // `environment` adds "NAME=value" entries to this process's environment.
    TargetApp(const QString& program, const QStringList& arguments,
              const QStringList& environment = {});
    ~TargetApp();
    TargetApp(const TargetApp&) = delete;
    TargetApp& operator=(const TargetApp&) = delete;

    int processId() const;
    // Waits until the program's window is the active one and its focused field can be checked
    // (through the accessibility bus, or by the window of a known terminal); false when that does
    // not happen in time.
    bool waitUntilReady(DesktopAccess& desktop, std::chrono::milliseconds timeout = 15s);
    // Only the first half of that, for programs without an accessibility tree.
    bool waitUntilActive(DesktopAccess& desktop, std::chrono::milliseconds timeout = 15s);
    // What the program printed so far.
    std::string output();
    const DesktopApplication& application() const;

    // Waits for the program to end and returns what it printed on standard output.
    std::optional<std::string> finish(std::chrono::milliseconds timeout = 10s);

  private:
    std::unique_ptr<QProcess> process_;
    DesktopApplication application_;
    std::string printed_;
};

// The keyboard group in force, as the X server has it.
int keyboardGroup();
// The name of the keysym a key gives at the first level of a group ("v", "Cyrillic_em").
std::string keysymName(unsigned keycode, unsigned group);

// Clipboard helpers through Qt.
std::string clipboardText();
void setClipboardText(const std::string& text);

}  // namespace zuna::test
