#include <gmock/gmock.h>
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
const char* const kTextMessage = "Besedilo je predolgo (največ 1 MB).";
const char* const kStoreMessage = "Shranjevanje ni uspelo. Poskusi znova.";

std::string repeat(std::string_view part, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += part;
    return out;
}

std::vector<SnippetGroup> threeGroups() {
    return {SnippetGroup("Splošno", {}, "G-1"), SnippetGroup("Stranke", {}, "G-2"),
            SnippetGroup("Stranke", {}, "G-3")};
}

struct Saved {
    Snippet snippet;
    std::string groupID;
};

// An editor whose save callback writes down what it was given.
struct Editing {
    explicit Editing(std::optional<Snippet> existing = std::nullopt,
                     const std::string& selected = "G-1")
        : editor(std::move(existing), threeGroups(), selected) {
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
    EXPECT_EQ(editor.titleLabel()->text(), "Nov gumb");
    const std::vector<std::pair<QWidget*, QRect>> frames = {
        {editor.titleLabel(), {24, 12, 360, 30}},   {editor.name(), {24, 104, 224, 30}},
        {editor.group(), {260, 103, 130, 32}},      {editor.text(), {24, 175, 362, 145}},
        {editor.customColor(), {323, 383, 63, 28}}, {editor.previewHost(), {24, 426, 362, 28}},
        {editor.error(), {24, 454, 362, 20}},       {editor.cancelButton(), {190, 483, 94, 30}},
        {editor.saveButton(), {292, 483, 94, 30}}};
    for (const auto& [widget, frame] : frames)
        EXPECT_EQ(widget->geometry(), frame) << widget->metaObject()->className();
    ASSERT_EQ(editor.choices().size(), 8u);
    for (std::size_t i = 0; i < 8; ++i) {
        const ColorChoice* swatch = editor.choices()[i];
        EXPECT_EQ(swatch->geometry(), QRect(24 + 36 * static_cast<int>(i), 382, 30, 30));
        EXPECT_EQ(swatch->hex(), Theme::colors[i]);
        EXPECT_EQ(swatch->selected(), i == 0);
    }
    EXPECT_EQ(editor.selectedColor(), "#405875");
    EXPECT_EQ(editor.group()->count(), 3);

    // The preview is a real snippet button filling its host, and inert.
    const SnippetButton* preview = editor.preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->parentWidget(), editor.previewHost());
    EXPECT_EQ(preview->geometry(), QRect(0, 0, 362, 28));
    EXPECT_EQ(preview->snippet().name, "Predogled gumba");
    EXPECT_FALSE(preview->isEnabled());
    e.type(editor.name(), QStringLiteral(" Podpis "));
    EXPECT_EQ(editor.preview()->snippet().name, " Podpis ");  // not trimmed
    EXPECT_FALSE(editor.preview()->filled());
    e.type(editor.text(), QStringLiteral("x"));
    EXPECT_TRUE(editor.preview()->filled());
}

TEST(EditorControllerTest, ExistingButtonOpensWithItsValuesAndGroupsPickByPosition) {
    Editing e(Snippet("Podpis", "Lep pozdrav", "S-1", "#ae608c"), "G-3");
    EXPECT_EQ(e.editor.windowTitle(), "Uredi gumb");
    EXPECT_EQ(e.editor.name()->text(), "Podpis");
    EXPECT_EQ(e.editor.textValue(), "Lep pozdrav");
    EXPECT_EQ(e.editor.group()->currentIndex(), 2);
    EXPECT_EQ(e.editor.selectedColor(), "#ae608c");  // kept as stored
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(e.editor.choices()[i]->selected(), i == 3) << i;

    // An unknown group selects the first; of two groups with one name, the item picks.
    Editing unknown(std::nullopt, "G-9");
    EXPECT_EQ(unknown.editor.group()->currentIndex(), 0);
    unknown.editor.group()->setCurrentIndex(2);
    unknown.editor.name()->setText(QStringLiteral("Račun"));
    unknown.editor.save();
    ASSERT_EQ(unknown.saved.size(), 1u);
    EXPECT_EQ(unknown.saved[0].groupID, "G-3");
}

TEST(EditorControllerTest, KeyboardOrderIsNameTextGroupCustomColour) {
    Editing e;
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    EditorController& editor = e.editor;
    EXPECT_EQ(QApplication::focusWidget(), editor.name());
    QTest::keyClick(editor.name(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), editor.text());
    // Tab is text here; Control+Tab moves on.
    QTest::keyClick(editor.text(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), editor.text());
    EXPECT_EQ(editor.textValue(), "\t");
    QTest::keyClick(editor.text(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), editor.group());
    QTest::keyClick(editor.group(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), editor.customColor());
    QTest::keyClick(editor.customColor(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), editor.name());
    QTest::keyClick(editor.name(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), editor.customColor());
    for (Qt::KeyboardModifiers modifiers :
         {Qt::KeyboardModifiers(Qt::ShiftModifier), Qt::ControlModifier | Qt::ShiftModifier}) {
        editor.text()->setFocus();
        QTest::keyClick(editor.text(), Qt::Key_Backtab, modifiers);
        EXPECT_EQ(QApplication::focusWidget(), editor.name());
    }
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

    refused(kNameMessage);
    editor.text()->setFocus();
    editor.name()->setText(QString::fromUtf8(" \t\u00a0\u3000 "));
    refused(kNameMessage);
    EXPECT_EQ(QApplication::focusWidget(), editor.name());
    // 121 characters, the last a letter with a combining mark (two code points, one character).
    editor.name()->setText(QString::fromStdString(repeat("ž", 120) + "e\u0301"));
    refused(kNameMessage);
    // Typing clears the line.
    e.type(editor.name(), QStringLiteral("x"));
    EXPECT_TRUE(editor.error()->text().isEmpty());

    editor.name()->setText(QString::fromStdString(" " + repeat("ž", 119) + "e\u0301\u00a0\n"));
    // 16,384 lines of 64 bytes: 1,048,576 bytes; one more is too many.
    editor.text()->setPlainText(QString::fromStdString(repeat(repeat("č", 31) + "a\n", 16'384)));
    editor.text()->moveCursor(QTextCursor::End);
    e.type(editor.text(), QStringLiteral("x"));
    refused(kTextMessage);
    QTest::keyClick(editor.text(), Qt::Key_Backspace);
    editor.save();
    ASSERT_EQ(e.saved.size(), 1u);
    EXPECT_EQ(e.saved[0].snippet.name, repeat("ž", 119) + "e\u0301");
    EXPECT_EQ(e.saved[0].snippet.text.size(), 1'048'576u);
    EXPECT_EQ(e.saved[0].snippet.color, "#405875");
    EXPECT_EQ(e.saved[0].snippet.id.size(), 36u);
    EXPECT_EQ(e.saved[0].groupID, "G-1");
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(editor.result(), 1);

    // An empty text is a button to fill in later.
    Editing empty;
    empty.editor.name()->setText(QStringLiteral("Prazen"));
    empty.editor.save();
    ASSERT_EQ(empty.saved.size(), 1u);
    EXPECT_EQ(empty.saved[0].snippet.text, "");
}

TEST(EditorControllerTest, FailedStoreKeepsWindowAndInput) {
    Editing e(Snippet("Podpis", "Lep pozdrav", "S-1", "#405875"));
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    e.failure = "Disk je poln.";
    e.editor.group()->setCurrentIndex(1);
    e.editor.text()->moveCursor(QTextCursor::End);
    e.type(e.editor.text(), QStringLiteral(" in hvala"));
    e.editor.save();
    EXPECT_EQ(e.editor.error()->text().toStdString(), kStoreMessage);
    EXPECT_EQ(e.editor.error()->toolTip(), "Disk je poln.");
    EXPECT_TRUE(e.editor.isVisible());
    EXPECT_EQ(e.editor.name()->text(), "Podpis");
    EXPECT_EQ(e.editor.textValue(), "Lep pozdrav in hvala");
    EXPECT_EQ(e.editor.group()->currentIndex(), 1);

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
        EXPECT_FALSE(e.editor.isVisible()) << i;
    }
}

TEST(EditorControllerTest, ColourChoiceSwatchesAndCustomColour) {
    ThemeScope light(AppTheme::light);
    Editing e;
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    EditorController& editor = e.editor;
    Pointer pointer(&editor);
    pointer.click(centreInWindow(editor.choices()[4]));
    EXPECT_EQ(editor.selectedColor(), "#B4654F");
    EXPECT_TRUE(editor.choices()[4]->selected());
    EXPECT_FALSE(editor.choices()[0]->selected());
    EXPECT_EQ(editor.preview()->snippet().color, "#B4654F");

    editor.openColorPicker();
    QColorDialog* panel = editor.colorPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->currentColor(), rgb("#B4654F"));
    // Every change is taken at once; a colour of no swatch marks none and tints the button.
    panel->setCurrentColor(QColor(0x12, 0x34, 0x56));
    EXPECT_EQ(editor.selectedColor(), "#123456");
    for (const ColorChoice* swatch : editor.choices())
        EXPECT_FALSE(swatch->selected());
    const QColor tint = rgb(Theme::surface().mixed(Color::fromHex("#123456"), 0.25));
    EXPECT_PRED3(near, snapshot(editor.customColor()).pixelColor(6, 14), tint, 3);
    editor.closeColorPicker();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(editor.selectedColor(), "#123456");

    // Once the editor has ended, the dialog neither shows nor reports.
    editor.openColorPicker();
    editor.finish(0);
    EXPECT_FALSE(panel->isVisible());
    panel->setCurrentColor(QColor(0x40, 0x58, 0x75));
    EXPECT_EQ(editor.selectedColor(), "#123456");
}

TEST(EditorControllerTest, ColourDialogGoesBesideTheEditor) {
    const QRect visible(0, 30, 1600, 870);  // a top panel of 30 pixels
    const QSize panel(300, 400);
    // Right of the editor, tops aligned.
    EXPECT_EQ(EditorController::colorPanelPosition(visible, QRect(100, 100, 410, 560), panel),
              QPoint(522, 100));
    // Near the right edge it stays 12 inside, over the editor.
    EXPECT_EQ(EditorController::colorPanelPosition(visible, QRect(1100, 100, 410, 560), panel),
              QPoint(1288, 100));
    // Low on the screen it rises to 12 above the bottom; never beyond the left edge.
    EXPECT_EQ(EditorController::colorPanelPosition(visible, QRect(100, 600, 410, 560), panel),
              QPoint(522, 488));
    EXPECT_EQ(
        EditorController::colorPanelPosition(QRect(0, 0, 200, 900), QRect(0, 0, 410, 560), panel),
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
    EditorController& editor = e.editor;
    QPlainTextEdit* text = editor.text();
    EXPECT_EQ(editor.textValue(), trickyText());
    EXPECT_EQ(editor.nameValue(), " Dr.\u00a0Novak");

    // Changed and changed back; copied, cut and pasted back.
    text->moveCursor(QTextCursor::End);
    e.type(text, QStringLiteral("x"));
    QTest::keyClick(text, Qt::Key_Backspace);
    EXPECT_EQ(editor.textValue(), trickyText());
    text->selectAll();
    text->copy();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), trickyText());
    text->cut();
    EXPECT_EQ(editor.textValue(), "");
    text->paste();
    text->paste();
    EXPECT_EQ(editor.textValue(), trickyText() + trickyText());
    text->undo();
    text->undo();
    EXPECT_EQ(editor.textValue(), "");
    text->undo();
    EXPECT_EQ(editor.textValue(), trickyText());

    // A long line without spaces is not wrapped, which would take minutes at 1 MB.
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QApplication::clipboard()->setText(QString(20'000, u'x'));
    text->paste();
    EXPECT_EQ(text->lineWrapMode(), QPlainTextEdit::NoWrap);

    // Joining two lines keeps the break that ended the second.
    Editing lines(Snippet("Vrstice", "ena\r\ndve\ntri", "S-2", "#405875"));
    QPlainTextEdit* second = lines.editor.text();
    QTextCursor cursor = second->textCursor();
    cursor.setPosition(4);  // the start of "dve"
    second->setTextCursor(cursor);
    QTest::keyClick(second, Qt::Key_Backspace);
    EXPECT_EQ(lines.editor.textValue(), "enadve\ntri");
    // Typed breaks follow the text: "\n" here, "\r\n" in a text written with "\r\n" only.
    QTest::keyClick(second, Qt::Key_Return);
    QTest::keyClick(second, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(lines.editor.textValue(), "ena\n\ndve\ntri");
    Editing windows(Snippet("Okna", "ena\r\ndve", "S-3", "#405875"));
    windows.editor.text()->moveCursor(QTextCursor::End);
    QTest::keyClick(windows.editor.text(), Qt::Key_Return);
    windows.type(windows.editor.text(), QStringLiteral("tri"));
    QTest::keyClick(windows.editor.text(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(windows.editor.textValue(), "ena\r\ndve\r\ntri\r\n");

    // What an input method commits (a dead key or a compose sequence) arrives as composed.
    Editing typed;
    for (QWidget* field :
         {static_cast<QWidget*>(typed.editor.name()), static_cast<QWidget*>(typed.editor.text())}) {
        QInputMethodEvent preedit(QStringLiteral("ˇ"), {});
        QApplication::sendEvent(field, &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("č"));
        QApplication::sendEvent(field, &commit);
        typed.type(field, QStringLiteral("šž\u00a0Đ"));
    }
    typed.editor.save();
    ASSERT_EQ(typed.saved.size(), 1u);
    EXPECT_EQ(typed.saved[0].snippet.name, "čšž\u00a0Đ");
    EXPECT_EQ(typed.saved[0].snippet.text, "čšž\u00a0Đ");
}

TEST(EditorControllerTest, DrawsInEveryThemeFromItsColours) {
    QDir().mkpath(ZUNA_SCREENSHOT_DIR);
    for (AppTheme theme : {AppTheme::graphite, AppTheme::light}) {
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
