#pragma once

#include <QPointF>
#include <functional>
#include <memory>

#include "core/model/Records.h"
#include "ui/ActionButton.h"

class QMenu;
class QMouseEvent;

namespace zuna {

// One button of the selected group: its name on its own colour. It tells a click from a drag
// and draws itself; what a click does, what a drag means and which menu a right-click opens
// come from the palette view.
class SnippetButton : public ActionButton {
    Q_OBJECT
  public:
    // Called with the current mouse event; `finished` only for the event that ends the drag.
    using DragCallback = std::function<void(const QMouseEvent& event, bool finished)>;

    // More than this many pixels between press and pointer, in window coordinates, is a drag.
    static constexpr double kDragThreshold = 5;

    SnippetButton(Snippet snippet, Handler action, QWidget* parent = nullptr);
    ~SnippetButton() override;

    const Snippet& snippet() const { return snippet_; }
    // A button with text pastes it; one without opens the editor.
    bool filled() const { return !snippet_.text.empty(); }

    void setOnDrag(DragCallback callback) { onDrag_ = std::move(callback); }
    // The context menu; the button owns it.
    void setMenu(std::unique_ptr<QMenu> menu);
    QMenu* menu() const { return menu_.get(); }

    // True between a press and its release.
    bool tracking() const { return tracking_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    double distanceFromStart(const QMouseEvent& event) const;

    const Snippet snippet_;
    DragCallback onDrag_;
    std::unique_ptr<QMenu> menu_;
    bool tracking_ = false;
    bool moved_ = false;
    bool dragging_ = false;
    QPointF start_;
};

}  // namespace zuna
