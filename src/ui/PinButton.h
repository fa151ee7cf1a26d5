#pragma once

#include "ui/ActionButton.h"

namespace zuna {

// The always-on-top switch: a small track with a knob, then its label.
class PinButton : public ActionButton {
    Q_OBJECT
  public:
    using ActionButton::ActionButton;

    bool on() const { return on_; }
    // Every assignment redraws and updates the accessible value, also when nothing changes.
    void setOn(bool on);

    std::optional<bool> accessibleChecked() const override { return on_; }
    QAccessible::Role accessibleRole() const override { return QAccessible::CheckBox; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool on_ = true;
};

}  // namespace zuna
