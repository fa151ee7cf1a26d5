#pragma once

#include <QWidget>
#include <optional>

namespace zuna {

// The palette's top strip: badge and title. Pressing anywhere on it that no button takes moves
// the window through the window manager.
class HeaderView : public QWidget {
    Q_OBJECT
  public:
    explicit HeaderView(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // Where the window was grabbed, relative to its corner, while it moves itself (no window
    // manager takes the move).
    std::optional<QPoint> grab_;
};

}  // namespace zuna
