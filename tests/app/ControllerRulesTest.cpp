#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDialog>
#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QShortcut>
#include <tuple>

#include "AppTestSupport.h"
#include "appearance/Theme.h"
#include "model/JsonData.h"
#include "ui/ChromeButton.h"
#include "ui/PaletteView.h"
#include "ui/PinButton.h"

namespace zuna::test {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

TEST(ControllerRulesTest, FirstStartShowsThePaletteTopRightAndSavesOnce) {
    AppFixture f;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = f.app->panel()->geometry();
    EXPECT_EQ(frame.width(), 200);
    EXPECT_EQ(frame.right() + 1, screen.right() + 1 - 16);
    EXPECT_EQ(frame.top(), screen.top() + 20);
    EXPECT_EQ(frame.height(), static_cast<int>(f.app->view()->desiredHeight()));
    EXPECT_TRUE(f.app->panel()->isVisible());
    EXPECT_TRUE(f.app->ready());
    EXPECT_TRUE(f.app->panel()->keepAbove());
    // The state was saved once, as it was opened; no frame yet.
    const SavedState stored = f.stored();
    EXPECT_EQ(stored.groups[0].name, "Moji podatki");
    EXPECT_FALSE(std::filesystem::exists(f.dataDirectory() / "state.previous.json"));
    EXPECT_EQ(f.statusText(), "Pripravljeno");
    EXPECT_FALSE(f.app->view()->permissionVisible());
    EXPECT_TRUE(f.dialogs.shown.empty());
}

TEST(ControllerRulesTest, RecoveryNoticeIsShownAfterStartUpAndNothingIsSaved) {
    AppFixture f([](const std::filesystem::path& data) {
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", "{ damaged");
        SavedState previous = SavedState::initial();
        previous.macWindow = WindowFrame{40, 100, 200, 300};
        writeFile(data / "state.previous.json", jsonData(previous));
    });
    EXPECT_TRUE(f.dialogs.shown.empty());
    f.dialogs.clickButton("V redu");
    f.clock.advance(0);
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    EXPECT_EQ(f.dialogs.shown[0].title, "Obnovitev podatkov");
    EXPECT_THAT(f.dialogs.shown[0].text, HasSubstr("Obnovljena je zadnja varnostna kopija."));
    EXPECT_EQ(readFile(f.dataDirectory() / "state.json"), "{ damaged");
    // The saved frame's top-left corner is where the palette opened.
    const QRect frame = f.app->panel()->geometry();
    EXPECT_EQ(frame.left(), 40);
    const double primaryBottom = QGuiApplication::primaryScreen()->geometry().bottom() + 1;
    EXPECT_EQ(frame.top(), static_cast<int>(primaryBottom - 400));
}

TEST(ControllerRulesTest, StatusLineTiming) {
    AppFixture f;
    f.app->status("✓ Poslano v Urejevalnik · Pozdrav", false);
    EXPECT_FALSE(f.statusVisible());
    EXPECT_EQ(f.statusTip(), "✓ Poslano v Urejevalnik · Pozdrav");
    EXPECT_EQ(f.app->view()->options()->toolTip().toStdString(),
              "Nastavitve, uvoz in izvoz\n✓ Poslano v Urejevalnik · Pozdrav");
    const double height = f.app->panel()->height();

    // A second success three seconds later restarts the four seconds.
    f.clock.advance(3000);
    f.app->status("Drugo", false);
    f.clock.advance(3999);
    EXPECT_EQ(f.statusText(), "Drugo");
    f.clock.advance(1);
    EXPECT_EQ(f.statusText(), "Pripravljeno");
    EXPECT_EQ(f.statusTip(), "Klikni za lepljenje · Desni klik za urejanje · Povleci za premik");

    // An error opens the red line and stays; a success closes it at once.
    f.app->status("Polja ni mogoče prepoznati.", true);
    EXPECT_TRUE(f.statusVisible());
    EXPECT_EQ(f.app->panel()->height(), height + 24);
    f.clock.advance(60'000);
    EXPECT_EQ(f.statusText(), "Polja ni mogoče prepoznati.");
    f.app->status("Uspeh", false);
    EXPECT_FALSE(f.statusVisible());
    EXPECT_EQ(f.app->panel()->height(), height);
    f.clock.advance(4000);
    EXPECT_EQ(f.statusText(), "Pripravljeno");
}

TEST(ControllerRulesTest, PermissionPollShowsChangesOnly) {
    AppFixture f;
    f.desktop.accessibility = false;
    f.clock.advance(1999);
    EXPECT_FALSE(f.app->view()->permissionVisible());
    f.clock.advance(1);
    EXPECT_TRUE(f.app->view()->permissionVisible());
    EXPECT_TRUE(f.statusVisible());
    EXPECT_EQ(f.statusText(), "Omogoči dovoljenje za lepljenje.");
    EXPECT_THAT(f.app->view()->permission()->toolTip().toStdString(),
                HasSubstr("Dostop do polj: ni odobren."));

    // No change, no message.
    f.app->status("Nekaj drugega", true);
    f.clock.advance(2000);
    EXPECT_EQ(f.statusText(), "Nekaj drugega");

    f.desktop.accessibility = true;
    f.clock.advance(2000);
    EXPECT_FALSE(f.app->view()->permissionVisible());
    EXPECT_FALSE(f.statusVisible());
    EXPECT_EQ(f.statusTip(), "Lepljenje je omogočeno.");
}

// The pin and the choice to paste into unchecked fields: each is saved first and applied only
// when the save succeeded.
TEST(ControllerRulesTest, SwitchesAreSavedBeforeTheyAreApplied) {
    struct Switch {
        const char* name;
        bool initially;
        std::function<void(AppDelegate&)> toggle;
        std::function<bool(const SavedState&)> stored;
        std::function<bool(AppDelegate&)> applied;
        std::string on, off;
    };
    const Switch switches[] = {
        {"pin", true, [](AppDelegate& app) { app.togglePin(); },
         [](const SavedState& s) { return s.alwaysOnTop; },
         [](AppDelegate& app) {
             EXPECT_EQ(app.panel()->keepAbove(), app.view()->pin()->on());
             return app.panel()->keepAbove();
         },
         "Vedno na vrhu · vključeno", "Vedno na vrhu · izključeno"},
        // Through its entry in the options menu, which shows it checked while it is on.
        {"unchecked fields", false,
         [](AppDelegate& app) {
             const auto menu = app.optionsMenu();
             for (QAction* action : menu->actions()) {
                 if (action->text().toStdString() !=
                     "Lepi tudi v polja, ki jih ni mogoče preveriti (gesel tam ni mogoče "
                     "prepoznati)")
                     continue;
                 EXPECT_TRUE(action->isCheckable());
                 EXPECT_EQ(action->isChecked(), app.state().pasteUncheckedFields);
                 action->trigger();
             }
         },
         [](const SavedState& s) { return s.pasteUncheckedFields; },
         [](AppDelegate& app) { return app.engine().pasteUnchecked; },
         "Lepljenje v nepreverjena polja · vključeno",
         "Lepljenje v nepreverjena polja · izključeno"},
    };
    for (const Switch& sw : switches) {
        SCOPED_TRACE(sw.name);
        AppFixture f;
        EXPECT_EQ(sw.applied(*f.app), sw.initially);
        sw.toggle(*f.app);
        EXPECT_EQ(sw.stored(f.stored()), !sw.initially);
        EXPECT_EQ(sw.applied(*f.app), !sw.initially);
        EXPECT_EQ(f.statusTip(), sw.initially ? sw.off : sw.on);
        sw.toggle(*f.app);
        EXPECT_EQ(sw.stored(f.stored()), sw.initially);
        EXPECT_EQ(f.statusTip(), sw.initially ? sw.on : sw.off);

        // A save that fails changes nothing on the screen and says why.
        std::filesystem::remove(f.dataDirectory() / "state.previous.json");
        std::filesystem::create_directory(f.dataDirectory() / "state.previous.json");
        f.dialogs.clickButton("V redu");
        sw.toggle(*f.app);
        ASSERT_EQ(f.dialogs.shown.size(), 1u);
        EXPECT_EQ(f.dialogs.shown[0].title, "Shranjevanje ni uspelo");
        EXPECT_EQ(f.dialogs.shown[0].text, "state.previous.json: Is a directory");
        EXPECT_EQ(sw.applied(*f.app), sw.initially);
        EXPECT_EQ(sw.stored(f.app->state()), sw.initially);
    }

    // A stored choice is in force from the start.
    AppFixture chosen([](const std::filesystem::path& data) {
        SavedState state = SavedState::initial();
        state.pasteUncheckedFields = true;
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", jsonData(state));
    });
    EXPECT_TRUE(chosen.app->engine().pasteUnchecked);
}

TEST(ControllerRulesTest, ThemeIsSavedBeforeItIsApplied) {
    AppFixture f;
    const std::string before = readFile(f.dataDirectory() / "state.json");
    f.app->selectTheme(AppTheme::graphite);
    EXPECT_EQ(readFile(f.dataDirectory() / "state.json"), before);
    EXPECT_EQ(f.statusText(), "Pripravljeno");

    // Nothing while a dialog is open.
    f.dialogs.whileOpen = [&] { f.app->selectTheme(AppTheme::light); };
    f.dialogs.clickButton("V redu");
    f.app->alert("Naslov", "Besedilo");
    f.dialogs.whileOpen = nullptr;
    EXPECT_EQ(f.stored().theme, AppTheme::graphite);

    f.app->selectTheme(AppTheme::midnight);
    EXPECT_EQ(f.stored().theme, AppTheme::midnight);
    EXPECT_EQ(Theme::current(), AppTheme::midnight);
    EXPECT_EQ(f.statusTip(), "Tema: Polnoč");
    EXPECT_FALSE(f.statusVisible());

    Theme::setCurrent(AppTheme::graphite);
}

// The global shortcut follows the rule of every setting: saved first, then applied.
TEST(ControllerRulesTest, GlobalShortcutIsSavedThenGrabbedAndTogglesThePalette) {
    AppFixture f([](const std::filesystem::path& data) {
        SavedState state(std::vector<Snippet>{Snippet("a", "b")});
        state.globalShortcut = "Ctrl+Alt+Z";
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", jsonData(state));
    });
    EXPECT_THAT(f.desktop.shortcuts, ElementsAre("Ctrl+Alt+Z"));
    EXPECT_EQ(f.statusText(), "Pripravljeno");
    // Hidden and shown again, on every workspace each time it is shown.
    const int shown = f.desktop.allWorkspaces;
    EXPECT_GE(shown, 1);
    f.desktop.shortcutPressed();
    EXPECT_FALSE(f.app->panel()->isVisible());
    f.desktop.shortcutPressed();
    EXPECT_TRUE(f.app->panel()->isVisible());
    EXPECT_EQ(f.desktop.allWorkspaces, shown + 1);

    const std::vector<std::tuple<std::string, ShortcutResult, std::string, bool>> choices{
        {"Ctrl+Alt+Space", ShortcutResult::active, "Bližnjica za prikaz palete: Ctrl+Alt+Space",
         false},
        {"Super+Z", ShortcutResult::taken,
         "Tipke Super+Z že uporablja drug program. Pod zobnikom izberi drugo bližnjico.", true},
        {"Ctrl+Alt+P", ShortcutResult::unavailable,
         "Bližnjice Ctrl+Alt+P na tem namizju ni mogoče nastaviti.", true},
        {"", ShortcutResult::unavailable, "Bližnjica za prikaz palete je izključena.", false},
    };
    for (const auto& [keys, result, message, error] : choices) {
        SCOPED_TRACE(keys);
        f.desktop.shortcutResult = result;
        f.app->chooseShortcut(keys);
        EXPECT_EQ(f.stored().globalShortcut, keys);
        EXPECT_EQ(f.desktop.shortcuts.back(), keys);
        EXPECT_EQ(f.statusTip(), message);
        EXPECT_EQ(f.statusVisible(), error);
    }

    // A save that fails grabs nothing.
    std::filesystem::remove(f.dataDirectory() / "state.previous.json");
    std::filesystem::create_directory(f.dataDirectory() / "state.previous.json");
    f.dialogs.clickButton("V redu");
    f.app->chooseShortcut("Ctrl+Alt+Z");
    EXPECT_EQ(f.dialogs.shown.back().title, "Shranjevanje ni uspelo");
    EXPECT_EQ(f.desktop.shortcuts.size(), 5u);
    EXPECT_EQ(f.app->state().globalShortcut, "");
}

TEST(ControllerRulesTest, FrameIsSavedOnceAfterTheMovesStop) {
    AppFixture f;
    const auto savedFrame = [&] { return f.stored().macWindow; };
    f.clock.advance(1000);
    f.app->saveFrame();
    const auto initial = savedFrame();
    ASSERT_TRUE(initial.has_value());

    QPoint position = f.app->panel()->pos();
    for (int i = 0; i < 5; ++i) {
        position += QPoint(-10, 7);
        f.app->panel()->move(position);
        QCoreApplication::sendPostedEvents();
        f.clock.advance(100);
    }
    EXPECT_EQ(savedFrame(), initial);
    f.clock.advance(299);
    EXPECT_EQ(savedFrame(), initial);
    f.clock.advance(1);
    ASSERT_TRUE(savedFrame().has_value());
    EXPECT_EQ(savedFrame()->x, initial->x - 50);
    EXPECT_EQ(savedFrame()->y, initial->y - 35);

    // Back to exactly the saved frame: nothing to write.
    const std::string bytes = readFile(f.dataDirectory() / "state.json");
    f.app->panel()->move(position + QPoint(5, 0));
    QCoreApplication::sendPostedEvents();
    f.app->panel()->move(position);
    QCoreApplication::sendPostedEvents();
    f.clock.advance(400);
    EXPECT_EQ(readFile(f.dataDirectory() / "state.json"), bytes);

    // Quitting saves at once, without waiting.
    f.app->panel()->move(position + QPoint(0, 40));
    QCoreApplication::sendPostedEvents();
    f.app->applicationWillTerminate();
    EXPECT_EQ(savedFrame()->y, initial->y - 35 - 40);
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
    EXPECT_FALSE(f.app->modalOpen());
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
        const SavedState before = f.stored();
        bool modalWhenPressed = false;
        f.dialogs.answer([&](QDialog& dialog) {
            auto* quitKeys = dialog.findChild<QShortcut*>();
            EXPECT_NE(quitKeys, nullptr);
            if (quitKeys == nullptr) return int(QDialog::Rejected);
            EXPECT_EQ(quitKeys->key(), QKeySequence(Qt::CTRL | Qt::Key_Q));
            modalWhenPressed = f.app->modalOpen();
            emit quitKeys->activated();
            return dialog.result();
        });
        open(*f.app);
        EXPECT_TRUE(modalWhenPressed);
        EXPECT_EQ(f.terminations, 0);
        f.clock.advance(0);
        EXPECT_EQ(f.terminations, 1);
        EXPECT_EQ(f.stored(), before);
    }
}

}  // namespace
}  // namespace zuna::test
