#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/model/Records.h"

class QColorDialog;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zuna {

class ColorChoice;
class Label;
class SnippetButton;
class SnippetTextEdit;

// The window in which one button is created or changed: name, text, group and colour, with a
// preview of the button as the palette draws it. Run it with exec(): it answers 1 after a save
// and 0 when the user cancels (the cancel button, Escape or the window's close button). The
// edited button goes to the save callback, which stores it; nothing else leaves the window.
class EditorController : public QDialog {
    Q_OBJECT
  public:
    // Stores the button in the group with that id. Throws when it cannot; the editor then
    // stays open with everything the user entered.
    using SaveHandler = std::function<void(const Snippet& snippet, const std::string& groupID)>;

    static constexpr int kWindowWidth = 410;
    static constexpr int kWindowHeight = 528;

    // `existing` is the button to change, none for a new one. The group list offers `groups` in
    // their order with the one of `selectedGroupID` selected (the first when none has it).
    EditorController(std::optional<Snippet> existing, std::vector<SnippetGroup> groups,
                     const std::string& selectedGroupID, QWidget* parent = nullptr);
    ~EditorController() override;

    void setOnSave(SaveHandler handler) { onSave_ = std::move(handler); }

    // Makes a "#RRGGBB" text the chosen colour: marks the swatch of that colour (letter case
    // ignored), tints the custom colour button, and redraws the preview.
    void choose(const std::string& hex);
    const std::string& selectedColor() const { return selectedColor_; }

    // Rebuilds the preview from the current name, text and colour.
    void updatePreview();

    // The custom colour: a colour dialog beside the editor, reporting every change at once,
    // usable while the editor runs modally. closeColorPicker() takes its colour and hides it.
    void openColorPicker();
    void closeColorPicker();

    // The save button: checks the name and the text, hands the button to the save callback
    // and ends with 1 when it succeeded (or there is none); otherwise shows why in the error
    // line and keeps everything.
    void save();
    // The cancel button: ends with 0.
    void cancel();
    // Ends the editor with the given response and hides the colour dialog.
    void finish(int response);

    // What the user entered, exactly: the name as it stands (untrimmed), and the text with its
    // line breaks, tabs and non-breaking spaces as loaded or typed.
    std::string nameValue() const;
    std::string textValue() const;
    // The group the selected item stands for; empty when there are no groups.
    std::string selectedGroupID() const;

    const std::optional<Snippet>& existing() const { return existing_; }
    const std::vector<SnippetGroup>& groups() const { return groups_; }

    // The controls, for the caller's focus handling and for tests.
    Label* titleLabel() const { return title_; }
    QLineEdit* name() const { return name_; }
    QComboBox* group() const { return group_; }
    SnippetTextEdit* text() const { return text_; }
    QPushButton* customColor() const { return customColor_; }
    Label* error() const { return error_; }
    SnippetButton* preview() const { return preview_; }
    const std::vector<ColorChoice*>& choices() const { return choices_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* saveButton() const { return save_; }
    // Null until the custom colour is first asked for.

    // Where the colour dialog goes, in screen coordinates with y down: to the right of the
    // editor with the tops aligned, kept 12 pixels inside the visible area.
    static QPoint colorPanelPosition(const QRect& visible, const QRect& editor, const QSize& panel);

  public slots:
    // Escape and the window's close button.
    void reject() override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void build();
    void applyTheme();
    void styleCustomColor();
    void inputChanged();
    void showError(const std::string& message, const std::string& detail = {});
    void panelColorChanged(const QColor& color);

    std::optional<Snippet> existing_;
    std::vector<SnippetGroup> groups_;
    std::string selectedColor_;
    SaveHandler onSave_;

    Label* title_ = nullptr;
    std::vector<Label*> captions_;
    Label* subtitle_ = nullptr;
    Label* hint_ = nullptr;
    QLineEdit* name_ = nullptr;
    QComboBox* group_ = nullptr;
    SnippetTextEdit* text_ = nullptr;
    QPushButton* customColor_ = nullptr;
    Label* error_ = nullptr;
    QWidget* previewHost_ = nullptr;
    SnippetButton* preview_ = nullptr;
    std::vector<ColorChoice*> choices_;
    QPushButton* cancel_ = nullptr;
    QPushButton* save_ = nullptr;
    QColorDialog* colorPanel_ = nullptr;
    std::optional<AppTheme> styledFor_;  // the theme the controls were last styled for  // a child
                                         // window, made on first use
};

}  // namespace zuna
