#include <gtest/gtest.h>

#include <QScrollArea>

#include "UiTestSupport.h"
#include "ui/ChromeButton.h"
#include "ui/PalettePanel.h"
#include "ui/PaletteView.h"
#include "ui/PinButton.h"
#include "ui/SnippetButton.h"
#include "ui/ThemeButton.h"

namespace zuna::test {
namespace {

// Every third button is empty.
std::vector<Snippet> snippets(std::size_t count) {
    std::vector<Snippet> list;
    for (std::size_t i = 0; i < count; ++i)
        list.emplace_back("Gumb " + std::to_string(i),
                          i % 3 == 2 ? "" : "besedilo " + std::to_string(i),
                          "ID" + std::to_string(i));
    return list;
}

using Calls = std::vector<std::string>;

// The palette as the controller builds it: a panel holding the view, shown.
class PaletteViewTest : public ::testing::Test {
  protected:
    PaletteViewTest() {
        owner_.current = SavedState(snippets(3));
        owner_.current.alwaysOnTop = false;
        view_ = new PaletteView(owner_);
        panel_.setContentView(view_);
    }

    void show(const std::vector<Snippet>& list) {
        view_->render(list);
        panel_.resize(200, 400);
        panel_.showWithoutActivating();
    }

    Calls callsOf(QWidget* control) {
        owner_.calls.clear();
        Pointer(&panel_).click(centreInWindow(control));
        return owner_.calls;
    }

    // Drags the first button past the threshold to (x, y) in the list's coordinates.
    Calls dragFirstTo(double x, double y) {
        owner_.calls.clear();
        Pointer pointer(&panel_);
        const QPointF start = centreInWindow(view_->row(0));
        const QPointF end = inWindow(view_->scroll(), QPointF(x, y));
        pointer.press(start);
        pointer.move(start + QPointF(0, 8));
        pointer.move(end);
        pointer.release(end);
        return owner_.calls;
    }

    RecordingOwner owner_;
    PalettePanel panel_;
    PaletteView* view_;
};

TEST_F(PaletteViewTest, EachControlCallsItsOwnerOperation) {
    show(snippets(3));
    view_->setPermissionVisible(true);
    const std::vector<std::pair<QWidget*, std::string>> controls = {
        {view_->hideButton(), "hidePanel"},
        {view_->quitButton(), "quit"},
        {view_->groups(), "showGroups"},
        {view_->add(), "edit (new)"},
        {view_->options(), "showOptions"},
        {view_->pin(), "togglePin"},
        {view_->permission(), "showPermission"},
        {view_->themeButtons()[2], "selectTheme midnight"},
        // A filled button pastes, an empty one opens the editor.
        {view_->row(0), "paste Gumb 0: besedilo 0"},
        {view_->row(2), "edit ID2"},
    };
    for (const auto& [control, call] : controls)
        EXPECT_EQ(callsOf(control), Calls{call});
    // The pin only asks: the owner sets the switch once the change is saved.
    EXPECT_FALSE(view_->pin()->on());

    // While an alert or the editor is open, clicks on buttons do nothing.
    owner_.modal = true;
    EXPECT_TRUE(callsOf(view_->row(0)).empty());
    EXPECT_TRUE(callsOf(view_->row(2)).empty());
}

TEST_F(PaletteViewTest, ADragReleasedInTheListReordersToTheGap) {
    show(snippets(3));
    // Rows are 32 apart: the gap nearest the pointer, up to 8 beside the list.
    const double outside = view_->scroll()->width();
    const std::vector<std::pair<QPointF, Calls>> drops = {
        {{90, 50}, {"reorder ID0 2"}},        {{90, -7}, {"reorder ID0 0"}},
        {{90, 130}, {"reorder ID0 3"}},       {{outside + 5, 40}, {"reorder ID0 1"}},
        {{outside + 9, 40}, {}},
    };
    for (const auto& [at, calls] : drops) {
        EXPECT_EQ(dragFirstTo(at.x(), at.y()), calls) << at.x() << "," << at.y();
        EXPECT_FALSE(view_->insertion()->isVisible());
    }
    EXPECT_EQ(PaletteView::gapIndex(15.9, 3), 0u);
    EXPECT_EQ(PaletteView::gapIndex(16, 3), 1u);

    // The owner re-renders from inside the release, as the controller does after a move.
    owner_.onReorder = [this] { view_->render(snippets(3)); };
    dragFirstTo(90, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view_->liveRows().size(), 3u);
    EXPECT_EQ(callsOf(view_->row(1)), Calls{"paste Gumb 1: besedilo 1"});
}

}  // namespace
}  // namespace zuna::test
