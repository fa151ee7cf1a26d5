#pragma once

#include <QWidget>

namespace zuna {

// The palette's window: a frameless tool window that never takes the keyboard focus and never
// activates the program, so the application the user types in keeps its focused field while
// the palette's controls act on the first click.
class PalettePanel : public QWidget {
    Q_OBJECT
  public:
    explicit PalettePanel(QWidget* parent = nullptr);

    // For panels made from now on: keep the window out of the window manager's hands, for a
    // compositor that gives a managed window the focus on a click whatever it asks for. Such a
    // window is moved by the palette itself.
    static void setBypassWindowManager(bool bypass) { bypassWindowManager_ = bypass; }
    bool bypassesWindowManager() const {
        return windowFlags().testFlag(Qt::BypassWindowManagerHint);
    }

    // The view that fills the window; the panel takes it.
    void setContentView(QWidget* view);
    QWidget* contentView() const { return content_; }

    // Keep the window above all others (the window manager's keep-above state).
    bool keepAbove() const;
    void setKeepAbove(bool above);

    // Shows the window and raises it without activating the program.
    void showWithoutActivating();

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QWidget* content_ = nullptr;
    static inline bool bypassWindowManager_ = false;
};

}  // namespace zuna
