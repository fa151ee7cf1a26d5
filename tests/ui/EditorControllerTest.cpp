#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include "UiTestSupport.h"
#include "model/Errors.h"
#include "ui/ColorChoice.h"
#include "ui/EditorController.h"
#include "ui/SnippetButton.h"
#include "ui/SnippetTextEdit.h"

namespace zuna::test {
namespace {

const char* const kNameMessage = "Vnesi ime gumba (največ 120 znakov).";

std::string repeat(std::string_view part, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += part;
    return out;
}

struct Saved {
    Snippet snippet;
    std::string groupID;
};

// An editor over three groups (two of one name) whose save callback writes down what it got.
struct Editing {
    explicit Editing(std::optional<Snippet> existing = std::nullopt,
                     const std::string& selected = "G-1")
        : editor(std::move(existing),
                 {SnippetGroup("Splošno", {}, "G-1"), SnippetGroup("Stranke", {}, "G-2"),
                  SnippetGroup("Stranke", {}, "G-3")},
                 selected) {
        editor.setOnSave([this](const Snippet& snippet, const std::string& groupID) {
            if (failure) throw ZunaError(*failure);
            saved.push_back({snippet, groupID});
        });
    }
    void showActive() {
        editor.show();
        editor.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    }
    // Key presses carrying the characters, as a keyboard layout delivers them.
    static void type(QWidget* into, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(into, &press);
        }
    }

    EditorController editor;
    std::vector<Saved> saved;
    std::optional<std::string> failure;
};

TEST(EditorControllerTest, NewButtonHasEveryControlAtItsFrame) {
    Editing e;
    EditorController& editor = e.editor;
    EXPECT_EQ(editor.size(), QSize(410, 528));
    EXPECT_EQ(editor.windowTitle(), "Nov gumb");
    const std::vector<std::pair<QWidget*, QRect>> frames = {
        {editor.titleLabel(), {24, 12, 360, 30}},   {editor.name(), {24, 104, 224, 30}},
        {editor.group(), {260, 103, 130, 32}},      {editor.text(), {24, 175, 362, 145}},
        {editor.choices()[7], {276, 382, 30, 30}},  {editor.customColor(), {323, 383, 63, 28}},
        {editor.previewHost(), {24, 426, 362, 28}}, {editor.preview(), {0, 0, 362, 28}},
        {editor.error(), {24, 454, 362, 20}},       {editor.saveButton(), {292, 483, 94, 30}}};
    for (const auto& [widget, frame] : frames)
        EXPECT_EQ(widget->geometry(), frame) << widget->metaObject()->className();
    EXPECT_EQ(editor.selectedColor(), "#405875");
    EXPECT_TRUE(editor.choices()[0]->selected());

    // The preview is an inert snippet button that follows the untrimmed name and the text.
    EXPECT_EQ(editor.preview()->snippet().name, "Predogled gumba");
    EXPECT_FALSE(editor.preview()->isEnabled());
    e.type(editor.name(), QStringLiteral(" Podpis "));
    EXPECT_EQ(editor.preview()->snippet().name, " Podpis ");
    EXPECT_FALSE(editor.preview()->filled());
    e.type(editor.text(), QStringLiteral("x"));
    EXPECT_TRUE(editor.preview()->filled());
}

TEST(EditorControllerTest, ExistingButtonOpensWithItsValuesAndGroupsPickByPosition) {
    Editing e(Snippet("Podpis", "Lep pozdrav", "S-1", "#ae608c"), "G-3");
    EXPECT_EQ(e.editor.windowTitle(), "Uredi gumb");
    EXPECT_EQ(e.editor.textValue(), "Lep pozdrav");
    EXPECT_EQ(e.editor.group()->currentIndex(), 2);
    EXPECT_EQ(e.editor.selectedColor(), "#ae608c");  // kept as stored
    EXPECT_TRUE(e.editor.choices()[3]->selected());

    // An unknown group selects the first; of two groups with one name, the item picks.
    Editing unknown(std::nullopt, "G-9");
    EXPECT_EQ(unknown.editor.group()->currentIndex(), 0);
    unknown.editor.group()->setCurrentIndex(2);
    unknown.editor.name()->setText(QStringLiteral("Račun"));
    unknown.editor.save();
    ASSERT_EQ(unknown.saved.size(), 1u);
    EXPECT_EQ(unknown.saved[0].groupID, "G-3");
}

TEST(EditorControllerTest, TabIsTextInTheTextAndControlTabMovesOn) {
    Editing e;
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    EditorController& editor = e.editor;
    EXPECT_EQ(QApplication::focusWidget(), editor.name());
    QTest::keyClick(editor.name(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), editor.text());
    QTest::keyClick(editor.text(), Qt::Key_Tab);
    EXPECT_EQ(editor.textValue(), "\t");
    QTest::keyClick(editor.text(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), editor.group());
    QTest::keyClick(editor.group(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), editor.customColor());
    editor.text()->setFocus();
    QTest::keyClick(editor.text(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), editor.name());
    EXPECT_EQ(editor.textValue(), "\t");
}

TEST(EditorControllerTest, SaveChecksNameAndTextAtTheirLimits) {
    Editing e;
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    EditorController& editor = e.editor;
    const auto refused = [&](const char* message) {
        editor.save();
        EXPECT_EQ(editor.error()->text().toStdString(), message);
        EXPECT_TRUE(editor.isVisible());
        EXPECT_TRUE(e.saved.empty());
    };
    editor.text()->setFocus();
    editor.name()->setText(QString::fromUtf8(" \t\u00a0\u3000 "));
    refused(kNameMessage);
    EXPECT_EQ(QApplication::focusWidget(), editor.name());
    // 121 characters, the last a letter with a combining mark (two code points, one character).
    editor.name()->setText(QString::fromStdString(repeat("ž", 120) + "e\u0301"));
    refused(kNameMessage);
    e.type(editor.name(), QStringLiteral("x"));  // typing clears the line
    EXPECT_TRUE(editor.error()->text().isEmpty());

    editor.name()->setText(QString::fromStdString(" " + repeat("ž", 119) + "e\u0301\u00a0\n"));
    // 16,384 lines of 64 bytes: 1,048,576 bytes; one more is too many.
    editor.text()->setPlainText(QString::fromStdString(repeat(repeat("č", 31) + "a\n", 16'384)));
    editor.text()->moveCursor(QTextCursor::End);
    e.type(editor.text(), QStringLiteral("x"));
    refused("Besedilo je predolgo (največ 1 MB).");
    QTest::keyClick(editor.text(), Qt::Key_Backspace);
    editor.save();
    ASSERT_EQ(e.saved.size(), 1u);
    EXPECT_EQ(e.saved[0].snippet.name, repeat("ž", 119) + "e\u0301");
    EXPECT_EQ(e.saved[0].snippet.text.size(), 1'048'576u);
    EXPECT_EQ(e.saved[0].snippet.id.size(), 36u);
    EXPECT_EQ(e.saved[0].groupID, "G-1");
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.result(), 1);
}

TEST(EditorControllerTest, FailedStoreKeepsWindowAndInput) {
    Editing e(Snippet("Podpis", "Lep pozdrav", "S-1", "#405875"));
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    e.failure = "Disk je poln.";
    e.editor.group()->setCurrentIndex(1);
    e.editor.text()->moveCursor(QTextCursor::End);
    e.type(e.editor.text(), QStringLiteral(" in hvala"));
    e.editor.save();
    EXPECT_EQ(e.editor.error()->text(), "Shranjevanje ni uspelo. Poskusi znova.");
    EXPECT_EQ(e.editor.error()->toolTip(), "Disk je poln.");
    EXPECT_TRUE(e.editor.isVisible());
    EXPECT_EQ(e.editor.textValue(), "Lep pozdrav in hvala");

    e.failure.reset();
    QTimer::singleShot(0, &e.editor, [&] { QTest::keyClick(e.editor.name(), Qt::Key_Return); });
    EXPECT_EQ(e.editor.exec(), 1);
    ASSERT_EQ(e.saved.size(), 1u);
    EXPECT_EQ(e.saved[0].snippet, Snippet("Podpis", "Lep pozdrav in hvala", "S-1", "#405875"));
    EXPECT_EQ(e.saved[0].groupID, "G-2");
}

TEST(EditorControllerTest, EscapeCloseAndCancelEndWithZeroWithoutSaving) {
    const std::vector<std::function<void(EditorController&)>> ways = {
        [](EditorController& editor) { QTest::keyClick(editor.name(), Qt::Key_Escape); },
        [](EditorController& editor) { QTest::keyClick(editor.text(), Qt::Key_Escape); },
        [](EditorController& editor) { editor.close(); },
        [](EditorController& editor) { editor.cancelButton()->click(); },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        Editing e(Snippet("Podpis", "Lep pozdrav", "S-1", "#405875"));
        QTimer::singleShot(0, &e.editor, [&] {
            e.type(e.editor.name(), QStringLiteral("x"));
            ways[i](e.editor);
        });
        EXPECT_EQ(e.editor.exec(), 0) << i;
        EXPECT_TRUE(e.saved.empty()) << i;
    }
}

TEST(EditorControllerTest, ColourChoiceSwatchesAndCustomColour) {
    ThemeScope light(AppTheme::light);
    Editing e;
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    EditorController& editor = e.editor;
    Pointer(&editor).click(centreInWindow(editor.choices()[4]));
    EXPECT_EQ(editor.selectedColor(), "#B4654F");
    EXPECT_FALSE(editor.choices()[0]->selected());
    EXPECT_EQ(editor.preview()->snippet().color, "#B4654F");

    editor.openColorPicker();
    QColorDialog* panel = editor.colorPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->currentColor(), rgb("#B4654F"));
    // Every change is taken at once; a colour of no swatch marks none and tints the button.
    panel->setCurrentColor(QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(editor.selectedColor(), "#123456");
    EXPECT_FALSE(editor.choices()[4]->selected());
    const QColor tint = rgb(Theme::surface().mixed(Color::fromHex("#123456"), 0.25));
    EXPECT_PRED3(near, snapshot(editor.customColor()).pixelColor(6, 14), tint, 3);

    // Once the editor has ended, the dialog neither shows nor reports.
    editor.finish(0);
    EXPECT_FALSE(panel->isVisible());
    panel->setCurrentColor(QColor(0x40, 0x58, 0x75));
    EXPECT_EQ(editor.selectedColor(), "#123456");

    // Beside the editor, tops aligned; 12 inside the right and bottom edges; never past the left.
    const QRect visible(0, 30, 1600, 870);
    const QSize size(300, 400);
    EXPECT_EQ(EditorController::colorPanelPosition(visible, {100, 100, 410, 560}, size),
              QPoint(522, 100));
    EXPECT_EQ(EditorController::colorPanelPosition(visible, {1100, 600, 410, 560}, size),
              QPoint(1288, 488));
    EXPECT_EQ(EditorController::colorPanelPosition({0, 0, 200, 900}, {0, 0, 410, 560}, size),
              QPoint(12, 0));
}

// Line breaks of every kind, tabs, non-breaking spaces, a line separator, the two characters
// a text document reads as frame marks, a control character and a NUL.
std::string trickyText() {
    return std::string(
               "Spoštovani,\r\n\tčšž ČŠŽ đ\u00a0ć\r\nvrstica\rdruga\nčetrta\u2028ista"
               "\u2029peta\uFDD0šesta\uFDD1sedma\x01 ") +
           std::string("\0", 1) + "\r\n\r\n";
}

TEST(EditorControllerTest, TextsRoundTripExactly) {
    Editing e(Snippet(" Dr.\u00a0Novak", trickyText(), "S-1", "#405875"));
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    QPlainTextEdit* text = e.editor.text();
    EXPECT_EQ(e.editor.textValue(), trickyText());
    EXPECT_EQ(e.editor.nameValue(), " Dr.\u00a0Novak");
    // Changed and changed back; cut and pasted back.
    text->moveCursor(QTextCursor::End);
    e.type(text, QStringLiteral("x"));
    QTest::keyClick(text, Qt::Key_Backspace);
    text->selectAll();
    text->cut();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), trickyText());
    text->paste();
    EXPECT_EQ(e.editor.textValue(), trickyText());

    // A long line without spaces is not wrapped, which would take minutes at 1 MB.
    QApplication::clipboard()->setText(QString(20'000, u'x'));
    text->paste();
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);

    // Joining two lines keeps the break that ended the second; typed breaks follow the text:
    // "\n" in a mixed one, "\r\n" in one written with "\r\n" only.
    Editing lines(Snippet("Vrstice", "ena\r\ndve\ntri", "S-2", "#405875"));
    QTextCursor cursor = lines.editor.text()->textCursor();
    cursor.setPosition(4);  // the start of "dve"
    lines.editor.text()->setTextCursor(cursor);
    QTest::keyClick(lines.editor.text(), Qt::Key_Backspace);
    QTest::keyClick(lines.editor.text(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(lines.editor.textValue(), "ena\ndve\ntri");
    Editing windows(Snippet("Okna", "ena\r\ndve", "S-3", "#405875"));
    windows.editor.text()->moveCursor(QTextCursor::End);
    QTest::keyClick(windows.editor.text(), Qt::Key_Return);
    EXPECT_EQ(windows.editor.textValue(), "ena\r\ndve\r\n");

    // What an input method commits (a dead key or a compose sequence) arrives as composed.
    Editing typed;
    for (QWidget* field :
         std::initializer_list<QWidget*>{typed.editor.name(), typed.editor.text()}) {
        QInputMethodEvent preedit(QStringLiteral("ˇ"), {});
        QApplication::sendEvent(field, &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("č"));
        QApplication::sendEvent(field, &commit);
        typed.type(field, QStringLiteral("š"));
    }
    typed.editor.save();
    ASSERT_EQ(typed.saved.size(), 1u);
    EXPECT_EQ(typed.saved[0].snippet.name, "čš");
    EXPECT_EQ(typed.saved[0].snippet.text, "čš");
}

TEST(EditorControllerTest, DrawsInEveryThemeFromItsColours) {
    QDir().mkpath(ZUNA_SCREENSHOT_DIR);
    for (AppTheme theme : AppTheme::allCases) {
        ThemeScope scope(theme);
        Editing e(Snippet("Podpis", "Lep pozdrav,\nŽiga Čeh\tZuna", "S-1", "#7161ad"));
        e.editor.show();
        const QImage image = snapshot(&e.editor);
        image.save(QStringLiteral(ZUNA_SCREENSHOT_DIR "/editor-%1.png")
                       .arg(QString::fromUtf8(theme.rawValue())));
        EXPECT_PRED3(near, image.pixelColor(5, 5), rgb(Theme::canvas()), 1);
        EXPECT_PRED3(near, image.pixelColor(380, 300), rgb(Theme::surface()), 1);
        // The preview in the button's colour as the palette draws it; the swatch's disc.
        const Color base = theme == AppTheme::light
                               ? Color::fromHex("#7161AD").mixed(Color::white(), 0.64)
                               : Color::fromHex("#7161AD");
        EXPECT_PRED3(near, image.pixelColor(300, 440), rgb(base), 3);
        EXPECT_PRED3(near, image.pixelColor(24 + 72 + 8, 382 + 15), rgb("#7161AD"), 3);
    }
}

}  // namespace
}  // namespace zuna::test
