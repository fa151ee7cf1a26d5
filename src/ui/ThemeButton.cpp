#include "ui/ThemeButton.h"

#include <QPainter>
#include <QPainterPath>

#include "core/localization/Localization.h"
#include "ui/Drawing.h"

namespace zuna {

ThemeButton::ThemeButton(AppTheme theme, Handler action, QWidget* parent)
    : ActionButton(qt(Theme::name(theme)), std::move(action), parent), theme_(theme) {
    const QString tip = qt(L("Tema: {0}", Theme::name(theme)));
    setToolTip(tip);
    setAccessibleName(tip);
}

std::optional<bool> ThemeButton::accessibleChecked() const {
    return theme_ == Theme::current();
}

void ThemeButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF dot((width() - 11) / 2.0, (height() - 11) / 2.0, 11, 11);

    QPainterPath disc;
    disc.addEllipse(dot);
    painter.fillPath(disc, toQColor(Theme::swatch(theme_)));
    painter.strokePath(disc, QPen(toQColor(Theme::muted().withAlpha(0.7)), 1));

    QPainterPath ring;
    ring.addEllipse(dot.adjusted(-2.5, -2.5, 2.5, 2.5));
    if (theme_ == Theme::current())
        painter.strokePath(ring, QPen(toQColor(Theme::accent()), 1.3));
    else if (hovered())
        painter.strokePath(ring, QPen(toQColor(Theme::muted()), 0.6));
}

}  // namespace zuna
