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

    QWidget window_;
    int fired_ = 0;
    ActionButton::Handler count() {
        return [this] { ++fired_; };
    }
};

TEST_F(ControlsTest, ActionButtonActsOnTheFirstClickWithoutFocus) {
    auto* button =
        place(new ChromeButton(QStringLiteral("+ Dodaj gumb"), count()), QRect(10, 10, 120, 22));
    EXPECT_EQ(button->toolTip(), "+ Dodaj gumb");
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(button->font().pixelSize(), 12);
    EXPECT_EQ(button->font().weight(), QFont::Medium);
    Pointer pointer(&window_);
    pointer.click(centreInWindow(button));
    EXPECT_EQ(fired_, 1);
    EXPECT_EQ(QApplication::focusWidget(), nullptr);

    // Pressed on it, released elsewhere: no action.
    pointer.press(centreInWindow(button));
    EXPECT_TRUE(button->highlighted());
    pointer.move(QPointF(150, 80));
    pointer.release(QPointF(150, 80));
    EXPECT_EQ(fired_, 1);

    auto* symbolOnly = place(new ChromeButton(QString(), count()), QRect(150, 10, 20, 22));
    EXPECT_TRUE(symbolOnly->toolTip().isEmpty());
    // Hover follows the pointer in and out.
    QEnterEvent enter(QPointF(5, 5), QPointF(155, 15), QPointF(155, 15));
    QApplication::sendEvent(symbolOnly, &enter);
    EXPECT_TRUE(symbolOnly->hovered());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(symbolOnly, &leave);
    EXPECT_FALSE(symbolOnly->hovered());
}

// The pixel of a symbol's square that stands out most from the background.
QColor strongest(const QImage& image, QRect square, QColor background) {
    QColor best = background;
    int bestDistance = -1;
    for (int y = square.top(); y <= square.bottom(); ++y)
        for (int x = square.left(); x <= square.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int distance = std::abs(c.red() - background.red()) +
                                 std::abs(c.green() - background.green()) +
                                 std::abs(c.blue() - background.blue());
            if (distance > bestDistance) bestDistance = distance, best = c;
        }
    return best;
}

TEST_F(ControlsTest, ChromeButtonLooks) {
    // Neither prominent nor a menu: no fill and no outline until hovered or pressed.
    auto* plain = place(new ChromeButton(QString(), count()), QRect(10, 10, 20, 22));
    plain->setSymbol("minus");
    const QColor before = snapshot(plain).pixelColor(10, 2);
    EXPECT_TRUE(near(before, rgb(Theme::canvas()), 1));
    {
        // Clear mixed toward the accent: a faint veil over what lies below.
        const Color veil = Color{0, 0, 0, 0}.mixed(Theme::accent(), 0.08);
        const QColor expected = rgb(Color{before.redF(), before.greenF(), before.blueF()}.mixed(
            Color{veil.red, veil.green, veil.blue}, veil.alpha));
        plain->setHovered(true);
        EXPECT_TRUE(near(snapshot(plain).pixelColor(10, 2), expected, 1))
            << snapshot(plain).pixelColor(10, 2) << " " << expected;
        Pointer pointer(&window_);
        pointer.press(centreInWindow(plain));
        EXPECT_TRUE(near(snapshot(plain).pixelColor(10, 2), rgb(Theme::line()), 1));
        pointer.release(centreInWindow(plain));
    }

    // Prominent: an accent-tinted surface with an accent title.
    auto* add = place(new ChromeButton(QStringLiteral("+"), count()), QRect(10, 40, 120, 22));
    add->setProminent(true);
    EXPECT_TRUE(
        near(snapshot(add).pixelColor(10, 5), rgb(Theme::surface().mixed(Theme::accent(), 0.12))));

    // A dangerous symbol is ink outside, red under the pointer.
    auto* quit = place(new ChromeButton(QString(), count()), QRect(150, 10, 18, 20));
    quit->setSymbol("power");
    quit->setDangerous(true);
    const QRect square(3, 4, 12, 12);
    QColor c = strongest(snapshot(quit), square, rgb(Theme::canvas()));
    EXPECT_LT(std::abs(c.red() - c.green()) + std::abs(c.green() - c.blue()), 12) << c;
    EXPECT_GT(c.lightness(), 120) << c;
    quit->setHovered(true);
    c = strongest(snapshot(quit), square, rgb(Theme::canvas()));
    EXPECT_GT(c.red() - c.green(), 80) << c;

    // With a title, the title is drawn and the symbol is not.
    auto* gear = place(new ChromeButton(QString(), count()), QRect(40, 10, 40, 22));
    gear->setSymbol("gearshape");
    EXPECT_FALSE(near(snapshot(gear).pixelColor(19, 7), rgb(Theme::canvas()), 20));
    gear->setText(QStringLiteral("·"));
    EXPECT_TRUE(near(snapshot(gear).pixelColor(19, 7), rgb(Theme::canvas()), 1));
}

TEST_F(ControlsTest, PinSwitchReportsItsStateOnEveryAssignment) {
    auto* pin =
        place(new PinButton(QStringLiteral("Vedno na vrhu"), count()), QRect(8, 70, 158, 21));
    EXPECT_TRUE(pin->on());
    EXPECT_TRUE(pin->accessibleValue().isEmpty());
    pin->setOn(true);  // the same value still sets the accessible value
    EXPECT_EQ(pin->accessibleValue(), "Vključeno");
    QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(pin);
    EXPECT_EQ(a11y->role(), QAccessible::CheckBox);
    EXPECT_TRUE(a11y->state().checkable);
    EXPECT_TRUE(a11y->state().checked);
    EXPECT_EQ(a11y->text(QAccessible::Value), "Vključeno");
    // Knob at the right over an accent track.
    EXPECT_TRUE(near(snapshot(pin).pixelColor(4, 10), rgb(Theme::accent())));
    EXPECT_EQ(snapshot(pin).pixelColor(16, 10), QColor(Qt::white));

    pin->setOn(false);
    EXPECT_EQ(pin->accessibleValue(), "Izključeno");
    EXPECT_FALSE(a11y->state().checked);
    EXPECT_TRUE(near(snapshot(pin).pixelColor(19, 10), rgb(Theme::line())));
    EXPECT_EQ(snapshot(pin).pixelColor(6, 10), QColor(Qt::white));
}

TEST_F(ControlsTest, ThemeDotRingsTheCurrentThemeOnly) {
    auto* graphite = place(new ThemeButton(AppTheme::graphite, count()), QRect(115, 38, 19, 24));
    auto* light = place(new ThemeButton(AppTheme::light, count()), QRect(172, 38, 19, 24));
    EXPECT_EQ(light->toolTip(), "Tema: Svetla");
    EXPECT_EQ(light->accessibleName(), "Tema: Svetla");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(light)->role(), QAccessible::RadioButton);

    // The dot's centre is its swatch; 7.5 pixels to the right lies the ring.
    const auto centre = [](ThemeButton* b) { return snapshot(b).pixelColor(9, 12); };
    const auto ring = [](ThemeButton* b) { return snapshot(b).pixelColor(17, 12); };
    const auto background = [](ThemeButton* b) { return snapshot(b).pixelColor(0, 0); };
    EXPECT_TRUE(near(centre(light), rgb("#EDF2F5")));
    EXPECT_TRUE(near(ring(graphite), rgb(Theme::accent()), 60)) << ring(graphite);
    EXPECT_EQ(ring(light), background(light));
    light->setHovered(true);
    EXPECT_FALSE(near(ring(light), background(light), 10));
    EXPECT_FALSE(near(ring(light), rgb(Theme::accent()), 60));

    ThemeScope scope(AppTheme::light);
    EXPECT_TRUE(near(ring(light), rgb(Theme::accent()), 60)) << ring(light);
    EXPECT_EQ(ring(graphite), background(graphite));
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(light)->state().checked);
}

TEST(PalettePanel, NeverTakesFocusNorActivates) {
    PalettePanel panel;
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_AlwaysShowToolTips));
    EXPECT_EQ(panel.focusPolicy(), Qt::NoFocus);

    auto* content = new QWidget;
    panel.setContentView(content);
    panel.resize(200, 300);
    panel.showWithoutActivating();
    EXPECT_EQ(content->geometry(), QRect(0, 0, 200, 300));
    EXPECT_FALSE(panel.isActiveWindow());

    // Keep-above changes in place: the window stays shown and keeps its frame.
    EXPECT_FALSE(panel.keepAbove());
    panel.setKeepAbove(true);
    EXPECT_TRUE(panel.keepAbove());
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(panel.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel.windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
    panel.setKeepAbove(false);
    EXPECT_FALSE(panel.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel.isVisible());
}

TEST_F(ControlsTest, HeaderDrawsBadgeAndTitle) {
    auto* header = place(new HeaderView, QRect(0, 0, 200, 34));
    const QImage image = snapshot(header);
    EXPECT_TRUE(near(image.pixelColor(10, 25), rgb(Theme::accent())));
    // The badge text is the accent's readable ink: dark on graphite's pale blue.
    bool darkInk = false;
    for (int y = 12; y < 24; ++y)
        for (int x = 9; x < 25; ++x)
            darkInk = darkInk || near(image.pixelColor(x, y), rgb("#142020"), 30);
    EXPECT_TRUE(darkInk);
    // A press on the header is taken by it (it starts a window move) and reaches nothing else.
    Pointer pointer(&window_);
    pointer.press(QPointF(60, 17));
    pointer.release(QPointF(60, 17));
}

}  // namespace
}  // namespace zuna::test
