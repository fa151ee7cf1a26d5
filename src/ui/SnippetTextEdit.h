#pragma once

#include <QPlainTextEdit>
#include <string>

namespace zuna {

// The editor's field for the text to paste. It gives back exactly what it was given or what the
// user typed: line breaks of every kind ("\r\n" included), tabs, non-breaking spaces. Tab types
// a tab; Control+Tab moves to the next control and Shift+Tab to the previous one.
class SnippetTextEdit : public QPlainTextEdit {
    Q_OBJECT
  public:
    // Wrapping a line with no break opportunity takes time that grows with the square of its
    // length (a 1 MB line took minutes); once a line is longer than this, lines scroll sideways.
    static constexpr int kLongLine = 10'000;

    explicit SnippetTextEdit(QWidget* parent = nullptr);

    // Replaces the text. Line breaks typed later follow it: "\r\n" in a text that uses only
    // "\r\n", "\n" otherwise.
    void load(const std::string& text);
    // The text as it stands; an untouched text byte for byte as loaded.
    std::string value() const;
    // The first characters only, at a cost that does not grow with the text.
    std::string beginning(int characters) const;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

  private:
    void stopWrapping();
    // The characters between two document positions, every line break as it was made.
    QString exactText(int start, int end) const;

    std::string original_;
    bool pristine_ = true;
    int typedBreak_ = 0;
};

}  // namespace zuna
