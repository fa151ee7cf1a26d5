#pragma once

#include <QWidget>

namespace zuna {

// The palette's top strip: badge and title. Pressing anywhere on it that no button takes moves
// the window through the window manager.
class HeaderView : public QWidget {
    Q_OBJECT
  public:
    explicit HeaderView(QWidget* parent = nullptr);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zuna
