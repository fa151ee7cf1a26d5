#pragma once

#include <QObject>

class QSocketNotifier;

namespace zuna {

// Turns SIGTERM and SIGINT into a Qt signal on the event loop, so that a logout or Ctrl+C ends
// the program through the same path as its quit command (which saves the window's frame).
class TerminationSignals : public QObject {
    Q_OBJECT

  public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

  signals:
    void received();

  private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace zuna
