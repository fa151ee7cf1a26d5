#include "ui/SnippetButton.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "core/localization/Localization.h"
#include "ui/Drawing.h"

namespace zuna {

SnippetButton::SnippetButton(Snippet snippet, Handler action, QWidget* parent)
    : ActionButton(qt(snippet.name), std::move(action), parent), snippet_(std::move(snippet)) {
    const QString name = qt(snippet_.name);
    if (filled()) {
        setToolTip(qt(L("Prilepi: {0} · Povleci za premik", snippet_.name)));
        setAccessibleDescription(
            qt(L("Izpolnjen gumb. Klikni za lepljenje. Desni klik za možnosti.")));
    } else {
        setToolTip(qt(L("Dodaj besedilo · Desni klik za možnosti")));
        setAccessibleDescription(qt(L("Prazen gumb. Klikni za urejanje.")));
    }
    setAccessibleName(name);
}

SnippetButton::~SnippetButton() = default;

void SnippetButton::setMenu(std::unique_ptr<QMenu> menu) {
    menu_ = std::move(menu);
}

void SnippetButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();
    const bool light = !Theme::dark();
    const Color color = Color::fromHex(snippet_.color);

    QPainterPath shape;
    shape.addRoundedRect(QRectF(1, 2, w - 2, h - 4), 5, 5);

    Color base = Theme::surface();
    if (filled()) base = light ? color.mixed(Color::white(), 0.64) : color;
    Color fill = base;
    if (highlighted())
        fill = base.mixed(Color::black(), 0.18);
    else if (hovered())
        fill = base.mixed(Theme::ink(), 0.12);

    // A one-pixel soft shadow below the fill only.
    const double shadow = light ? 0.12 : 0.24;
    painter.fillPath(shape.translated(0, 1), toQColor(Color::black().withAlpha(shadow * 0.6)));
    QPainterPath halo;
    halo.addRoundedRect(QRectF(0.5, 2.5, w - 1, h - 4), 5.5, 5.5);
    painter.fillPath(halo, toQColor(Color::black().withAlpha(shadow * 0.4)));
    painter.fillPath(shape, toQColor(fill));

    Color outline = Theme::line();
    if (filled())
        outline = light ? color.mixed(Color::white(), 0.35)
                        : fill.mixed(Color::white(), hovered() ? 0.45 : 0.22);
    painter.strokePath(shape, QPen(toQColor(outline), 1));

    const Color textColor = filled() ? fill.readableInk() : Theme::ink();
    if (!filled()) {
        QPainterPath strip;
        strip.addRoundedRect(QRectF(2, 8, 2, h - 16), 1.5, 1.5);
        painter.fillPath(strip, toQColor(color));
    }

    drawText(painter, text(), QRectF(8, (h - 16) / 2, w - 30, 16), Theme::kButtonFont,
             FontWeight::regular, toQColor(textColor), Qt::AlignLeft);

    const QRectF mark(w - 20, (h - 12) / 2, 12, 12);
    if (filled()) {
        drawSymbol(painter, "checkmark.circle.fill", mark, toQColor(textColor.withAlpha(0.88)));
    } else {
        QPainterPath ring;
        ring.addEllipse(mark.adjusted(2, 2, -2, -2));
        painter.strokePath(ring, QPen(toQColor(Theme::muted()), 1.3));
    }
}

double SnippetButton::distanceFromStart(const QMouseEvent& event) const {
    const QPointF d = event.scenePosition() - start_;
    return std::hypot(d.x(), d.y());
}

void SnippetButton::mousePressEvent(QMouseEvent* event) {
    event->accept();
    // Right-clicks arrive as context-menu events; Control gives a left click no meaning here.
    if (event->button() != Qt::LeftButton || (event->modifiers() & Qt::ControlModifier)) return;
    start_ = event->scenePosition();
    tracking_ = true;
    moved_ = false;
    dragging_ = false;
    setDown(true);
    update();
}

void SnippetButton::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (!tracking_) return;
    if (distanceFromStart(*event) > kDragThreshold) moved_ = dragging_ = true;
    if (!dragging_) return;
    setDown(false);
    update();
    if (onDrag_) onDrag_(*event, false);
}

void SnippetButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (!tracking_ || event->button() != Qt::LeftButton) return;
    if (distanceFromStart(*event) > kDragThreshold) moved_ = true;
    tracking_ = false;
    setDown(false);
    update();
    if (moved_) {
        if (onDrag_) onDrag_(*event, true);
        return;
    }
    const QPointF p = event->position();
    if (p.x() >= 0 && p.y() >= 0 && p.x() < width() && p.y() < height()) fire();
}

void SnippetButton::contextMenuEvent(QContextMenuEvent* event) {
    if (menu_ == nullptr || tracking_) return;
    event->accept();
    menu_->popup(event->globalPos());
}

void SnippetButton::hideEvent(QHideEvent* event) {
    // A press cut short by a re-render or a hidden window ends without an action.
    tracking_ = false;
    setDown(false);
    ActionButton::hideEvent(event);
}

}  // namespace zuna
