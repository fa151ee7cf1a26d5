#pragma once

#include "core/model/Records.h"
#include "ui/ActionButton.h"

namespace zuna {

// One dot of the theme picker, ringed when its theme is the current one.
class ThemeButton : public ActionButton {
    Q_OBJECT
  public:
    ThemeButton(AppTheme theme, Handler action, QWidget* parent = nullptr);

    AppTheme theme() const { return theme_; }

    std::optional<bool> accessibleChecked() const override;
    QAccessible::Role accessibleRole() const override { return QAccessible::RadioButton; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const AppTheme theme_;
};

}  // namespace zuna
