#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "TestSupport.h"
#include "UiTestSupport.h"
#include "core/model/Errors.h"
#include "ui/Drawing.h"
#include "ui/EditorController.h"
#include "ui/SnippetTextEdit.h"

namespace zuna::test {
namespace {

struct Saved {
    Snippet snippet;
    std::string groupID;
};

// An editor over three groups (two of one name) whose save callback writes down what it got.
struct Editing {
    explicit Editing(std::optional<Snippet> existing = std::nullopt)
        : editor(std::move(existing),
                 {SnippetGroup("Splošno", {}, "G-1"), SnippetGroup("Stranke", {}, "G-2"),
                  SnippetGroup("Stranke", {}, "G-3")},
                 "G-1") {
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

const Snippet kSignature("Podpis", "Lep pozdrav", "S-1", "#405875");

TEST(EditorControllerTest, SaveChecksNameAndTextAtTheirLimits) {
    const char* const nameMessage = "Vnesi ime gumba (največ 120 znakov).";
    // 120 characters, the last a letter with a combining mark (two code points, one character);
    // 16,384 lines of 64 bytes: 1,048,576 bytes.
    const std::string name = repeat("ž", 119) + "e\u0301";
    const std::string text = repeat(repeat("č", 31) + "a\n", 16'384);
    struct Case {
        const char* what;
        std::string name, text;
        const char* refusal;  // nullptr: saved
    };
    const Case cases[] = {
        {"blank of every kind", " \t\u00a0\u3000 ", "x", nameMessage},
        {"one character too many", "ž" + name, "x", nameMessage},
        {"one byte too many", name, text + "x", "Besedilo je predolgo (največ 1 MB)."},
        {"both at the limit, spaces around", " " + name + "\u00a0\n", text, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Editing e;
        ASSERT_NO_FATAL_FAILURE(e.showActive());
        e.editor.text()->setFocus();
        e.editor.name()->setText(QString::fromStdString(c.name));
        e.editor.text()->setPlainText(QString::fromStdString(c.text));
        e.editor.save();
        if (c.refusal != nullptr) {
            EXPECT_EQ(e.editor.error()->text().toStdString(), c.refusal);
            EXPECT_TRUE(e.editor.isVisible());
            EXPECT_TRUE(e.saved.empty());
            continue;
        }
        ASSERT_EQ(e.saved.size(), 1u);
        EXPECT_EQ(e.saved[0].snippet.name, name);
        EXPECT_EQ(e.saved[0].snippet.text, text);
        EXPECT_FALSE(e.editor.isVisible());
        EXPECT_EQ(e.editor.result(), 1);
    }
}

TEST(EditorControllerTest, FailedStoreKeepsWindowAndInput) {
    Editing e(kSignature);
    ASSERT_NO_FATAL_FAILURE(e.showActive());
    e.failure = "Disk je poln.";
    e.editor.group()->setCurrentIndex(2);  // of two groups with one name, the item picks
    e.editor.text()->moveCursor(QTextCursor::End);
    e.type(e.editor.text(), QStringLiteral(" in hvala"));
    e.editor.save();
    EXPECT_EQ(e.editor.error()->text(), "Shranjevanje ni uspelo. Poskusi znova.");
    EXPECT_EQ(e.editor.error()->toolTip(), "Disk je poln.");
    EXPECT_TRUE(e.editor.isVisible());

    e.failure.reset();
    QTimer::singleShot(0, &e.editor, [&] { QTest::keyClick(e.editor.name(), Qt::Key_Return); });
    EXPECT_EQ(e.editor.exec(), 1);
    ASSERT_EQ(e.saved.size(), 1u);
    EXPECT_EQ(e.saved[0].snippet, Snippet("Podpis", "Lep pozdrav in hvala", "S-1", "#405875"));
    EXPECT_EQ(e.saved[0].groupID, "G-3");
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
}

}  // namespace
}  // namespace zuna::test
