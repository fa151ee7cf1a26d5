#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <QShortcut>

#include "AppTestSupport.h"
#include "appearance/Theme.h"
#include "model/JsonData.h"
#include "ui/PaletteView.h"
#include "ui/PinButton.h"

namespace zuna::test {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

TEST(ControllerRulesTest, RecoveryNoticeIsShownAfterStartUpAndNothingIsSaved) {
    AppFixture f([](const std::filesystem::path& data) {
        SavedState previous = SavedState::initial();
        previous.macWindow = WindowFrame{40, 100, 200, 300};
        startingWith(previous)(data);
        std::filesystem::rename(data / "state.json", data / "state.previous.json");
        writeFile(data / "state.json", "{ damaged");
    });
    EXPECT_TRUE(f.dialogs.shown.empty());
    f.dialogs.clickButton("V redu");
    f.clock.advance(0);
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    EXPECT_EQ(f.dialogs.shown[0].title, "Obnovitev podatkov");
    EXPECT_THAT(f.dialogs.shown[0].text, HasSubstr("Obnovljena je zadnja varnostna kopija."));
    EXPECT_EQ(f.stateBytes(), "{ damaged");
    EXPECT_EQ(f.app->panel()->geometry().left(), 40);
}

TEST(ControllerRulesTest, StatusLineTiming) {
    AppFixture f;
    f.app->status("Prvo", false);
    EXPECT_FALSE(f.statusVisible());
    EXPECT_EQ(f.statusTip(), "Prvo");
    const int height = f.app->panel()->height();

    // A second success three seconds later restarts the four seconds.
    f.clock.advance(3000);
    f.app->status("Drugo", false);
    f.clock.advance(3999);
    EXPECT_EQ(f.statusText(), "Drugo");
    f.clock.advance(1);
    EXPECT_EQ(f.statusText(), "Pripravljeno");

    // An error opens the red line and stays; a success closes it at once.
    f.app->status("Polja ni mogoče prepoznati.", true);
    EXPECT_TRUE(f.statusVisible());
    EXPECT_EQ(f.app->panel()->height(), height + 24);
    f.clock.advance(60'000);
    EXPECT_EQ(f.statusText(), "Polja ni mogoče prepoznati.");
    f.app->status("Uspeh", false);
    EXPECT_FALSE(f.statusVisible());
    EXPECT_EQ(f.app->panel()->height(), height);
}

// Every setting is saved first and applied only when the save succeeded.
TEST(ControllerRulesTest, SettingsAreSavedBeforeTheyAreApplied) {
    struct Setting {
        const char* name;
        std::function<void(AppDelegate&)> change;
        std::function<int(AppDelegate&, ScriptedDesktop&)> applied;
    };
    const Setting settings[] = {
        {"pin", [](AppDelegate& app) { app.togglePin(); },
         [](AppDelegate& app, ScriptedDesktop&) {
             EXPECT_EQ(app.panel()->keepAbove(), app.view()->pin()->on());
             return int(app.panel()->keepAbove());
         }},
        {"unchecked fields", [](AppDelegate& app) { app.togglePasteUnchecked(); },
         [](AppDelegate& app, ScriptedDesktop&) { return int(app.engine().pasteUnchecked); }},
        {"theme", [](AppDelegate& app) { app.selectTheme(AppTheme::midnight); },
         [](AppDelegate&, ScriptedDesktop&) { return int(Theme::current() == AppTheme::midnight); }},
        {"shortcut", [](AppDelegate& app) { app.chooseShortcut("Ctrl+Alt+Z"); },
         [](AppDelegate&, ScriptedDesktop& desktop) { return int(desktop.shortcuts.size()); }},
    };
    for (const Setting& setting : settings) {
        SCOPED_TRACE(setting.name);
        AppFixture f;
        const SavedState before = f.stored();
        const int initially = setting.applied(*f.app, f.desktop);
        f.breakSaving();
        f.dialogs.clickButton("V redu");
        setting.change(*f.app);
        ASSERT_EQ(f.dialogs.shown.size(), 1u);
        EXPECT_EQ(f.dialogs.shown[0].title, "Shranjevanje ni uspelo");
        EXPECT_EQ(f.dialogs.shown[0].text, "state.previous.json: Is a directory");
        EXPECT_EQ(setting.applied(*f.app, f.desktop), initially);
        EXPECT_EQ(f.app->state(), before);

        f.breakSaving(false);
        setting.change(*f.app);
        EXPECT_NE(f.stored(), before);
        EXPECT_NE(setting.applied(*f.app, f.desktop), initially);
        Theme::setCurrent(AppTheme::graphite);
    }
}

TEST(ControllerRulesTest, GlobalShortcutTogglesThePaletteOnEveryWorkspace) {
    SavedState state(std::vector<Snippet>{Snippet("a", "b")});
    state.globalShortcut = "Ctrl+Alt+Z";
    AppFixture f(startingWith(state));
    EXPECT_THAT(f.desktop.shortcuts, ElementsAre("Ctrl+Alt+Z"));
    const int shown = f.desktop.allWorkspaces;
    f.desktop.shortcutPressed();
    EXPECT_FALSE(f.app->panel()->isVisible());
    f.desktop.shortcutPressed();
    EXPECT_TRUE(f.app->panel()->isVisible());
    EXPECT_EQ(f.desktop.allWorkspaces, shown + 1);
}

TEST(ControllerRulesTest, FrameIsSavedOnceAfterTheMovesStop) {
    AppFixture f;
    f.app->saveFrame();
    const WindowFrame initial = f.stored().macWindow.value();
    QPoint position = f.app->panel()->pos();
    const auto moveTo = [&](QPoint to) {
        f.app->panel()->move(to);
        QCoreApplication::sendPostedEvents();
    };
    for (int i = 0; i < 5; ++i) {
        moveTo(position += QPoint(-10, 7));
        f.clock.advance(100);
    }
    f.clock.advance(299);
    EXPECT_EQ(f.stored().macWindow, initial);
    f.clock.advance(1);
    EXPECT_EQ(f.stored().macWindow->x, initial.x - 50);

    // Back to exactly the saved frame: nothing to write.
    const std::string bytes = f.stateBytes();
    moveTo(position + QPoint(5, 0));
    moveTo(position);
    f.clock.advance(400);
    EXPECT_EQ(f.stateBytes(), bytes);

    // Quitting saves at once, without waiting.
    moveTo(position + QPoint(0, 40));
    f.app->applicationWillTerminate();
    EXPECT_EQ(f.stored().macWindow->y, initial.y - 35 - 40);
}

TEST(ControllerRulesTest, DialogsStopClicksAndGiveTheFocusBack) {
    AppFixture f;
    f.desktop.frontmost = DesktopApplication{777, "Urejevalnik", 5, 6};
    bool modalInside = false;
    f.dialogs.whileOpen = [&] {
        modalInside = f.app->modalOpen();
        f.app->quit();
        f.app->paste("besedilo", "ime");
    };
    f.dialogs.clickButton("V redu");
    f.app->alert("Naslov", "Besedilo");
    EXPECT_TRUE(modalInside);
    EXPECT_EQ(f.terminations, 0);
    EXPECT_EQ(f.desktop.posts, 0);
    EXPECT_THAT(f.desktop.activated, ElementsAre(777));
    f.app->quit();
    EXPECT_EQ(f.terminations, 1);

    // The program itself was in front: nothing to give back.
    f.desktop.frontmost = DesktopApplication{f.desktop.ownPid, "Zuna Trep", 9, 9};
    f.dialogs.whileOpen = nullptr;
    f.dialogs.clickButton("V redu");
    f.app->alert("Naslov", "Besedilo");
    EXPECT_THAT(f.desktop.activated, ElementsAre(777));
}

// Ctrl+Q in one of the program's windows closes it as Escape does and quits once it is closed.
TEST(ControllerRulesTest, CtrlQInTheProgramsWindowsClosesThemAndQuits) {
    const std::vector<std::pair<const char*, std::function<void(AppDelegate&)>>> windows{
        {"alert", [](AppDelegate& app) { app.alert("Naslov", "Besedilo"); }},
        {"editor", [](AppDelegate& app) { app.edit(std::nullopt); }},
        {"group name", [](AppDelegate& app) { app.editGroup(true); }},
    };
    for (const auto& [kind, open] : windows) {
        SCOPED_TRACE(kind);
        AppFixture f;
        const std::string before = f.stateBytes();
        f.dialogs.answer([&](QDialog& dialog) {
            auto* quitKeys = dialog.findChild<QShortcut*>();
            if (quitKeys == nullptr) {
                ADD_FAILURE() << "no Ctrl+Q";
                return int(QDialog::Rejected);
            }
            EXPECT_EQ(quitKeys->key(), QKeySequence(Qt::CTRL | Qt::Key_Q));
            emit quitKeys->activated();
            return dialog.result();
        });
        open(*f.app);
        EXPECT_EQ(f.terminations, 0);
        f.clock.advance(0);
        EXPECT_EQ(f.terminations, 1);
        EXPECT_EQ(f.stateBytes(), before);
    }
}

}  // namespace
}  // namespace zuna::test
