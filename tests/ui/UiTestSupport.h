#pragma once

#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/model/SavedState.h"
#include "ui/PaletteOwner.h"

namespace zuna::test {

// An owner that writes down every call the palette makes.
class RecordingOwner : public PaletteOwner {
  public:
    std::vector<std::string> calls;
    SavedState current;
    bool modal = false;
    int menusMade = 0;
    std::function<void()> onReorder;

    void hidePanel() override { calls.push_back("hidePanel"); }
    void quit() override { calls.push_back("quit"); }
    void showGroups() override { calls.push_back("showGroups"); }
    void edit(const std::optional<std::string>& id) override {
        calls.push_back("edit " + id.value_or("(new)"));
    }
    void showOptions() override { calls.push_back("showOptions"); }
    void togglePin() override { calls.push_back("togglePin"); }
    void showPermission() override { calls.push_back("showPermission"); }
    void selectTheme(AppTheme theme) override {
        calls.push_back("selectTheme " + std::string(theme.rawValue()));
    }
    std::unique_ptr<QMenu> buttonMenu(const std::string&) override {
        ++menusMade;
        return std::make_unique<QMenu>();
    }
    void paste(const std::string& text, const std::string& name) override {
        calls.push_back("paste " + name + ": " + text);
    }
    void reorder(const std::string& id, std::size_t insertionIndex) override {
        calls.push_back("reorder " + id + " " + std::to_string(insertionIndex));
        if (onReorder) onReorder();
    }
    bool modalOpen() const override { return modal; }
    const SavedState& state() const override { return current; }
};

// Mouse input through the window system, as a user's would arrive: the window finds the widget
// under the pointer and keeps sending to the pressed one until the release.
class Pointer {
  public:
    explicit Pointer(QWidget* window) : window_(window->windowHandle()) {}
    void press(QPointF at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mousePress(window_, Qt::LeftButton, modifiers, at.toPoint());
    }
    void move(QPointF to) { QTest::mouseMove(window_, to.toPoint()); }
    void release(QPointF at) {
        QTest::mouseRelease(window_, Qt::LeftButton, Qt::NoModifier, at.toPoint());
    }
    void click(QPointF at) {
        press(at);
        release(at);
    }

  private:
    QWindow* window_;
};

// Where a point of a widget lies in its window.
inline QPointF inWindow(const QWidget* widget, QPointF local) {
    return widget->mapTo(widget->window(), local);
}
inline QPointF centreInWindow(const QWidget* widget) {
    return inWindow(widget, QPointF(widget->width() / 2.0, widget->height() / 2.0));
}

}  // namespace zuna::test
