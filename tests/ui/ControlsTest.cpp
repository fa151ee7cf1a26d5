#include <gtest/gtest.h>

#include <QAccessible>

#include "UiTestSupport.h"
#include "ui/ChromeButton.h"
#include "ui/HeaderView.h"
#include "ui/PalettePanel.h"
#include "ui/PinButton.h"
#include "ui/ThemeButton.h"

namespace zuna::test {
namespace {

// Controls on a canvas-coloured window, as in the palette.
class ControlsTest : public ::testing::Test {
  protected:
    ControlsTest() {
        window_.resize(200, 100);
        window_.setAutoFillBackground(true);
        QPalette palette = window_.palette();
        palette.setColor(QPalette::Window, rgb(Theme::canvas()));
        window_.setPalette(palette);
    }
    template <typename T>
    T* place(T* control, QRect frame) {
        control->setParent(&window_);
        control->setGeometry(frame);
        window_.show();
        return control;
    }
    ChromeButton* chrome(QRect frame) {
        return place(new ChromeButton(QString(), [this] { ++fired_; }), frame);
    }

    QWidget window_;
    Pointer pointer() { return Pointer(&window_); }
    int fired_ = 0;
};

TEST_F(ControlsTest, ChromeButtonActsOnTheFirstClickWithoutFocusAndOnlyOverItself) {
    ChromeButton* button = chrome(QRect(10, 10, 120, 22));
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    pointer().click(centreInWindow(button));
    EXPECT_EQ(fired_, 1);
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
    // Pressed on it, released elsewhere: no action.
    pointer().press(centreInWindow(button));
    pointer().move(QPointF(150, 80));
    pointer().release(QPointF(150, 80));
    EXPECT_EQ(fired_, 1);
}

TEST_F(ControlsTest, ChromeButtonColours) {
    ChromeButton* plain = chrome(QRect(10, 10, 20, 22));
    pointer().press(centreInWindow(plain));
    EXPECT_TRUE(near(snapshot(plain).pixelColor(10, 2), rgb(Theme::line()), 1));
    pointer().release(centreInWindow(plain));
    // Hovered, a clear button takes a faint accent tint over the canvas, not a darker shade.
    plain->setHovered(true);
    EXPECT_TRUE(near(snapshot(plain).pixelColor(10, 2),
                     rgb(Theme::canvas().mixed(Theme::accent(), 0.08)), 2));
    plain->setHovered(false);

    // Prominent: an accent-tinted surface.
    ChromeButton* add = chrome(QRect(10, 40, 120, 22));
    add->setProminent(true);
    EXPECT_TRUE(
        near(snapshot(add).pixelColor(10, 5), rgb(Theme::surface().mixed(Theme::accent(), 0.12))));

    // A dangerous symbol turns red under the pointer only.
    ChromeButton* quit = chrome(QRect(150, 10, 18, 20));
    quit->setSymbol("power");
    quit->setDangerous(true);
    const auto red = [](QColor c) { return c.red() - c.green() > 80; };
    EXPECT_FALSE(anyPixel(snapshot(quit), red));
    quit->setHovered(true);
    EXPECT_TRUE(anyPixel(snapshot(quit), red));
}

TEST_F(ControlsTest, PinSwitchReportsItsStateOnEveryAssignment) {
    auto* pin = place(new PinButton(QStringLiteral("Vedno na vrhu"), [] {}), QRect(8, 70, 158, 21));
    EXPECT_TRUE(pin->accessibleValue().isEmpty());
    pin->setOn(true);  // the same value still sets the accessible value
    QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(pin);
    EXPECT_EQ(a11y->text(QAccessible::Value), "Vključeno");
    EXPECT_TRUE(a11y->state().checked);
    // On: an accent track, the knob at the right.
    EXPECT_TRUE(near(snapshot(pin).pixelColor(4, 10), rgb(Theme::accent())));
    EXPECT_EQ(snapshot(pin).pixelColor(16, 10), QColor(Qt::white));

    pin->setOn(false);
    EXPECT_EQ(a11y->text(QAccessible::Value), "Izključeno");
    EXPECT_FALSE(a11y->state().checked);
    EXPECT_TRUE(near(snapshot(pin).pixelColor(19, 10), rgb(Theme::line())));
    EXPECT_EQ(snapshot(pin).pixelColor(6, 10), QColor(Qt::white));
}

TEST_F(ControlsTest, ThemeDotRingsTheCurrentThemeOnly) {
    auto* graphite = place(new ThemeButton(AppTheme::graphite, [] {}), QRect(115, 38, 19, 24));
    auto* light = place(new ThemeButton(AppTheme::light, [] {}), QRect(172, 38, 19, 24));
    EXPECT_EQ(light->accessibleName(), "Tema: Svetla");
    // The dot's centre is its swatch; 7.5 pixels to the right lies the ring.
    const auto ring = [](ThemeButton* b) { return snapshot(b).pixelColor(17, 12); };
    const auto background = [](ThemeButton* b) { return snapshot(b).pixelColor(0, 0); };
    EXPECT_TRUE(near(snapshot(light).pixelColor(9, 12), rgb("#EDF2F5")));
    EXPECT_TRUE(near(ring(graphite), rgb(Theme::accent()), 60)) << ring(graphite);
    EXPECT_EQ(ring(light), background(light));
    // Hovered: a faint ring that is not the accent.
    light->setHovered(true);
    EXPECT_FALSE(near(ring(light), background(light), 10));
    EXPECT_FALSE(near(ring(light), rgb(Theme::accent()), 60));

    ThemeScope scope(AppTheme::light);
    EXPECT_TRUE(near(ring(light), rgb(Theme::accent()), 60)) << ring(light);
    EXPECT_EQ(ring(graphite), background(graphite));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(light)->state().checked);
}

TEST_F(ControlsTest, HeaderBadgeHasTheAccentsReadableInk) {
    const QImage image = snapshot(place(new HeaderView, QRect(0, 0, 200, 34)));
    EXPECT_TRUE(near(image.pixelColor(10, 25), rgb(Theme::accent())));
    // Dark letters on graphite's pale blue.
    EXPECT_TRUE(
        anyPixel(image.copy(9, 12, 16, 12), [](QColor c) { return near(c, rgb("#142020"), 30); }));
}

TEST(PalettePanel, NeverTakesFocusNorActivates) {
    PalettePanel panel;
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
    auto* content = new QWidget;
    panel.setContentView(content);
    panel.resize(200, 300);
    panel.showWithoutActivating();
    EXPECT_EQ(content->geometry(), QRect(0, 0, 200, 300));
    EXPECT_FALSE(panel.isActiveWindow());

    // Keep-above changes in place: the window stays shown and still refuses the focus.
    panel.setKeepAbove(true);
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel.windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
    panel.setKeepAbove(false);
    EXPECT_FALSE(panel.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel.isVisible());
}

}  // namespace
}  // namespace zuna::test
