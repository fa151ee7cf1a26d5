#include "ui/ColorChoice.h"

#include <QPainter>
#include <QPainterPath>

#include "core/localization/Localization.h"
#include "ui/Drawing.h"

namespace zuna {

ColorChoice::ColorChoice(std::string hex, const std::string& name, Handler action, QWidget* parent)
    : ActionButton(QString(), std::move(action), parent),
      hex_(std::move(hex)),
      color_(Color::fromHex(hex_)) {
    setToolTip(qt(name));
    setAccessibleName(qt(L("Barva: {0}", name)));
}

void ColorChoice::setSelected(bool selected) {
    const bool changed = selected != selected_;
    selected_ = selected;
    update();
    if (changed && QAccessible::isActive()) {
        QAccessible::State state;
        state.checked = true;
        QAccessibleStateChangeEvent event(this, state);
        QAccessible::updateAccessibility(&event);
    }
}

void ColorChoice::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const QRectF disc = bounds.adjusted(4, 4, -4, -4);
    const QColor fill = toQColor(color_);

    QPainterPath discPath;
    discPath.addEllipse(disc);
    painter.fillPath(discPath, fill);
    if (!selected_) return;

    QPainterPath ring;
    ring.addEllipse(bounds.adjusted(1, 1, -1, -1));
    painter.strokePath(ring, QPen(fill, 1.5));
    drawSymbol(painter, "checkmark", disc.adjusted(6, 6, -6, -6), toQColor(color_.readableInk()));
}

}  // namespace zuna
