#include "ui/PinButton.h"

#include <QPainter>
#include <QPainterPath>

#include "core/localization/Localization.h"
#include "ui/Drawing.h"

namespace zuna {

void PinButton::setOn(bool on) {
    on_ = on;
    update();
    setAccessibleValue(qt(on ? L("Vključeno") : L("Izključeno")));
}

void PinButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();

    const QRectF track(0, (h - 13) / 2, 23, 13);
    QPainterPath trackPath;
    trackPath.addRoundedRect(track, 6.5, 6.5);
    painter.fillPath(trackPath, toQColor(on_ ? Theme::accent() : Theme::line()));

    QPainterPath knob;
    knob.addEllipse(QRectF(on_ ? 12 : 2, track.top() + 2, 9, 9));
    painter.fillPath(knob, Qt::white);

    drawText(painter, qt(L("Vedno na vrhu")), QRectF(29, (h - 14) / 2, w - 29, 14), 10,
             FontWeight::regular, toQColor(Theme::ink()), Qt::AlignLeft);
}

}  // namespace zuna
