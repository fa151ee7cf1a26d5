#include "ui/ChromeButton.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/Drawing.h"

namespace zuna {

void ChromeButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();

    QPainterPath shape;
    shape.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 5, 5);

    const Color accent = Theme::accent();
    Color base{0, 0, 0, 0};  // clear
    if (prominent_)
        base = Theme::surface().mixed(accent, 0.12);
    else if (menuStyle_)
        base = Theme::surface();
    Color fill = base;
    if (highlighted())
        fill = Theme::line();
    else if (hovered())
        // Over a clear base, a faint accent tint: the accent at 8 % rather than a darkening
        // towards the clear colour's black.
        fill = base.alpha == 0 ? accent.withAlpha(0.08) : base.mixed(accent, 0.08);
    painter.fillPath(shape, toQColor(fill));

    if (prominent_ || menuStyle_) painter.strokePath(shape, QPen(toQColor(Theme::line()), 0.7));

    QColor foreground = toQColor(Theme::ink());
    if (dangerous_ && hovered())
        foreground = systemRed();
    else if (prominent_)
        foreground = toQColor(accent);

    if (!symbol_.empty() && text().isEmpty()) {
        drawSymbol(painter, symbol_, QRectF((w - 12) / 2, (h - 12) / 2, 12, 12), foreground);
    } else if (!menuStyle_) {
        drawText(painter, text(), QRectF(6, (h - 15) / 2, w - 12, 15), 11, FontWeight::regular,
                 foreground, Qt::AlignHCenter);
    } else {
        drawText(painter, text(), QRectF(7, (h - 15) / 2, w - 24, 15), 11, FontWeight::regular,
                 foreground, Qt::AlignLeft);
        drawSymbol(painter, "chevron.down", QRectF(w - 16, (h - 8) / 2, 8, 8),
                   toQColor(Theme::muted()));
    }
}

}  // namespace zuna
