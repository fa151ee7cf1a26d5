#pragma once

#include <QAbstractButton>
#include <QAccessible>
#include <functional>
#include <optional>

namespace zuna {

// The base of every clickable control of the palette and the editor: a self-drawn button with
// an action, hover tracking, and no keyboard focus, so the first click on the inactive palette
// acts at once and the application the user types in keeps its focused field.
class ActionButton : public QAbstractButton {
    Q_OBJECT
  public:
    using Handler = std::function<void()>;

    ActionButton(const QString& title, Handler action, QWidget* parent = nullptr);

    // Runs the action; sent when a press that began on the button is released over it.
    void fire();
    void setHandler(Handler action) { handler_ = std::move(action); }
    bool hasHandler() const { return static_cast<bool>(handler_); }

    bool hovered() const { return hovered_; }
    // Every assignment redraws.
    void setHovered(bool hovered);
    // Highlighted while the mouse button is held down over it.
    bool highlighted() const { return isDown(); }

    // What assistive technology reads as the control's value (on or off, say).
    QString accessibleValue() const { return accessibleValue_; }
    void setAccessibleValue(const QString& value);
    // Switches and choices report a checked state to assistive technology; plain buttons none.
    virtual std::optional<bool> accessibleChecked() const { return std::nullopt; }
    virtual QAccessible::Role accessibleRole() const { return QAccessible::Button; }

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    Handler handler_;
    bool hovered_ = false;
    QString accessibleValue_;
};

}  // namespace zuna
