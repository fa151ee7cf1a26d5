#pragma once

#include <QPainterPath>
#include <QRectF>
#include <string_view>

namespace zuna {

// A symbol outline ready to fill, and the box it is fitted by (its image bounds, which include
// the symbol's own margins).
struct Symbol {
    QPainterPath path;
    QRectF bounds;
};

// Null when the name is unknown. Paths are built once and shared.
const Symbol* findSymbol(std::string_view name);

}  // namespace zuna
