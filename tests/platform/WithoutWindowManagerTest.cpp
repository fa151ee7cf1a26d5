#include <gtest/gtest.h>

#include "DesktopTestSupport.h"
#include "core/paste/PasteEngine.h"
#include "platform/QtScheduler.h"
#include "platform/x11/X11Desktop.h"

namespace zuna {
namespace {

using namespace std::chrono_literals;
using test::xdotool;

// Runs in a session without a window manager: there is no _NET_ACTIVE_WINDOW, the keyboard
// focus follows the pointer, and the target is the window under it.
TEST(WithoutWindowManager, TheWindowUnderThePointerIsTheTargetAndGetsTheText) {
    platform::X11Desktop desktop;
    platform::QtScheduler scheduler;
    PasteEngine engine(desktop, scheduler);
    std::optional<std::pair<std::string, bool>> report;
    engine.onStatus = [&](const std::string& message, bool isError) {
        report.emplace(message, isError);
    };

    ASSERT_TRUE(xdotool({"mousemove", "1270", "790"}));
    EXPECT_FALSE(desktop.frontmostApplication());
    test::TargetApp entry("zenity", {"--entry", "--title=Brez upravljalnika"});
    const auto found = test::run("xdotool", {"search", "--sync", "--onlyvisible", "--pid",
                                             QString::number(entry.processId())});
    ASSERT_TRUE(found);
    const QString window = QString::fromStdString(*found).section('\n', 0, 0);
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "40", "40"}));
    ASSERT_TRUE(entry.waitUntilReady(desktop));

    engine.paste("Šumniki brez upravljalnika oken", "Gumb");
    ASSERT_TRUE(test::waitUntil([&] { return report.has_value(); }, 5s));
    EXPECT_EQ(*report, std::make_pair(std::string("✓ Poslano v Brez upravljalnika · Gumb"), false));
    test::spin(100ms);
    ASSERT_TRUE(xdotool({"key", "Return"}));
    EXPECT_EQ(entry.finish(), "Šumniki brez upravljalnika oken\n");
}

}  // namespace
}  // namespace zuna
