#include "ui/ActionButton.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEnterEvent>

#include "ui/Drawing.h"

namespace zuna {

namespace {

// Tells assistive technology the control's name, help, value and checked state, and lets it
// press the control; the stock button interface knows nothing of a value text or of a switch
// that is not a checkable button.
class ActionButtonAccessible : public QAccessibleWidget {
  public:
    explicit ActionButtonAccessible(ActionButton* button)
        : QAccessibleWidget(button, button->accessibleRole()) {}

    ActionButton* button() const { return static_cast<ActionButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
            case QAccessible::Name:
                return button()->accessibleName().isEmpty() ? button()->text()
                                                            : button()->accessibleName();
            case QAccessible::Description:
                return button()->accessibleDescription().isEmpty()
                           ? button()->toolTip()
                           : button()->accessibleDescription();
            case QAccessible::Value:
                return button()->accessibleValue();
            default:
                return QAccessibleWidget::text(t);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = false;
        if (auto checked = button()->accessibleChecked()) {
            s.checkable = true;
            s.checked = *checked;
        }
        s.pressed = button()->isDown();
        return s;
    }

    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString& name) override {
        if (name == pressAction() && button()->isEnabled())
            button()->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* accessibleFactory(const QString&, QObject* object) {
    if (auto* button = qobject_cast<ActionButton*>(object))
        return new ActionButtonAccessible(button);
    return nullptr;
}

}  // namespace

ActionButton::ActionButton(const QString& title, Handler action, QWidget* parent)
    : QAbstractButton(parent), handler_(std::move(action)) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    (void)factoryInstalled;

    setText(title);
    if (!title.isEmpty()) setToolTip(title);
    setFocusPolicy(Qt::NoFocus);
    setFont(appFont(12, FontWeight::medium));
    connect(this, &QAbstractButton::clicked, this, &ActionButton::fire);
}

void ActionButton::fire() {
    if (handler_) handler_();
}

void ActionButton::setHovered(bool hovered) {
    hovered_ = hovered;
    update();
}

void ActionButton::setAccessibleValue(const QString& value) {
    accessibleValue_ = value;
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, value);
        QAccessible::updateAccessibility(&event);
        if (!accessibleChecked()) return;
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent stateEvent(this, changed);
        QAccessible::updateAccessibility(&stateEvent);
    }
}

void ActionButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    setHovered(true);
}

void ActionButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    setHovered(false);
}

}  // namespace zuna
