#include <gtest/gtest.h>

#include <QAccessible>
#include <QMouseEvent>

#include "UiTestSupport.h"
#include "ui/SnippetButton.h"

namespace zuna::test {
namespace {

// One button in a window, with its click and drag calls written down.
class SnippetButtonTest : public ::testing::Test {
  protected:
    void make(Snippet snippet) {
        window_ = std::make_unique<QWidget>();
        window_->resize(200, 100);
        button_ = new SnippetButton(
            std::move(snippet), [this] { ++clicks_; }, window_.get());
        button_->setGeometry(10, 30, 180, 28);
        button_->setOnDrag([this](const QMouseEvent& event, bool finished) {
            drags_.push_back({event.scenePosition(), finished});
        });
        window_->show();
        pointer_ = std::make_unique<Pointer>(window_.get());
    }

    struct DragCall {
        QPointF at;
        bool finished;
    };
    std::unique_ptr<QWidget> window_;
    SnippetButton* button_ = nullptr;
    std::unique_ptr<Pointer> pointer_;
    int clicks_ = 0;
    std::vector<DragCall> drags_;
};

TEST_F(SnippetButtonTest, FilledAndEmptyButtonsExplainThemselves) {
    make(Snippet("Pozdrav", " "));  // a single space is text
    EXPECT_TRUE(button_->filled());
    EXPECT_EQ(button_->toolTip(), "Prilepi: Pozdrav · Povleci za premik");
    EXPECT_EQ(button_->accessibleDescription(),
              "Izpolnjen gumb. Klikni za lepljenje. Desni klik za možnosti.");
    // Assistive technology can press it like a click.
    QAccessible::queryAccessibleInterface(button_)->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks_, 1);

    make(Snippet("Prazno", ""));
    EXPECT_FALSE(button_->filled());
    EXPECT_EQ(button_->toolTip(), "Dodaj besedilo · Desni klik za možnosti");
    EXPECT_EQ(button_->accessibleDescription(), "Prazen gumb. Klikni za urejanje.");
}

TEST_F(SnippetButtonTest, MovingMoreThanFivePointsMakesADragEvenWhenComingBack) {
    make(Snippet("A", "a"));
    const QPointF start = centreInWindow(button_);
    pointer_->press(start);
    pointer_->move(start + QPointF(3, 4));  // exactly 5: not beyond
    pointer_->release(start + QPointF(3, 4));
    EXPECT_EQ(clicks_, 1);
    EXPECT_TRUE(drags_.empty());

    pointer_->press(start);
    pointer_->move(start + QPointF(6, 0));
    EXPECT_FALSE(button_->highlighted());
    pointer_->move(start);
    pointer_->release(start);
    EXPECT_EQ(clicks_, 1);
    ASSERT_EQ(drags_.size(), 3u);
    EXPECT_EQ(drags_[0].at, start + QPointF(6, 0));
    EXPECT_FALSE(drags_[1].finished);
    EXPECT_TRUE(drags_[2].finished);

    // A small movement that ends outside the button is neither.
    drags_.clear();
    const QPointF nearBottom = inWindow(button_, QPointF(90, button_->height() - 2));
    pointer_->press(nearBottom);
    pointer_->move(nearBottom + QPointF(0, 4));
    pointer_->release(nearBottom + QPointF(0, 4));
    EXPECT_EQ(clicks_, 1);
    EXPECT_TRUE(drags_.empty());
}

TEST_F(SnippetButtonTest, AJumpOnReleaseStillCountsAsMoved) {
    make(Snippet("A", "a"));
    // Sent straight to the button: the window system would report the jump as a move first.
    const QPointF start = centreInWindow(button_);
    const auto send = [this](QEvent::Type type, QPointF at, Qt::MouseButtons held) {
        QMouseEvent event(type, button_->mapFrom(window_.get(), at), at, window_->mapToGlobal(at),
                          Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(button_, &event);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    send(QEvent::MouseMove, start + QPointF(3, 0), Qt::LeftButton);
    send(QEvent::MouseButtonRelease, start + QPointF(6, 0), Qt::NoButton);
    EXPECT_EQ(clicks_, 0);
    ASSERT_EQ(drags_.size(), 1u);
    EXPECT_TRUE(drags_[0].finished);
}

TEST_F(SnippetButtonTest, ControlClickAndRightClickNeverRunTheAction) {
    make(Snippet("A", "a"));
    button_->setMenu(std::make_unique<QMenu>());
    button_->menu()->addAction(QStringLiteral("Uredi"));
    pointer_->press(centreInWindow(button_), Qt::ControlModifier);
    pointer_->release(centreInWindow(button_));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(20, 10),
                                button_->mapToGlobal(QPoint(20, 10)));
    QApplication::sendEvent(button_, &menuEvent);
    EXPECT_TRUE(button_->menu()->isVisible());
    button_->menu()->hide();
    EXPECT_EQ(clicks_, 0);
}

TEST_F(SnippetButtonTest, FullColourOnDarkThemesPaleTintWithDarkInkOnTheLight) {
    make(Snippet("Modra", "x", freshIdentifier(), "#405875"));
    // Left of the text, and the centre of the check-mark circle, which has the text's colour.
    const auto fill = [this] { return snapshot(button_).pixelColor(5, 6); };
    const auto mark = [this] { return snapshot(button_).pixelColor(button_->width() - 14, 11); };
    EXPECT_TRUE(near(fill(), rgb("#405875")));
    EXPECT_TRUE(near(mark(), QColor(Qt::white), 40)) << mark();
    pointer_->press(centreInWindow(button_));
    EXPECT_TRUE(near(fill(), rgb(Color::fromHex("#405875").mixed(Color::black(), 0.18))));
    pointer_->release(centreInWindow(button_));
    button_->setHovered(false);

    ThemeScope light(AppTheme::light);
    EXPECT_TRUE(near(fill(), rgb("#BAC3CD"))) << fill();
    EXPECT_TRUE(near(mark(), rgb("#142020"), 40)) << mark();

    // An empty button is a surface with a strip of its colour and an open circle.
    make(Snippet("Prazno", "", freshIdentifier(), "#AE608C"));
    const QImage image = snapshot(button_);
    EXPECT_TRUE(near(image.pixelColor(20, 6), rgb(Theme::surface())));
    EXPECT_TRUE(near(image.pixelColor(3, 14), rgb("#AE608C"), 10)) << image.pixelColor(3, 14);
    EXPECT_TRUE(near(image.pixelColor(button_->width() - 14, 14), rgb(Theme::surface()), 6));
}

}  // namespace
}  // namespace zuna::test
