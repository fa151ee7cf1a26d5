#include "ui/SnippetTextEdit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

namespace zuna {

namespace {

// A text document keeps line breaks only as block boundaries and reads "\r\n", "\r", "\n",
// U+2029 and its two frame marks all alike. Each block therefore records, in this property of
// its format, which of them came before it.
constexpr int kBreakProperty = QTextFormat::UserProperty + 0x5A;
enum Break : int { lf = 0, crlf, cr, paragraph, frameStart, frameEnd };

QString breakText(int kind) {
    switch (kind) {
        case crlf:
            return QStringLiteral("\r\n");
        case cr:
            return QStringLiteral("\r");
        case paragraph:
            return QString(QChar::ParagraphSeparator);
        case frameStart:
            return QString(QChar(0xFDD0));
        case frameEnd:
            return QString(QChar(0xFDD1));
        default:
            return QStringLiteral("\n");
    }
}

// Calls `found(position, length, kind)` for each line break of `text`, in order.
template <typename Found>
void forEachBreak(const QString& text, Found found) {
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        switch (text.at(i).unicode()) {
            case u'\n':
                found(i, 1, lf);
                break;
            case u'\r':
                if (i + 1 < size && text.at(i + 1) == u'\n') {
                    found(i, 2, crlf);
                    ++i;
                } else {
                    found(i, 1, cr);
                }
                break;
            case 0x2029:
                found(i, 1, paragraph);
                break;
            case 0xFDD0:
                found(i, 1, frameStart);
                break;
            case 0xFDD1:
                found(i, 1, frameEnd);
                break;
            default:
                break;
        }
    }
}

qsizetype longestLine(const QString& text) {
    qsizetype longest = 0;
    qsizetype start = 0;
    forEachBreak(text, [&](qsizetype at, int length, int) {
        longest = std::max(longest, at - start);
        start = at + length;
    });
    return std::max(longest, text.size() - start);
}

int breakBefore(const QTextBlock& block) {
    return block.blockFormat().intProperty(kBreakProperty);
}

// Splits the block at the cursor; the block after it starts with this kind of break.
void insertBreak(QTextCursor& cursor, int kind) {
    QTextBlockFormat format = cursor.blockFormat();
    format.setProperty(kBreakProperty, kind);
    cursor.insertBlock(format);
}

}  // namespace

SnippetTextEdit::SnippetTextEdit(QWidget* parent) : QPlainTextEdit(parent) {
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int removed, int added) {
                if (removed > 0 || added > 0) pristine_ = false;
                if (document()->findBlock(position).length() > kLongLine) stopWrapping();
            });
    setTabChangesFocus(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void SnippetTextEdit::load(const std::string& text) {
    const QString loaded = QString::fromStdString(text);
    if (longestLine(loaded) > kLongLine) stopWrapping();
    setPlainText(loaded);

    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    QTextBlock block = doc->begin();
    bool anyBreak = false;
    bool onlyCrlf = true;
    forEachBreak(loaded, [&](qsizetype, int, int kind) {
        block = block.next();
        anyBreak = true;
        onlyCrlf = onlyCrlf && kind == crlf;
        if (kind == lf || !block.isValid()) return;
        QTextBlockFormat format = block.blockFormat();
        format.setProperty(kBreakProperty, kind);
        QTextCursor(block).setBlockFormat(format);
    });
    doc->setUndoRedoEnabled(true);
    doc->setModified(false);
    typedBreak_ = anyBreak && onlyCrlf ? crlf : lf;
    original_ = text;
    pristine_ = true;
}

std::string SnippetTextEdit::value() const {
    if (pristine_) return original_;
    return exactText(0, document()->characterCount() - 1).toStdString();
}

std::string SnippetTextEdit::beginning(int characters) const {
    return exactText(0, std::min(characters, document()->characterCount() - 1)).toStdString();
}

QString SnippetTextEdit::exactText(int start, int end) const {
    QString out;
    for (QTextBlock block = document()->findBlock(start);
         block.isValid() && block.position() <= end; block = block.next()) {
        if (block.position() > start) out += breakText(breakBefore(block));
        const int from = std::max(start - block.position(), 0);
        const int to = std::min(end - block.position(), block.length() - 1);
        if (to > from) out += block.text().mid(from, to - from);
    }
    return out;
}

void SnippetTextEdit::stopWrapping() {
    if (lineWrapMode() == QPlainTextEdit::NoWrap) return;
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

bool SnippetTextEdit::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool forward = key->key() == Qt::Key_Tab &&
                             (key->modifiers() & Qt::ControlModifier) &&
                             !(key->modifiers() & Qt::ShiftModifier);
        // The text edit's own focus change refuses while Tab is text.
        if (forward || key->key() == Qt::Key_Backtab) {
            QWidget::focusNextPrevChild(forward);
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void SnippetTextEdit::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Shift+Return would insert a Unicode line separator and Control+Return repeat the break
    // before the line; a line break as typed is what is meant.
    if (enter && !(event->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) && !isReadOnly()) {
        QTextCursor cursor = textCursor();
        cursor.beginEditBlock();
        insertBreak(cursor, typedBreak_);
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void SnippetTextEdit::contextMenuEvent(QContextMenuEvent* event) {
    // A menu is a window of its own: it takes the editor's colours only when given them.
    QMenu* menu = createStandardContextMenu(event->pos());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setPalette(window()->palette());
    menu->popup(event->globalPos());
}

// Copy, cut and drag carry the exact text; the stock conversion turns non-breaking spaces into
// spaces and every line break into "\n".
QMimeData* SnippetTextEdit::createMimeDataFromSelection() const {
    const QTextCursor cursor = textCursor();
    auto* data = new QMimeData;
    data->setText(exactText(cursor.selectionStart(), cursor.selectionEnd()));
    return data;
}

void SnippetTextEdit::insertFromMimeData(const QMimeData* source) {
    if (isReadOnly() || source == nullptr || !source->hasText()) return;
    const QString text = source->text();
    QTextCursor cursor = textCursor();
    if (longestLine(text) + cursor.block().length() > kLongLine) stopWrapping();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    qsizetype start = 0;
    forEachBreak(text, [&](qsizetype at, int length, int kind) {
        if (at > start) cursor.insertText(text.mid(start, at - start));
        insertBreak(cursor, kind);
        start = at + length;
    });
    if (start < text.size()) cursor.insertText(text.mid(start));
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

}  // namespace zuna
