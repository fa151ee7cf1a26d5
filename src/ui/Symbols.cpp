#include "ui/Symbols.h"

#include <QPainterPathStroker>
#include <QTransform>
#include <cmath>
#include <map>
#include <string>

namespace zuna {

namespace {

// Symbols are drawn on a 24-unit grid. A scale of one half (the usual 12-pixel square) puts the
// centre of a 2.4-unit stroke at x.5 pixel positions, which keeps horizontal and vertical
// strokes crisp.
QPainterPath stroked(const QPainterPath& centreLine, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    // Simplified paths have no overlapping parts, so one fill paints every pixel once and a
    // translucent colour stays even.
    return stroker.createStroke(centreLine).simplified();
}

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    auto it = points.begin();
    path.moveTo(*it);
    for (++it; it != points.end(); ++it)
        path.lineTo(*it);
    return path;
}

QPainterPath circle(QPointF centre, double radius) {
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    return path;
}

Symbol minus() {
    return {stroked(polyline({{4.5, 11}, {19.5, 11}}), 2.4), QRectF(0, 0, 24, 24)};
}

Symbol power() {
    QPainterPath ring;
    const QRectF box(4.2, 4.6, 15.6, 15.6);  // centre (12, 12.4), radius 7.8
    const double gap = 42;                   // degrees either side of straight up
    ring.arcMoveTo(box, 90 + gap);
    ring.arcTo(box, 90 + gap, 360 - 2 * gap);
    QPainterPath path = stroked(ring, 2.3).united(stroked(polyline({{12, 2.6}, {12, 11}}), 2.3));
    return {path.simplified(), QRectF(0, 0, 24, 24)};
}

Symbol gear() {
    const QPointF centre(12, 12);
    QPainterPath body = circle(centre, 7.6);
    const int teeth = 8;
    for (int i = 0; i < teeth; ++i) {
        QPainterPath tooth;
        tooth.addRoundedRect(QRectF(-2.1, -10.6, 4.2, 5), 1, 1);
        const QTransform turn = QTransform().translate(centre.x(), centre.y()).rotate(i * 45.0);
        body = body.united(turn.map(tooth));
    }
    return {body.subtracted(circle(centre, 3.1)).simplified(), QRectF(0, 0, 24, 24)};
}

Symbol chevronDown() {
    return {stroked(polyline({{5, 9}, {12, 16}, {19, 9}}), 2.6), QRectF(3.5, 7.5, 17, 10)};
}

Symbol checkmark() {
    return {stroked(polyline({{4.5, 12.5}, {9.5, 17.5}, {19.5, 6.5}}), 2.6), QRectF(3, 5, 18, 14)};
}

Symbol checkmarkCircleFill() {
    QPainterPath disc = circle({12, 12}, 10);
    QPainterPath check = stroked(polyline({{7.4, 12.4}, {10.6, 15.6}, {16.6, 8.6}}), 2.2);
    return {disc.subtracted(check).simplified(), QRectF(2, 2, 20, 20)};
}

}  // namespace

const Symbol* findSymbol(std::string_view name) {
    static const std::map<std::string, Symbol, std::less<>> symbols{
        {"minus", minus()},         {"power", power()},
        {"gearshape", gear()},      {"chevron.down", chevronDown()},
        {"checkmark", checkmark()}, {"checkmark.circle.fill", checkmarkCircleFill()},
    };
    const auto it = symbols.find(name);
    return it == symbols.end() ? nullptr : &it->second;
}

}  // namespace zuna
