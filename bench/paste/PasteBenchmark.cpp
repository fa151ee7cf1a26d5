// From PasteEngine::paste to the key events posted, delivering into a real GTK entry (zenity).
// Inside scripts/headless-session: the X11 desktop (XTest). Inside scripts/wayland-session: the
// Wayland desktop, with sway's virtual keyboard, KWin's fake input or, on mutter, the desktop
// portal (whose dialog the benchmark answers first, as a user would). Prints the median and the
// 95th percentile. On X11 also the lookup of Konsole's terminal, which sits below a chain of
// focused Qt containers.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "DesktopTestSupport.h"
#include "TestSupport.h"
#include "WaylandTestSupport.h"
#include "core/paste/PasteEngine.h"
#include "platform/QtScheduler.h"
#include "platform/atspi/FocusLookup.h"
#include "platform/wayland/FakeInputKeys.h"
#include "platform/wayland/RemoteDesktopPortal.h"
#include "platform/wayland/VirtualKeyboardKeys.h"
#include "platform/wayland/WaylandDesktop.h"
#include "platform/x11/X11Desktop.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A real desktop, with the moment the key events went out written down.
template <typename Desktop>
class Timed : public Desktop {
  public:
    using Desktop::Desktop;
    zuna::KeyPostResult postPasteKeys(const zuna::DesktopApplication& target,
                                      const std::function<bool()>& fieldUnchanged) override {
        const auto result = Desktop::postPasteKeys(target, fieldUnchanged);
        posted = Clock::now();
        return result;
    }
    Clock::time_point posted;
};

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index =
        static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

}  // namespace

// Delivers `deliveries` snippets into a zenity entry and prints the figures under `path`.
template <typename Desktop>
int measure(Desktop& desktop, const std::string& path, const QStringList& entryCommand,
            const std::function<bool()>& pressReturn, int deliveries) {
    zuna::platform::QtScheduler scheduler;
    zuna::PasteEngine engine(desktop, scheduler);
    std::string lastMessage;
    bool lastError = false;
    int reports = 0;
    engine.onStatus = [&](const std::string& message, bool isError) {
        lastMessage = message;
        lastError = isError;
        ++reports;
    };
    engine.onPermissionNeeded = [&] {
        lastMessage = engine.permissionStatus();
        lastError = true;
        ++reports;
    };

    zuna::test::TargetApp entry("env", entryCommand);
    if (!entry.waitUntilReady(desktop)) {
        std::fprintf(stderr, "zenity's entry did not get the focus\n");
        return 1;
    }
    zuna::test::spin(300ms);
    // One delivery first, so that the connections and caches are warm as in daily use.
    std::vector<double> milliseconds;
    std::string expected;
    for (int i = -1; i < deliveries; ++i) {
        const std::string piece = "č" + std::to_string(i + 1) + " ";
        const int before = reports;
        const auto start = Clock::now();
        engine.paste(piece, "Merjenje");
        if (!zuna::test::waitUntil([&] { return reports > before; }, 5s) || lastError) {
            std::fprintf(stderr, "delivery %d failed: %s\n", i + 1, lastMessage.c_str());
            return 1;
        }
        if (i >= 0) {
            milliseconds.push_back(
                std::chrono::duration<double, std::milli>(desktop.posted - start).count());
        }
        expected += piece;
        // Let the entry ask for the clipboard before it changes again.
        zuna::test::spin(60ms);
    }
    zuna::test::spin(300ms);
    pressReturn();
    const auto printed = entry.finish();
    const bool intact = printed && *printed == expected + "\n";
    if (!intact)
        std::fprintf(stderr, "expected: %s\nreceived: %s\n", expected.c_str(),
                     printed ? printed->c_str() : "(nothing)");

    std::printf("paste -> key events sent, %s, %zu deliveries into a GTK entry (zenity):\n",
                path.c_str(), milliseconds.size());
    std::printf("  median %.2f ms, 95th percentile %.2f ms, max %.2f ms\n",
                percentile(milliseconds, 0.5), percentile(milliseconds, 0.95),
                *std::max_element(milliseconds.begin(), milliseconds.end()));
    std::printf("  text received intact: %s\n", intact ? "yes" : "NO");
    return intact ? 0 : 1;
}

// Finds Konsole's focused terminal, afresh (the whole walk, as at the first click into it) and
// with what the last lookup learnt (as at every later click).
int measureKonsole(zuna::platform::X11Desktop& desktop, int lookups) {
    zuna::test::TempDir home;
    const QString config = "XDG_CONFIG_HOME=" + QString::fromStdString(home.path().string());
    zuna::test::TargetApp konsole("env", {config, "konsole", "--separate", "--nofork"});
    if (!konsole.waitUntilReady(desktop, 60s)) {
        std::fprintf(stderr, "Konsole did not get the focus\n");
        return 1;
    }
    zuna::test::spin(500ms);
    const int processId = konsole.processId();
    std::vector<double> fresh, warm;
    zuna::platform::FocusLookup kept;
    bool terminal = true;
    for (int i = 0; i < lookups; ++i) {
        for (auto* figures : {&fresh, &warm}) {
            zuna::platform::FocusLookup once;
            auto& lookup = figures == &fresh ? once : kept;
            const auto start = Clock::now();
            const auto found = lookup.focusedField(processId, lookup.kQueryBudget);
            figures->push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            terminal = terminal && found.field.role == zuna::FieldRole::terminal;
        }
    }
    std::printf(
        "focused field of Konsole (Qt 5, the terminal below focused containers), %d lookups:\n",
        lookups);
    std::printf(
        "  afresh: median %.2f ms, max %.2f ms; with the last element kept: median %.2f ms, max %.2f ms\n",
        percentile(fresh, 0.5), *std::max_element(fresh.begin(), fresh.end()),
        percentile(warm, 0.5), *std::max_element(warm.begin(), warm.end()));
    std::printf("  budget %lld ms; the terminal found every time: %s\n",
                static_cast<long long>(zuna::platform::FocusLookup::kQueryBudget.count()),
                terminal ? "yes" : "NO");
    return terminal ? 0 : 1;
}

int main(int argc, char** argv) {
    setenv("ZUNA_LANGUAGE", "sl", 1);
    setenv("ZUNA_LOCALIZATION_FILE", "/nonexistent/Translations.json", 1);
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr,
                     "Run this inside scripts/headless-session or scripts/wayland-session.\n");
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QApplication application(argc, argv);
    const int deliveries = argc > 1 ? std::max(50, std::atoi(argv[1])) : 60;
    const QStringList zenity{"zenity", "--entry", "--title=Merjenje", "--text=Besedilo"};

    if (std::getenv("WAYLAND_DISPLAY") == nullptr) {
        Timed<zuna::platform::X11Desktop> desktop;
        const int pasted = measure(
            desktop, "X11 (XTest)", zenity,
            [] {
                return zuna::test::xdotool({"key", "--clearmodifiers", "Return"});
            },
            deliveries);
        return measureKonsole(desktop, 20) != 0 ? 1 : pasted;
    }
    zuna::test::TempDir data;
    Timed<zuna::platform::WaylandDesktop> desktop(data.path());
    const QStringList entry = zuna::test::onWayland(zenity.front(), zenity.mid(1));
    const bool sway =
        dynamic_cast<zuna::platform::VirtualKeyboardKeys*>(desktop.keySender()) != nullptr;
    if (sway || dynamic_cast<zuna::platform::FakeInputKeys*>(desktop.keySender()) != nullptr) {
        return measure(
            desktop, sway ? "Wayland, virtual keyboard (sway)" : "Wayland, KWin's fake input (KDE)",
            entry,
            [] {
                return zuna::test::input({"tap", "Return"});
            },
            deliveries);
    }
    // mutter: a keyboard for the seat before the entry maps, then the grant, once.
    zuna::test::MutterInput keyboard;
    desktop.requestKeyEvents();
    if (!zuna::test::agreeInPortalDialog() ||
        !zuna::test::waitUntil([&] { return desktop.keyEventsGranted(); })) {
        std::fprintf(stderr, "the portal did not grant the keyboard\n");
        return 1;
    }
    return measure(
        desktop, "Wayland, RemoteDesktop portal (mutter)", entry,
        [&] { return keyboard.tap(zuna::test::returnKeysym); }, deliveries);
}
