#include "ui/PalettePanel.h"

#include <QResizeEvent>
#include <QWindow>

namespace zuna {

namespace {
constexpr Qt::WindowFlags kPanelFlags =
    Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
}

PalettePanel::PalettePanel(QWidget* parent)
    : QWidget(parent,
              bypassWindowManager_ ? kPanelFlags | Qt::BypassWindowManagerHint : kPanelFlags) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Tool tips otherwise only show in the active window, and this one never is.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Zuna Trep"));
}

void PalettePanel::setContentView(QWidget* view) {
    if (content_ == view) return;
    delete content_;
    content_ = view;
    if (view == nullptr) return;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

bool PalettePanel::keepAbove() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void PalettePanel::setKeepAbove(bool above) {
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, above);
    if (flags == windowFlags()) return;
    // Changing the flags through QWidget would re-create and hide the window; the window
    // handle updates the window manager's state in place.
    overrideWindowFlags(flags);
    if (QWindow* handle = windowHandle()) handle->setFlags(flags);
}

void PalettePanel::showWithoutActivating() {
    show();
    raise();
}

void PalettePanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (content_) content_->setGeometry(rect());
}

}  // namespace zuna
