#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>

#include "AppTestSupport.h"
#include "StoreTestSupport.h"
#include "core/appearance/Theme.h"
#include "core/model/Errors.h"
#include "core/model/ExchangeFiles.h"
#include "platform/linux/Autostart.h"
#include "ui/EditorController.h"
#include "ui/NameDialog.h"
#include "ui/PinButton.h"
#include "ui/SnippetTextEdit.h"

namespace zuna::test {
namespace {

using testing::ElementsAre;

// Five buttons A..E in the selected group, and an empty second group.
SavedState fiveButtons() {
    std::vector<Snippet> buttons;
    for (const char* id : {"A", "B", "C", "D", "E"})
        buttons.emplace_back(id, "t", id);
    SavedState state(buttons);
    state.groups.emplace_back("Druga");
    return state;
}

class ControllerTest : public ::testing::Test {
  protected:
    AppFixture f{startingWith(fiveButtons())};
};

// A start on a damaged file tells what was restored once the palette is up, and saves nothing
// over the damaged bytes.
TEST(ControllerStartTest, RecoveryNoticeIsShownAfterStartUpAndNothingIsSaved) {
    AppFixture f([](const std::filesystem::path& data) {
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", "{ damaged");
        writeFile(data / "state.previous.json", jsonData(fiveButtons()));
    });
    EXPECT_TRUE(f.dialogs.shown.empty());
    f.dialogs.clickButton("V redu");
    f.clock.advance(0);
    ASSERT_EQ(f.dialogs.shown.size(), 1u);
    EXPECT_THAT(f.dialogs.shown[0], testing::HasSubstr("Obnovljena je zadnja varnostna kopija."));
    EXPECT_EQ(f.stateBytes(), "{ damaged");
}

TEST_F(ControllerTest, StatusLineTiming) {
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
    EXPECT_EQ(f.app->panel()->height(), height + 24);
    f.clock.advance(60'000);
    EXPECT_EQ(f.statusText(), "Polja ni mogoče prepoznati.");
    f.app->status("Uspeh", false);
    EXPECT_FALSE(f.statusVisible());
    EXPECT_EQ(f.app->panel()->height(), height);
}

// Every setting is saved first and applied only when the save succeeded.
TEST_F(ControllerTest, SettingsAreSavedBeforeTheyAreApplied) {
    struct Setting {
        const char* name;
        std::function<void(AppDelegate&)> change;
        std::function<int(AppFixture&)> applied;
    };
    const Setting settings[] = {
        {"pin", [](AppDelegate& app) { app.togglePin(); },
         [](AppFixture& f) {
             EXPECT_EQ(f.app->panel()->keepAbove(), f.app->view()->pin()->on());
             return int(f.app->panel()->keepAbove());
         }},
        {"unchecked fields", [](AppDelegate& app) { app.togglePasteUnchecked(); },
         [](AppFixture& f) { return int(f.app->engine().pasteUnchecked); }},
        {"application rule",
         [](AppDelegate& app) { app.addApplicationRule("kate", PasteShortcut::controlY); },
         [](AppFixture& f) { return int(f.app->engine().applicationRules.size()); }},
        {"theme", [](AppDelegate& app) { app.selectTheme(AppTheme::midnight); },
         [](AppFixture&) { return int(Theme::current() == AppTheme::midnight); }},
        {"shortcut", [](AppDelegate& app) { app.chooseShortcut("Ctrl+Alt+Z"); },
         [](AppFixture& f) { return int(f.desktop.shortcuts.size()); }},
    };
    for (const Setting& setting : settings) {
        SCOPED_TRACE(setting.name);
        const SavedState before = f.app->state();
        const int initially = setting.applied(f);
        f.breakSaving();
        f.dialogs.clickButton("V redu");
        setting.change(*f.app);
        EXPECT_EQ(f.dialogs.shown.back(),
                  "Shranjevanje ni uspelo: state.previous.json: Is a directory");
        EXPECT_EQ(setting.applied(f), initially);
        EXPECT_EQ(f.app->state(), before);

        f.breakSaving(false);
        setting.change(*f.app);
        EXPECT_NE(f.stored(), before);
        EXPECT_NE(setting.applied(f), initially);
    }
    Theme::setCurrent(AppTheme::graphite);
}

// The entry of this title, in the menu or one of its submenus; none when there is none.
QAction* entry(QMenu& menu, const std::string& title) {
    for (QAction* action : menu.findChildren<QAction*>())
        if (action->text().toStdString() == title) return action;
    return nullptr;
}

// An application whose field cannot be checked is offered a rule; the rule is saved, pastes
// there with its keys, is listed and removed.
TEST_F(ControllerTest, ApplicationRulesAreOfferedListedAndRemovedFromTheOptions) {
    const std::string offered = "Lepi v kate brez preverjanja s Ctrl+Shift+V";
    EXPECT_EQ(entry(*f.app->optionsMenu(), offered), nullptr);
    f.desktop.field->checkable = false;
    f.desktop.field->application = "kate";
    f.app->paste("x", "n");

    auto menu = f.app->optionsMenu();
    entry(*menu, offered)->trigger();
    EXPECT_EQ(f.stored().applicationRules,
              (std::vector<ApplicationRule>{{"kate", PasteShortcut::controlShiftV}}));
    EXPECT_EQ(f.statusTip(), "Pravilo za kate: lepljenje brez preverjanja s Ctrl+Shift+V");
    f.app->paste("x", "n");
    EXPECT_EQ(f.desktop.posts, 1);
    EXPECT_EQ(f.desktop.shortcut, PasteShortcut::controlShiftV);

    menu = f.app->optionsMenu();
    EXPECT_TRUE(entry(*menu, offered)->isChecked());
    QAction* listed = entry(*menu, "kate · Ctrl+Shift+V");
    ASSERT_NE(listed, nullptr);
    entry(*listed->menu(), "Odstrani pravilo")->trigger();
    EXPECT_TRUE(f.stored().applicationRules.empty());
    EXPECT_TRUE(f.app->engine().applicationRules.empty());
    EXPECT_EQ(f.statusTip(), "Pravilo za kate je odstranjeno.");
}

TEST_F(ControllerTest, AStoredShortcutIsGrabbedAndTogglesThePaletteOnEveryWorkspace) {
    SavedState state = fiveButtons();
    state.globalShortcut = "Ctrl+Alt+Z";
    state.applicationRules = {{"kate", PasteShortcut::controlY}};
    AppFixture g(startingWith(state));
    EXPECT_EQ(g.app->engine().applicationRules, state.applicationRules);
    EXPECT_THAT(g.desktop.shortcuts, ElementsAre("Ctrl+Alt+Z"));
    const int shown = g.desktop.allWorkspaces;
    g.desktop.shortcutPressed();
    EXPECT_FALSE(g.app->panel()->isVisible());
    g.desktop.shortcutPressed();
    EXPECT_TRUE(g.app->panel()->isVisible());
    EXPECT_EQ(g.desktop.allWorkspaces, shown + 1);
}

TEST_F(ControllerTest, FrameIsSavedOnceAfterTheMovesStop) {
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
    // Quitting within the pause saves the last move at once, on the way out.
    moveTo(position + QPoint(20, 0));
    f.app->quit();
    f.app->applicationWillTerminate();
    EXPECT_EQ(f.stored().macWindow->x, initial.x - 30);
    EXPECT_EQ(f.terminations, 1);
}

TEST_F(ControllerTest, DialogsStopClicksAndGiveTheFocusBack) {
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

// The stored groups as "name: button names", one after another.
std::string layout(const SavedState& state) {
    std::string out;
    for (const auto& group : state.groups) {
        out += (out.empty() ? "" : " | ") + group.name + ":";
        for (const auto& button : group.buttons)
            out += " " + button.name;
    }
    return out;
}

// Answers the editor as a user would: fills it and presses its save button.
std::function<int(QDialog&)> fillEditor(const std::string& name, int groupIndex) {
    return [=](QDialog& dialog) {
        auto& editor = dynamic_cast<EditorController&>(dialog);
        editor.name()->setText(QString::fromStdString(name));
        editor.text()->setPlainText("besedilo");
        editor.group()->setCurrentIndex(groupIndex);
        editor.save();
        return editor.result();
    };
}

std::function<int(QDialog&)> typeName(const std::string& name) {
    return [name](QDialog& dialog) {
        auto& nameDialog = dynamic_cast<NameDialog&>(dialog);
        nameDialog.field()->setText(QString::fromStdString(name));
        nameDialog.saveButton()->click();
        return dialog.result();
    };
}

// Imports a group file of `groups` empty groups, answering the question with `answer`.
void import(AppFixture& f, std::size_t groups, const std::string& answer) {
    std::vector<SnippetGroup> list;
    for (std::size_t i = 0; i < groups; ++i)
        list.emplace_back("Uvoz " + std::to_string(i));
    writeFile(f.dir / "uvoz.zuna.json", GroupFile(list).data());
    f.dialogs.chooseFile((f.dir / "uvoz.zuna.json").string());
    f.dialogs.clickButton(answer);
    f.dialogs.clickButton("V redu");
    f.app->importData();
}

// Each command on buttons and groups, from its menu, the editor or a drag, ends in the saved
// layout and the status it names; a deletion or an import writes its backup first, and a refused
// question or a move onto the button's own place writes nothing.
TEST(ControllerCommandsTest, CommandsSaveWhatTheySay) {
    const std::string start = "Moji podatki: A B C D E | Druga:";
    const std::string order = "Vrstni red je shranjen.";
    const std::string c120 = repeat("č", 120);
    struct Command {
        const char* what;
        std::function<void(AppFixture&)> run;
        std::string layout, tip;
        std::size_t backups = 0;
    };
    const Command commands[] = {
        {"move to the other group",
         [](AppFixture& f) { f.app->moveToGroup("B", f.stored().groups[1].id); },
         "Moji podatki: A C D E | Druga: B", "Premaknjeno v Druga."},
        {"delete, confirmed",
         [](AppFixture& f) {
             f.dialogs.clickButton("Izbriši");
             f.app->deleteButton("A");
         },
         "Moji podatki: B C D E | Druga:", "Gumb je izbrisan."},
        {"delete, cancelled",
         [](AppFixture& f) {
             f.dialogs.clickButton("Prekliči");
             f.app->deleteButton("A");
         },
         start, ""},
        {"new button, name trimmed",
         [](AppFixture& f) {
             f.dialogs.answers.push_back(fillEditor("  Nov ", 0));
             f.app->edit(std::nullopt);
         },
         "Moji podatki: A B C D E Nov | Druga:", "Shranjeno · Nov"},
        // Saved into another group: moved to its end.
        {"edited into the other group",
         [](AppFixture& f) {
             f.dialogs.answers.push_back(fillEditor("C2", 1));
             f.app->edit("C");
         },
         "Moji podatki: A B D E | Druga: C2", "Shranjeno · C2"},
        // A copy's name stays within 120 characters.
        {"duplicated",
         [&](AppFixture& f) {
             auto buttons = f.app->state().buttons();
             buttons[1].name = c120;
             f.app->store()->replaceButtons(std::move(buttons));
             f.app->duplicate("B");
             f.app->duplicate("A");
         },
         "Moji podatki: A A – kopija " + c120 + " " + repeat("č", 111) + " – kopija C D E | Druga:",
         "Gumb je podvojen."},
        {"dropped in its own gaps",
         [](AppFixture& f) { f.app->reorder("C", 2), f.app->reorder("C", 3); }, start, ""},
        {"dropped at the end", [](AppFixture& f) { f.app->reorder("C", 5); },
         "Moji podatki: A B D E C | Druga:", order},
        {"dropped first, then beyond the end, then unknown",
         [](AppFixture& f) {
             f.app->reorder("C", 0);
             f.app->reorder("A", 99);
             f.app->reorder("missing", 0);
         },
         "Moji podatki: C B D E A | Druga:", order},
        // Moving by one stops at the ends.
        {"moved by one",
         [](AppFixture& f) {
             f.app->move("A", -1);
             f.app->move("E", +1);
             f.app->move("C", -1);
         },
         "Moji podatki: A C B D E | Druga:", order},
        {"new group, name trimmed",
         [](AppFixture& f) {
             f.dialogs.answers.push_back(typeName("  Služba \t"));
             f.app->editGroup(true);
         },
         start + " | Služba:", "Skupina je shranjena."},
        // A sixth group is never asked for.
        {"five groups, then a sixth",
         [](AppFixture& f) {
             for (const char* name : {"C", "D", "E"}) {
                 f.dialogs.answers.push_back(typeName(name));
                 f.app->editGroup(true);
             }
             f.app->editGroup(true);
         },
         start + " | C: | D: | E:", "Skupina je shranjena."},
        {"group renamed",
         [](AppFixture& f) {
             f.dialogs.answers.push_back(typeName("Delo"));
             f.app->editGroup(false);
         },
         "Delo: A B C D E | Druga:", "Skupina je shranjena."},
        {"group deleted",
         [](AppFixture& f) {
             f.dialogs.clickButton("Izbriši skupino");
             f.app->deleteGroup();
         },
         "Druga:", "Skupina je izbrisana.", 1},
        {"import added", [](AppFixture& f) { import(f, 2, "Dodaj"); },
         start + " | Uvoz 0: | Uvoz 1:", "Uvoz je končan.", 1},
        {"import of six refused", [](AppFixture& f) { import(f, 4, "Dodaj"); }, start, ""},
        {"import replacing all", [](AppFixture& f) { import(f, 4, "Zamenjaj vse skupine"); },
         "Uvoz 0: | Uvoz 1: | Uvoz 2: | Uvoz 3:", "Uvoz je končan.", 1},
    };
    for (const Command& command : commands) {
        SCOPED_TRACE(command.what);
        AppFixture f{startingWith(fiveButtons())};
        const std::string before = f.stateBytes();
        const std::string tip = f.statusTip();
        command.run(f);
        EXPECT_EQ(layout(f.stored()), command.layout);
        EXPECT_EQ(f.stateBytes() == before, command.layout == start);
        EXPECT_EQ(f.statusTip(), command.tip.empty() ? tip : command.tip);
        EXPECT_EQ(namesStartingWith(f.dataDirectory(), "pred-uvozom-").size(), command.backups);
        EXPECT_FALSE(f.app->modalOpen());
    }
}

TEST_F(ControllerTest, ExportWritesTheChosenKindAsAnOrdinaryFile) {
    const auto path = f.dir.path() / "gumbi.zuna.json";
    f.dialogs.chooseFile(path.string());
    {
        // A file the user passes on: the usual mode under the umask, not the data folder's 0600.
        ScopedUmask usual(022);
        f.app->exportData(false);
    }
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0644));
    EXPECT_EQ(ButtonFile::read(path).buttons, f.app->state().buttons());
    f.dialogs.chooseFile(path.string());
    f.app->exportData(true);
    EXPECT_EQ(GroupFile::read(path).groups, f.app->state().groups);
    EXPECT_THAT(f.dialogs.proposedNames,
                ElementsAre("Zuna-Trep-gumbi.zuna.json", "Zuna-Trep-skupine.zuna.json"));
    // Never onto the program's own files, under any name; nor are they touched.
    std::filesystem::create_symlink(f.dataDirectory(), f.dir.path() / "link");
    const Snapshot before = snapshot(f.dataDirectory());
    f.dialogs.chooseFile((f.dir.path() / "link" / "state.json").string());
    f.dialogs.clickButton("V redu");
    f.app->exportData(true);
    EXPECT_THAT(f.dialogs.shown.back(), testing::HasSubstr("izvoz bi jih prepisal"));
    EXPECT_EQ(snapshot(f.dataDirectory()), before);
}

// Another writer's change shows at once, but never under an open window: it waits until the
// window has closed and its command has saved, and then both are kept. A start over a file
// left as saved writes nothing, so the copy from before the last change stays.
TEST_F(ControllerTest, OutsideChangesWaitForAnOpenWindowAndAreMergedWithItsCommand) {
    EXPECT_FALSE(std::filesystem::exists(f.dataDirectory() / "state.previous.json"));
    SavedState outside = f.stored();
    outside.groups[0].buttons.emplace_back("Od drugod", "zunaj", "OUT");
    outside.theme = AppTheme::light;
    f.dialogs.whileOpen = [&] {
        fs::writeFileAtomically(f.dataDirectory() / "state.json", jsonData(outside));
        f.app->takeOutsideChanges();
        EXPECT_EQ(f.app->state().theme, AppTheme::graphite);
        f.dialogs.whileOpen = nullptr;
    };
    f.dialogs.clickButton("Izbriši");
    f.app->deleteButton(f.app->state().buttons()[0].id);
    f.clock.advance(0);
    EXPECT_EQ(Theme::current(), AppTheme::light);
    EXPECT_EQ(f.stored(), f.app->state());
    EXPECT_EQ(f.app->state().buttons().size(), 5u);
    EXPECT_EQ(f.app->state().buttons().back().id, "OUT");
}

// Start at login: the program's own entry comes and goes; one written by someone else is only
// replaced or removed when the user says so.
TEST_F(ControllerTest, StartAtLoginWritesAndRemovesOnlyItsOwnEntryUnasked) {
    const auto entry = f.dir.path() / "config" / "autostart" / "zuna-trep.desktop";
    f.app->toggleAutostart();
    EXPECT_THAT(readFile(entry),
                testing::HasSubstr("\nExec=\"" +
                                   QCoreApplication::applicationFilePath().toStdString() + "\"\n"));
    f.app->toggleAutostart();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(f.dialogs.shown.empty());

    const std::vector<std::pair<std::string, std::string>> handWritten{
        {"[Desktop Entry]\nExec=moj-zagon\n", "Odstrani"},
        {"[Desktop Entry]\nExec=moj-zagon\nHidden=true\n", "Zamenjaj"},
    };
    for (const auto& [content, yes] : handWritten) {
        SCOPED_TRACE(yes);
        writeFile(entry, content);
        f.dialogs.clickButton("Prekliči");
        f.app->toggleAutostart();
        EXPECT_EQ(readFile(entry), content);
        f.dialogs.clickButton(yes);
        f.app->toggleAutostart();
        EXPECT_EQ(std::filesystem::exists(entry), yes == "Zamenjaj");
    }
    // A line break in the program's path is an escape, never a key of its own; without HOME the
    // entry still goes to the user's own folder.
    platform::Autostart(entry.parent_path()).enable("/opt/z\nHidden=true/zuna-trep");
    EXPECT_THAT(readFile(entry), testing::HasSubstr("Exec=\"/opt/z\\nHidden=true/zuna-trep\"\n"));
    EXPECT_THROW(platform::Autostart(entry.parent_path()).enable("/opt/\x1b"), FileError);
    const char* home = std::getenv("HOME");
    const std::string kept = home != nullptr ? home : "";
    unsetenv("HOME");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(platform::Autostart().file().is_absolute());
    if (home != nullptr) setenv("HOME", kept.c_str(), 1);
}

}  // namespace
}  // namespace zuna::test
