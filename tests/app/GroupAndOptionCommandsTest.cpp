#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <tuple>

#include "AppTestSupport.h"
#include "StoreTestSupport.h"
#include "model/ExchangeFiles.h"
#include "model/JsonData.h"
#include "ui/NameDialog.h"
#include "ui/PaletteView.h"

namespace zuna::test {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;
using testing::SizeIs;

std::function<void(const std::filesystem::path&)> groupsNamed(std::vector<std::string> names,
                                                              std::size_t selected = 0) {
    return [names, selected](const std::filesystem::path& data) {
        SavedState state;
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::vector<Snippet> buttons;
            for (std::size_t b = 0; b < i; ++b) {
                buttons.emplace_back("Gumb " + std::to_string(b), "t",
                                     "B" + std::to_string(i) + std::to_string(b));
            }
            state.groups.emplace_back(names[i], buttons, "G" + std::to_string(i + 1));
        }
        state.selectedGroupID = state.groups[selected].id;
        std::filesystem::create_directories(data);
        writeFile(data / "state.json", jsonData(state));
    };
}

std::vector<std::string> groupNames(const SavedState& state) {
    std::vector<std::string> names;
    for (const auto& g : state.groups)
        names.push_back(g.name);
    return names;
}

// Types into the name dialog and presses its button.
std::function<int(QDialog&)> typeName(const std::string& name, bool save = true,
                                      std::string* seen = nullptr) {
    return [=](QDialog& dialog) {
        auto& nameDialog = dynamic_cast<NameDialog&>(dialog);
        if (seen != nullptr) *seen = nameDialog.name().toStdString();
        if (!name.empty() || save) nameDialog.field()->setText(QString::fromStdString(name));
        (save ? nameDialog.saveButton() : nameDialog.cancelButton())->click();
        return dialog.result();
    };
}

TEST(GroupCommandsTest, MenuMarksTheSelectedGroupAndKeepsTheLimits) {
    AppFixture five(groupsNamed({"A", "B", "C", "D", "E"}, 2));
    auto menu = five.app->groupMenu();
    std::vector<std::string> checked;
    for (QAction* a : menu->actions()) {
        if (a->isChecked()) checked.push_back(a->text().toStdString());
    }
    EXPECT_THAT(checked, ElementsAre("C"));
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 9);
    EXPECT_FALSE(actions[6]->isEnabled());  // Nova skupina…
    EXPECT_TRUE(actions[7]->isEnabled());
    EXPECT_TRUE(actions[8]->isEnabled());
    five.app->editGroup(true);  // silently refused at five
    EXPECT_TRUE(five.dialogs.shown.empty());

    AppFixture one;
    auto single = one.app->groupMenu();
    EXPECT_TRUE(single->actions()[2]->isEnabled());
    EXPECT_FALSE(single->actions()[4]->isEnabled());  // Izbriši skupino…
    one.app->deleteGroup();
    EXPECT_THAT(one.stored().groups, SizeIs(1));
}

TEST(GroupCommandsTest, NewGroupNameIsTrimmedAndAskedAgainWhenTooLong) {
    AppFixture f(groupsNamed({"Prva", "Druga"}));
    std::string tooLong;
    for (int i = 0; i < 41; ++i)
        tooLong += "ž";
    std::string seenSecondTime;
    f.dialogs.answer(typeName(tooLong));
    f.dialogs.clickButton("V redu");
    f.dialogs.answer(typeName("  Služba \t", true, &seenSecondTime));
    f.app->editGroup(true);

    ASSERT_THAT(f.dialogs.shown, SizeIs(3));
    EXPECT_EQ(f.dialogs.shown[0].title, "Nova skupina");
    EXPECT_EQ(f.dialogs.shown[0].text,
              "Poimenuj zbirko svojih gumbov. Ustvariš lahko do 5 skupin.");
    EXPECT_EQ(f.dialogs.shown[1].title, "Preveri ime");
    EXPECT_EQ(f.dialogs.shown[1].text, "Ime skupine sme imeti od 1 do 40 znakov.");
    EXPECT_EQ(seenSecondTime, tooLong);
    const SavedState stored = f.stored();
    EXPECT_THAT(groupNames(stored), ElementsAre("Prva", "Druga", "Služba"));
    EXPECT_EQ(stored.selectedGroupID, stored.groups[2].id);
    EXPECT_EQ(f.app->view()->rowCount(), 0u);
    EXPECT_EQ(f.statusTip(), "Skupina je shranjena.");

    // Renaming keeps identity, place and buttons; cancelling changes nothing.
    f.app->selectGroup("G2");
    f.dialogs.answer(typeName("Delo"));
    f.app->editGroup(false);
    EXPECT_THAT(groupNames(f.stored()), ElementsAre("Prva", "Delo", "Služba"));
    EXPECT_EQ(f.stored().groups[1].id, "G2");
    EXPECT_THAT(f.stored().groups[1].buttons, SizeIs(1));
    f.dialogs.answer(typeName("Nič", false));
    f.app->editGroup(false);
    EXPECT_THAT(groupNames(f.stored()), ElementsAre("Prva", "Delo", "Služba"));
}

TEST(GroupCommandsTest, DeletingAGroupAsksBacksUpAndSelectsTheFirst) {
    AppFixture f(groupsNamed({"Prva", "Druga", "Tretja"}, 1));
    f.dialogs.pressReturn();
    f.app->deleteGroup();
    EXPECT_EQ(f.dialogs.shown[0].title, "Izbrišem skupino »Druga«?");
    EXPECT_EQ(
        f.dialogs.shown[0].text,
        "Izbrisana bo skupina in vsi njeni gumbi (1). Pred izbrisom se shrani varnostna kopija.");
    EXPECT_EQ(f.dialogs.shown[0].defaultButton, "Prekliči");
    EXPECT_THAT(f.stored().groups, SizeIs(3));

    f.dialogs.clickButton("Izbriši skupino");
    f.app->deleteGroup();
    EXPECT_THAT(groupNames(f.stored()), ElementsAre("Prva", "Tretja"));
    EXPECT_EQ(f.stored().selectedGroupID, "G1");
    EXPECT_EQ(f.statusTip(), "Skupina je izbrisana.");
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
    EXPECT_EQ(f.dialogs.shown.back().text, "data: Not a directory");
    EXPECT_THAT(f.app->state().groups, SizeIs(2));
}

TEST(GroupCommandsTest, SwitchingScrollsToTheTop) {
    AppFixture f(groupsNamed({"Prva", "Druga"}));
    f.app->selectGroup("G2");
    EXPECT_EQ(f.stored().selectedGroupID, "G2");
    EXPECT_EQ(f.app->view()->rowCount(), 1u);
    EXPECT_EQ(f.app->view()->scroll()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(f.statusTip(), "Pripravljeno");
    f.dialogs.clickButton("V redu");
    f.app->selectGroup("missing");
    EXPECT_EQ(f.dialogs.shown.back().text, "Izbrana skupina ne obstaja.");
    EXPECT_EQ(f.stored().selectedGroupID, "G2");
}

TEST(OptionCommandsTest, ExportWritesTheChosenKind) {
    AppFixture f(groupsNamed({"Prva", "Druga"}, 1));
    const auto buttonsPath = f.dir.path() / "gumbi.zuna.json";
    f.dialogs.chooseFile(buttonsPath.string());
    {
        // A file the user passes on: the usual mode under the umask, not the data folder's 0600.
        ScopedUmask usual(022);
        f.app->exportData(false);
    }
    EXPECT_EQ(std::filesystem::status(buttonsPath).permissions(),
              std::filesystem::perms(0644));
    EXPECT_THAT(f.dialogs.proposedNames, ElementsAre("Zuna-Trep-gumbi.zuna.json"));
    EXPECT_THAT(f.dialogs.fileTitles, ElementsAre("Izvozi trenutno skupino"));
    EXPECT_EQ(ButtonFile::read(buttonsPath).buttons, f.app->state().buttons());
    EXPECT_EQ(f.statusTip(), "Izvoz je shranjen.");

    const auto groupsPath = f.dir.path() / "skupine.zuna.json";
    f.dialogs.chooseFile(groupsPath.string());
    f.app->exportData(true);
    EXPECT_EQ(f.dialogs.proposedNames.back(), "Zuna-Trep-skupine.zuna.json");
    EXPECT_EQ(GroupFile::read(groupsPath).groups, f.app->state().groups);

    // Cancelled: nothing; into a directory: the alert.
    f.dialogs.chooseFile("");
    f.app->exportData(true);
    f.dialogs.chooseFile(f.dir.path().string());
    f.dialogs.clickButton("V redu");
    f.app->exportData(true);
    EXPECT_EQ(f.dialogs.shown.back().title, "Izvoz ni uspel");
}

TEST(OptionCommandsTest, ImportAsksThenAddsOrReplacesAndRefusalsChangeNothing) {
    AppFixture f(groupsNamed({"Prva", "Druga"}));
    const auto file = f.dir.path() / "uvoz.zuna.json";

    // A group file of four groups: added to two it would be six.
    std::vector<SnippetGroup> four;
    for (int i = 0; i < 4; ++i)
        four.emplace_back("Uvoz " + std::to_string(i));
    writeFile(file, GroupFile(four).data());
    const Snapshot before = snapshot(f.dataDirectory());
    f.dialogs.chooseFile(file.string());
    f.dialogs.pressReturn();
    f.dialogs.clickButton("V redu");
    f.app->importData();
    ASSERT_THAT(f.dialogs.shown, SizeIs(2));
    EXPECT_EQ(f.dialogs.shown[0].title, "Uvoz skupin: 4");
    EXPECT_EQ(f.dialogs.shown[0].defaultButton, "Dodaj");
    EXPECT_THAT(f.dialogs.shown[0].buttons,
                ElementsAre("Dodaj", "Zamenjaj vse skupine", "Prekliči"));
    EXPECT_EQ(f.dialogs.shown[1].title, "Uvoz ni uspel");
    EXPECT_EQ(
        f.dialogs.shown[1].text,
        "Obstoječi podatki ostajajo. Skupaj bi bilo več kot 5 skupin. Izberi zamenjavo vseh ali najprej odstrani prazno skupino.");
    EXPECT_EQ(snapshot(f.dataDirectory()), before);

    // Replacing all takes them.
    f.dialogs.chooseFile(file.string());
    f.dialogs.clickButton("Zamenjaj vse skupine");
    f.app->importData();
    EXPECT_THAT(groupNames(f.stored()), ElementsAre("Uvoz 0", "Uvoz 1", "Uvoz 2", "Uvoz 3"));
    EXPECT_EQ(f.statusTip(), "Uvoz je končan.");

    // A button file goes to the selected group; the third button cancels.
    writeFile(file, ButtonFile({Snippet("Nov", "besedilo")}).data());
    f.dialogs.chooseFile(file.string());
    f.dialogs.clickButton("Prekliči");
    f.app->importData();
    EXPECT_EQ(f.dialogs.shown.back().title, "Uvoz gumbov: 1");
    EXPECT_THAT(f.stored().buttons(), SizeIs(0));
    f.dialogs.chooseFile(file.string());
    f.dialogs.clickButton("Dodaj");
    f.app->importData();
    EXPECT_THAT(f.stored().buttons(), SizeIs(1));

    // Anything that is not an object with "version" 2 is read as buttons, and refused before
    // any question.
    writeFile(file, "[1, 2, 3]");
    f.dialogs.chooseFile(file.string());
    f.dialogs.clickButton("V redu");
    const auto shownBefore = f.dialogs.shown.size();
    f.app->importData();
    ASSERT_EQ(f.dialogs.shown.size(), shownBefore + 1);
    EXPECT_EQ(f.dialogs.shown.back().title, "Uvoz ni uspel");
    EXPECT_THAT(f.dialogs.shown.back().text, HasSubstr("Obstoječi podatki ostajajo. "));
}

// Start at login: the program's own entry comes and goes; one written by someone else is only
// replaced or removed when the user says so.
TEST(OptionCommandsTest, StartAtLoginWritesAndRemovesOnlyItsOwnEntryUnasked) {
    AppFixture f;
    const auto entry = f.dir.path() / "config" / "autostart" / "zuna-trep.desktop";
    const auto loginItem = [&] {
        const auto menu = f.app->optionsMenu();
        for (QAction* action : menu->actions()) {
            if (action->text() == "Zaženi ob prijavi") return action->isChecked();
        }
        ADD_FAILURE() << "no start-at-login entry";
        return false;
    };
    EXPECT_FALSE(loginItem());
    f.app->toggleAutostart();
    EXPECT_THAT(readFile(entry), HasSubstr("\nExec=\"" + QCoreApplication::applicationFilePath().toStdString() + "\"\n"));
    EXPECT_TRUE(loginItem());
    EXPECT_EQ(f.statusTip(), "Zuna Trep se bo zagnal ob prijavi.");
    f.app->toggleAutostart();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(f.statusTip(), "Zuna Trep se ob prijavi ne bo več zagnal.");
    EXPECT_TRUE(f.dialogs.shown.empty());

    const std::vector<std::tuple<std::string, std::string, bool>> handWritten{
        {"[Desktop Entry]\nExec=moj-zagon\n", "Odstrani", false},
        {"[Desktop Entry]\nExec=moj-zagon\nHidden=true\n", "Zamenjaj", true},
    };
    for (const auto& [content, yes, enabledAfter] : handWritten) {
        SCOPED_TRACE(yes);
        writeFile(entry, content);
        EXPECT_EQ(loginItem(), !enabledAfter);
        f.dialogs.clickButton("Prekliči");
        f.app->toggleAutostart();
        EXPECT_EQ(f.dialogs.shown.back().title, "Vnos za samodejni zagon ni od Zuna Trep");
        EXPECT_EQ(f.dialogs.shown.back().defaultButton, "Prekliči");
        EXPECT_EQ(readFile(entry), content);
        f.dialogs.clickButton(yes);
        f.app->toggleAutostart();
        EXPECT_EQ(std::filesystem::exists(entry), enabledAfter);
        EXPECT_EQ(loginItem(), enabledAfter);
    }
}

TEST(OptionCommandsTest, HelpAndFileCommandsWhileADialogRuns) {
    AppFixture f;
    f.dialogs.clickButton("V redu");
    f.app->help();
    EXPECT_EQ(f.dialogs.shown.back().title, "Zuna Trep · 1.3");
    EXPECT_THAT(f.dialogs.shown.back().text, HasSubstr("Klikni polje v drugi aplikaciji"));

    std::size_t filesAsked = 0;
    f.dialogs.whileOpen = [&] {
        f.app->exportData(true);
        f.app->importData();
        filesAsked = f.dialogs.fileTitles.size();
    };
    f.dialogs.clickButton("V redu");
    f.app->alert("a", "b");
    EXPECT_EQ(filesAsked, 0u);
}

}  // namespace
}  // namespace zuna::test
