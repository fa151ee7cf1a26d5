#include "app/ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace zuna::screen {

namespace {

// The y-up origin lies at the bottom edge of the primary screen.
double primaryBottom() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) return geometry::kFallbackVisibleFrame.height;
    const QRect g = primary->geometry();
    return g.y() + g.height();
}

}  // namespace

geometry::Rect toYUp(const QRectF& rect) {
    return {rect.x(), primaryBottom() - rect.y() - rect.height(), rect.width(), rect.height()};
}

QRect fromYUp(const geometry::Rect& rect) {
    const double top = primaryBottom() - rect.y - rect.height;
    return QRect(static_cast<int>(std::lround(rect.x)), static_cast<int>(std::lround(top)),
                 static_cast<int>(std::lround(rect.width)),
                 static_cast<int>(std::lround(rect.height)));
}

geometry::Rect visibleFrame(const QScreen* screen) {
    if (screen == nullptr) return geometry::kFallbackVisibleFrame;
    return toYUp(QRectF(screen->availableGeometry()));
}

const QScreen* screenOf(const QWidget* window) {
    if (window != nullptr && window->screen() != nullptr) return window->screen();
    return QGuiApplication::primaryScreen();
}

}  // namespace zuna::screen
