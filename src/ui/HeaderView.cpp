#include "ui/HeaderView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include "ui/Drawing.h"

namespace zuna {

HeaderView::HeaderView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
}

void HeaderView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window manager moves the window; the palette never has to become active for it.
    // A window it does not manage moves itself.
    QWindow* handle = window()->windowHandle();
    const bool managed = !window()->windowFlags().testFlag(Qt::BypassWindowManagerHint);
    if (!(managed && handle != nullptr && handle->startSystemMove())) {
        grab_ = event->globalPosition().toPoint() - window()->pos();
    }
    event->accept();
}

void HeaderView::mouseMoveEvent(QMouseEvent* event) {
    if (!grab_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    window()->move(event->globalPosition().toPoint() - *grab_);
    event->accept();
}

void HeaderView::mouseReleaseEvent(QMouseEvent* event) {
    grab_.reset();
    QWidget::mouseReleaseEvent(event);
}

void HeaderView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Color accent = Theme::accent();
    QPainterPath badge;
    badge.addRoundedRect(QRectF(8, 9, 18, 18), 5, 5);
    painter.fillPath(badge, toQColor(accent));
    drawText(painter, QStringLiteral("ZT"), QRectF(9, 12, 16, 12), 8, FontWeight::semibold,
             toQColor(accent.readableInk()), Qt::AlignHCenter);
    drawText(painter, QStringLiteral("Zuna Trep"), QRectF(32, 11, width() - 78, 16), 11,
             FontWeight::regular, toQColor(Theme::ink()), Qt::AlignLeft);
}

}  // namespace zuna
