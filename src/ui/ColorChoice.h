#pragma once

#include <string>

#include "core/appearance/Color.h"
#include "ui/ActionButton.h"

namespace zuna {

// A round swatch of the editor's colour row: a disc of its colour, with a ring and a check mark
// when it is the chosen one.
class ColorChoice : public ActionButton {
    Q_OBJECT
  public:
    // `hex` is a "#RRGGBB" text; `name` is the colour's name as the user reads it.
    ColorChoice(std::string hex, const std::string& name, Handler action,
                QWidget* parent = nullptr);

    const std::string& hex() const { return hex_; }
    const Color& color() const { return color_; }

    bool selected() const { return selected_; }
    // Every assignment redraws.
    void setSelected(bool selected);

    std::optional<bool> accessibleChecked() const override { return selected_; }
    QAccessible::Role accessibleRole() const override { return QAccessible::RadioButton; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const std::string hex_;
    const Color color_;
    bool selected_ = false;
};

}  // namespace zuna
