#include <gtest/gtest.h>

#include <QMouseEvent>

#include "UiTestSupport.h"
#include "ui/SnippetButton.h"

namespace zuna::test {
namespace {

// One button in a window, with its click and drag calls written down.
class SnippetButtonTest : public ::testing::Test {
  protected:
    SnippetButtonTest() {
        window_.resize(200, 100);
        button_ = new SnippetButton(Snippet("A", "a"), [this] { ++clicks_; }, &window_);
        button_->setGeometry(10, 30, 180, 28);
        button_->setOnDrag([this](const QMouseEvent&, bool finished) {
            drags_.push_back(finished);
        });
        window_.show();
    }

    QWidget window_;
    SnippetButton* button_;
    int clicks_ = 0;
    std::vector<bool> drags_;  // whether each drag call was the last
};

// Only a plain press and release over the button, moved no more than five points, pastes.
TEST_F(SnippetButtonTest, OnlyAPlainPressReleasedCloseByOverTheButtonClicks) {
    struct Case {
        const char* name;
        QPointF start;  // in the button
        Qt::KeyboardModifiers modifiers;
        std::vector<QPointF> moves;  // from the start; the release is at the last
        int clicks;
        std::size_t drags;
    };
    const QPointF centre(90, 14);
    const Case cases[] = {
        {"exactly five points", centre, Qt::NoModifier, {{3, 4}}, 1, 0},
        {"beyond five and back", centre, Qt::NoModifier, {{6, 0}, {0, 0}}, 0, 3},
        {"released just below the button", {90, 26}, Qt::NoModifier, {{0, 4}}, 0, 0},
        {"with Ctrl", centre, Qt::ControlModifier, {{0, 0}}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        clicks_ = 0;
        drags_.clear();
        Pointer pointer(&window_);
        const QPointF start = inWindow(button_, c.start);
        pointer.press(start, c.modifiers);
        for (QPointF move : c.moves)
            pointer.move(start + move);
        pointer.release(start + c.moves.back());
        EXPECT_EQ(clicks_, c.clicks);
        ASSERT_EQ(drags_.size(), c.drags);
        if (c.drags > 0) {
            EXPECT_TRUE(drags_.back());
        }
        EXPECT_FALSE(button_->tracking());
    }
}

}  // namespace
}  // namespace zuna::test
