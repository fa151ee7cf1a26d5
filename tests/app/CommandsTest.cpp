#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>

#include "AppTestSupport.h"
#include "StoreTestSupport.h"
#include "model/ExchangeFiles.h"
#include "ui/EditorController.h"
#include "ui/SnippetTextEdit.h"

namespace zuna::test {
namespace {

using testing::ElementsAre;
using testing::SizeIs;

// Five buttons A..E in the selected group "G1", and two more groups.
SavedState fiveButtons() {
    SavedState state;
    std::vector<Snippet> buttons;
    for (const char* id : {"A", "B", "C", "D", "E"})
        buttons.emplace_back(std::string("Gumb ") + id, "t", id);
    state.groups = {SnippetGroup("Prva", buttons, "G1"),
                    SnippetGroup("Druga", {Snippet("x", "", "X")}, "G2"),
                    SnippetGroup("Tretja", {}, "G3")};
    state.selectedGroupID = "G1";
    return state;
}

std::vector<std::string> ids(const std::vector<Snippet>& buttons) {
    std::vector<std::string> result;
    for (const auto& b : buttons)
        result.push_back(b.id);
    return result;
}

// A menu as one line: titles in order, "—" for separators, disabled ones in brackets.
std::string entries(const QMenu& menu) {
    std::string line;
    for (QAction* a : menu.actions()) {
        const std::string title = a->isSeparator() ? "—" : a->text().toStdString();
        line += (line.empty() ? "" : "|") + (a->isEnabled() ? title : "[" + title + "]");
        if (a->menu() != nullptr) line += "{" + entries(*a->menu()) + "}";
    }
    return line;
}

class CommandsTest : public ::testing::Test {
  protected:
    AppFixture f{startingWith(fiveButtons())};
};

TEST_F(CommandsTest, ContextMenuEntriesFollowThePosition) {
    EXPECT_EQ(
        entries(*f.app->buttonMenu("A")),
        "Uredi…|Podvoji gumb|—|[Premakni gor]|Premakni dol|Premakni v skupino{Druga|Tretja}|—|Izbriši…");
    EXPECT_EQ(
        entries(*f.app->buttonMenu("E")),
        "Uredi…|Podvoji gumb|—|Premakni gor|[Premakni dol]|Premakni v skupino{Druga|Tretja}|—|Izbriši…");
}

TEST_F(CommandsTest, ReorderMovesToTheGapAndIgnoresItsOwnGaps) {
    const std::string before = f.stateBytes();
    f.app->reorder("C", 2);
    f.app->reorder("C", 3);
    EXPECT_EQ(f.stateBytes(), before);
    f.app->reorder("C", 5);
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("A", "B", "D", "E", "C"));
    f.app->reorder("C", 0);
    f.app->reorder("missing", 0);
    f.app->reorder("A", 99);
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("C", "B", "D", "E", "A"));
    // Moving by one stops at the ends.
    f.app->move("C", -1);
    f.app->move("A", +1);
    f.app->move("B", -1);
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("B", "C", "D", "E", "A"));
}

TEST_F(CommandsTest, DuplicateKeepsTheNameWithinTheLimit) {
    std::string name;
    for (int i = 0; i < 120; ++i)
        name += "č";
    auto buttons = f.app->state().buttons();
    buttons[1] = Snippet(name, "besedilo", "B", "#AE608C");
    f.app->store()->replaceButtons(std::move(buttons));
    f.app->duplicate("B");
    f.app->duplicate("A");
    const auto stored = f.stored().buttons();
    ASSERT_THAT(stored, SizeIs(7));
    EXPECT_EQ(stored[1].name, "Gumb A – kopija");
    const Snippet& copy = stored[3];
    EXPECT_EQ(copy, Snippet(name.substr(0, 111 * 2) + " – kopija", "besedilo", copy.id, "#AE608C"));
    EXPECT_NE(copy.id, "B");
}

// Deleting asks first, with the harmless answer on Return; a group goes only once backed up.
TEST_F(CommandsTest, DeletingAsksAndAGroupIsBackedUpFirst) {
    const std::string before = f.stateBytes();
    f.dialogs.clickButton("");
    f.app->deleteButton("A");
    EXPECT_EQ(f.dialogs.shown.back().defaultButton, "Prekliči");
    f.dialogs.clickButton("");
    f.app->deleteGroup();
    EXPECT_EQ(f.dialogs.shown.back().defaultButton, "Prekliči");
    EXPECT_EQ(f.stateBytes(), before);

    f.dialogs.clickButton("Izbriši");
    f.app->deleteButton("A");
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("B", "C", "D", "E"));
    f.dialogs.clickButton("Izbriši skupino");
    f.app->deleteGroup();
    EXPECT_THAT(f.stored().groups, SizeIs(2));
    EXPECT_EQ(f.stored().selectedGroupID, "G2");
    const auto backups = namesStartingWith(f.dataDirectory(), "pred-uvozom-");
    ASSERT_THAT(backups, SizeIs(1));
    EXPECT_THAT(GroupFile::read(f.dataDirectory() / backups[0]).groups, SizeIs(3));

    // No backup, no deletion.
    std::filesystem::rename(f.dataDirectory(), f.dir.path() / "moved");
    writeFile(f.dataDirectory(), "not a directory");
    f.dialogs.clickButton("Izbriši skupino");
    f.dialogs.clickButton("V redu");
    f.app->deleteGroup();
    EXPECT_EQ(f.dialogs.shown.back().title, "Brisanje ni uspelo");
    EXPECT_THAT(f.app->state().groups, SizeIs(2));
}

// Fills the editor the way a user would and presses its save button.
std::function<int(QDialog&)> fillEditor(const std::string& name, int groupIndex) {
    return [=](QDialog& dialog) {
        auto& editor = dynamic_cast<EditorController&>(dialog);
        editor.name()->setText(QString::fromStdString(name));
        editor.text()->setPlainText(QStringLiteral("Živjo"));
        if (groupIndex >= 0) editor.group()->setCurrentIndex(groupIndex);
        editor.save();
        return editor.result();
    };
}

TEST_F(CommandsTest, EditedButtonsGoWhereTheEditorSays) {
    // A new button while the second group is chosen: at its end, and the palette follows.
    f.dialogs.answer(fillEditor("  Nov gumb ", 1));
    f.app->edit(std::nullopt);
    SavedState stored = f.stored();
    EXPECT_EQ(stored.selectedGroupID, "G2");
    ASSERT_THAT(stored.groups[1].buttons, SizeIs(2));
    EXPECT_EQ(stored.groups[1].buttons[1].name, "Nov gumb");

    // An existing button, group unchanged: in place; another group: moved to its end.
    f.app->selectGroup("G1");
    f.dialogs.answer(fillEditor("Tretji", -1));
    f.app->edit("C");
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("A", "B", "C", "D", "E"));
    EXPECT_EQ(f.stored().buttons()[2].name, "Tretji");
    f.dialogs.answer(fillEditor("Tretji", 2));
    f.app->edit("C");
    stored = f.stored();
    EXPECT_THAT(ids(stored.groups[0].buttons), ElementsAre("A", "B", "D", "E"));
    EXPECT_THAT(ids(stored.groups[2].buttons), ElementsAre("C"));
    EXPECT_EQ(stored.selectedGroupID, "G3");

    // No second editor while one is open.
    int editors = 0;
    f.dialogs.whileOpen = [&] {
        ++editors;
        f.app->edit("B");
    };
    f.dialogs.answer([](QDialog& dialog) {
        dialog.close();
        return dialog.result();
    });
    f.app->edit(std::nullopt);
    EXPECT_EQ(editors, 1);
}

TEST_F(CommandsTest, ExportWritesTheChosenKindAsAnOrdinaryFile) {
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
}

// Start at login: the program's own entry comes and goes; one written by someone else is only
// replaced or removed when the user says so.
TEST_F(CommandsTest, StartAtLoginWritesAndRemovesOnlyItsOwnEntryUnasked) {
    const auto entry = f.dir.path() / "config" / "autostart" / "zuna-trep.desktop";
    f.app->toggleAutostart();
    EXPECT_THAT(readFile(entry),
                testing::HasSubstr("\nExec=\"" +
                                   QCoreApplication::applicationFilePath().toStdString() + "\"\n"));
    f.app->toggleAutostart();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_TRUE(f.dialogs.shown.empty());

    const std::vector<std::tuple<std::string, std::string, bool>> handWritten{
        {"[Desktop Entry]\nExec=moj-zagon\n", "Odstrani", false},
        {"[Desktop Entry]\nExec=moj-zagon\nHidden=true\n", "Zamenjaj", true},
    };
    for (const auto& [content, yes, enabledAfter] : handWritten) {
        SCOPED_TRACE(yes);
        writeFile(entry, content);
        f.dialogs.clickButton("Prekliči");
        f.app->toggleAutostart();
        EXPECT_EQ(f.dialogs.shown.back().title, "Vnos za samodejni zagon ni od Zuna Trep");
        EXPECT_EQ(readFile(entry), content);
        f.dialogs.clickButton(yes);
        f.app->toggleAutostart();
        EXPECT_EQ(std::filesystem::exists(entry), enabledAfter);
    }
}

}  // namespace
}  // namespace zuna::test
