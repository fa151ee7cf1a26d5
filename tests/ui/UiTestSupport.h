#pragma once

#include <QColor>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "appearance/Theme.h"
#include "model/SavedState.h"
#include "ui/Drawing.h"
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
    std::unique_ptr<QMenu> buttonMenu(const std::string& id) override {
        ++menusMade;
        auto menu = std::make_unique<QMenu>();
        menu->addAction(QString::fromStdString("Uredi " + id));
        return menu;
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

inline QImage snapshot(QWidget* widget) {
    return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Colours within a small distance per channel, for antialiased edges and rounding.
inline bool near(QColor a, QColor b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Whether any pixel of the image passes the test.
inline bool anyPixel(const QImage& image, const std::function<bool(QColor)>& test) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test(image.pixelColor(x, y))) return true;
    return false;
}

inline QColor rgb(const Color& color) {
    return toQColor(color);
}
inline QColor rgb(const char* hex) {
    return toQColor(Color::fromHex(hex));
}

// Restores the graphite theme after a test that changed it.
struct ThemeScope {
    explicit ThemeScope(AppTheme theme) { Theme::setCurrent(theme); }
    ~ThemeScope() { Theme::setCurrent(AppTheme::graphite); }
};

}  // namespace zuna::test

// Colours in failure messages.
inline std::ostream& operator<<(std::ostream& os, const QColor& color) {
    return os << color.name(QColor::HexArgb).toStdString();
}
