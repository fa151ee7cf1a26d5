#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>

#include "AppTestSupport.h"
#include "model/JsonData.h"
#include "model/TextMeasures.h"
#include "ui/Drawing.h"
#include "ui/EditorController.h"
#include "ui/SnippetTextEdit.h"

namespace zuna::test {
namespace {

using testing::ElementsAre;

// Five buttons A..E in the selected group "G1", and two more groups.
void fiveButtons(const std::filesystem::path& data) {
    SavedState state;
    std::vector<Snippet> buttons;
    for (const char* id : {"A", "B", "C", "D", "E"})
        buttons.emplace_back(std::string("Gumb ") + id, "t", id);
    state.groups = {SnippetGroup("Prva", buttons, "G1"),
                    SnippetGroup("Druga", {Snippet("x", "", "X")}, "G2"),
                    SnippetGroup("Tretja", {}, "G3")};
    state.selectedGroupID = "G1";
    std::filesystem::create_directories(data);
    writeFile(data / "state.json", jsonData(state));
}

std::vector<std::string> ids(const std::vector<Snippet>& buttons) {
    std::vector<std::string> result;
    for (const auto& b : buttons)
        result.push_back(b.id);
    return result;
}

// Puts a list into the selected group through the store, as if the user had built it.
void setButtons(AppFixture& f, std::vector<Snippet> buttons) {
    f.app->store()->replaceButtons(std::move(buttons));
    f.app->refresh();
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

TEST(ButtonCommandsTest, ContextMenuEntriesFollowThePosition) {
    AppFixture f(fiveButtons);
    EXPECT_EQ(
        entries(*f.app->buttonMenu("A")),
        "Uredi…|Podvoji gumb|—|[Premakni gor]|Premakni dol|Premakni v skupino{Druga|Tretja}|—|Izbriši…");
    EXPECT_EQ(
        entries(*f.app->buttonMenu("E")),
        "Uredi…|Podvoji gumb|—|Premakni gor|[Premakni dol]|Premakni v skupino{Druga|Tretja}|—|Izbriši…");
    // One group, one button: seven entries, both moves off.
    AppFixture single;
    setButtons(single, {Snippet("samo", "", "S")});
    EXPECT_EQ(entries(*single.app->buttonMenu("S")),
              "Uredi…|Podvoji gumb|—|[Premakni gor]|[Premakni dol]|—|Izbriši…");
}

TEST(ButtonCommandsTest, ReorderMovesToTheGapAndIgnoresItsOwnGaps) {
    AppFixture f(fiveButtons);
    const std::string before = readFile(f.dataDirectory() / "state.json");
    f.app->reorder("C", 2);
    f.app->reorder("C", 3);
    EXPECT_EQ(readFile(f.dataDirectory() / "state.json"), before);
    EXPECT_EQ(f.statusText(), "Pripravljeno");

    f.app->reorder("C", 5);
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("A", "B", "D", "E", "C"));
    EXPECT_EQ(f.statusTip(), "Vrstni red je shranjen.");
    f.app->reorder("C", 0);
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("C", "A", "B", "D", "E"));
    f.app->reorder("missing", 0);
    f.app->reorder("A", 99);
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("C", "B", "D", "E", "A"));

    // Moving by one stops at the ends without a word.
    f.app->status("x", false);
    f.app->move("C", -1);
    f.app->move("A", +1);
    EXPECT_EQ(f.statusText(), "x");
    f.app->move("B", -1);
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("B", "C", "D", "E", "A"));
}

TEST(ButtonCommandsTest, DuplicateKeepsTheNameWithinTheLimit) {
    AppFixture f(fiveButtons);
    const auto letters = [](int n) {
        std::string text;
        while (n-- > 0)
            text += "č";
        return text;
    };
    const std::string longName = letters(120);
    auto buttons = f.app->state().buttons();
    buttons[1] = Snippet(longName, "besedilo", "B", "#AE608C");
    setButtons(f, buttons);

    f.app->duplicate("B");
    const auto stored = f.stored().buttons();
    ASSERT_EQ(stored.size(), 6u);
    const Snippet& copy = stored[2];
    EXPECT_EQ(copy, Snippet(letters(111) + " – kopija", "besedilo", copy.id, "#AE608C"));
    EXPECT_EQ(copy.id.size(), 36u);
    EXPECT_EQ(f.statusTip(), "Gumb je podvojen.");

    // A short name is kept whole.
    f.app->duplicate("A");
    EXPECT_EQ(f.stored().buttons()[1].name, "Gumb A – kopija");
}

TEST(ButtonCommandsTest, MoveToAnotherGroupAndDelete) {
    AppFixture f(fiveButtons);
    f.app->moveToGroup("B", "G3");
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("A", "C", "D", "E"));
    EXPECT_THAT(ids(f.stored().groups[2].buttons), ElementsAre("B"));
    EXPECT_EQ(f.stored().selectedGroupID, "G1");
    EXPECT_EQ(f.statusTip(), "Premaknjeno v Tretja.");
    f.app->moveToGroup("C", "nowhere");
    EXPECT_EQ(f.stored().buttons().size(), 4u);

    // Return cancels: "Prekliči" is the default button.
    f.dialogs.pressReturn();
    f.app->deleteButton("A");
    EXPECT_EQ(f.dialogs.shown.back().title, "Izbrišem »Gumb A«?");
    EXPECT_EQ(f.dialogs.shown.back().text, "Izbrisana bosta gumb in njegovo besedilo.");
    EXPECT_THAT(f.dialogs.shown.back().buttons, ElementsAre("Prekliči", "Izbriši"));
    EXPECT_EQ(f.stored().buttons().size(), 4u);

    f.dialogs.clickButton("Izbriši");
    f.app->deleteButton("A");
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("C", "D", "E"));
    EXPECT_EQ(f.statusTip(), "Gumb je izbrisan.");
}

TEST(ButtonCommandsTest, RefusedSaveShowsTheStoresMessageAndChangesNothing) {
    AppFixture f(fiveButtons);
    auto buttons = f.app->state().buttons();
    for (auto& b : buttons)
        b.text.assign(1'000'000, 'x');
    for (int i = 0; i < 11; ++i)
        buttons.emplace_back("več", std::string(1'000'000, 'y'));
    setButtons(f, buttons);
    const std::string before = readFile(f.dataDirectory() / "state.json");

    f.dialogs.clickButton("V redu");
    f.app->duplicate("A");
    EXPECT_EQ(f.dialogs.shown.back().title, "Shranjevanje ni uspelo");
    EXPECT_EQ(f.dialogs.shown.back().text,
              "Podatki presegajo 16 MB. Skrajšaj besedilo ali izvozi nekaj gumbov.");
    EXPECT_EQ(readFile(f.dataDirectory() / "state.json"), before);
    EXPECT_EQ(f.app->state().buttons().size(), 16u);
}

}  // namespace
}  // namespace zuna::test

namespace zuna::test {
namespace {

// Fills the editor the way a user would and presses its save button.
std::function<int(QDialog&)> fillEditor(const std::string& name, const std::string& text,
                                        int groupIndex, std::string* title = nullptr) {
    return [=](QDialog& dialog) {
        auto& editor = dynamic_cast<EditorController&>(dialog);
        if (title != nullptr) *title = editor.titleLabel()->text().toStdString();
        editor.name()->setText(QString::fromStdString(name));
        editor.text()->setPlainText(QString::fromStdString(text));
        if (groupIndex >= 0) editor.group()->setCurrentIndex(groupIndex);
        editor.save();
        return editor.result();
    };
}

TEST(EditCommandTest, SavedButtonsGoWhereTheEditorSays) {
    AppFixture f(fiveButtons);
    // A new button while the second group is chosen: at its end, and the palette follows.
    std::string title;
    f.dialogs.answer(fillEditor("  Nov gumb ", "Živjo\n\tsvet", 1, &title));
    f.app->edit(std::nullopt);
    EXPECT_EQ(title, "Nov gumb");
    SavedState stored = f.stored();
    EXPECT_EQ(stored.selectedGroupID, "G2");
    ASSERT_THAT(stored.groups[1].buttons, testing::SizeIs(2));
    EXPECT_EQ(stored.groups[1].buttons[1].name, "Nov gumb");
    EXPECT_EQ(stored.groups[1].buttons[1].text, "Živjo\n\tsvet");
    EXPECT_EQ(f.statusTip(), "Shranjeno · Nov gumb");
    EXPECT_FALSE(f.app->modalOpen());

    // An existing button, group unchanged: in place.
    f.app->selectGroup("G1");
    f.dialogs.answer(fillEditor("Tretji", "novo", -1, &title));
    f.app->edit("C");
    EXPECT_EQ(title, "Uredi gumb");
    EXPECT_THAT(ids(f.stored().buttons()), ElementsAre("A", "B", "C", "D", "E"));
    EXPECT_EQ(f.stored().buttons()[2].name, "Tretji");

    // Another group chosen: moved to its end, and the palette switches there.
    f.dialogs.answer(fillEditor("Tretji", "novo", 2));
    f.app->edit("C");
    stored = f.stored();
    EXPECT_THAT(ids(stored.groups[0].buttons), ElementsAre("A", "B", "D", "E"));
    EXPECT_THAT(ids(stored.groups[2].buttons), ElementsAre("C"));
    EXPECT_EQ(stored.selectedGroupID, "G3");
}

TEST(EditCommandTest, RefusedSaveKeepsTheEditorOpenAndCancelChangesNothing) {
    AppFixture f(fiveButtons);
    std::filesystem::remove(f.dataDirectory() / "state.json");
    std::filesystem::create_directory(f.dataDirectory() / "state.json");
    std::string error;
    f.dialogs.answer([&](QDialog& dialog) {
        auto& editor = dynamic_cast<EditorController&>(dialog);
        editor.name()->setText("X");
        editor.save();
        error = editor.error()->text().toStdString();
        EXPECT_EQ(editor.error()->toolTip().toStdString(), "state.json: Is a directory");
        EXPECT_EQ(editor.name()->text().toStdString(), "X");
        editor.cancel();
        return editor.result();
    });
    f.app->edit("A");
    EXPECT_EQ(error, "Shranjevanje ni uspelo. Poskusi znova.");
    EXPECT_EQ(f.app->state().buttons()[0].name, "Gumb A");

    // No second editor while one is open.
    std::filesystem::remove(f.dataDirectory() / "state.json");
    int editors = 0;
    f.dialogs.whileOpen = [&] {
        ++editors;
        f.app->edit("B");
    };
    f.dialogs.answer([](QDialog& dialog) {
        dynamic_cast<EditorController&>(dialog).cancel();
        return dialog.result();
    });
    f.app->edit(std::nullopt);
    EXPECT_EQ(editors, 1);
    EXPECT_FALSE(std::filesystem::exists(f.dataDirectory() / "state.json"));
}

}  // namespace
}  // namespace zuna::test
