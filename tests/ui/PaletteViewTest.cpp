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

// Three buttons; the third is empty.
std::vector<Snippet> threeButtons() {
    return {Snippet("Gumb 0", "besedilo 0", "ID0"), Snippet("Gumb 1", "besedilo 1", "ID1"),
            Snippet("Gumb 2", "", "ID2")};
}

using Calls = std::vector<std::string>;

// The palette as the controller builds it: a panel holding the view, shown.
class PaletteViewTest : public ::testing::Test {
  protected:
    PaletteViewTest() {
        owner_.current = SavedState(threeButtons());
        owner_.current.alwaysOnTop = false;
        view_ = new PaletteView(owner_);
        panel_.setContentView(view_);
        view_->render(threeButtons());
        panel_.resize(200, 400);
        panel_.showWithoutActivating();
    }

    Calls callsOf(QWidget* control) {
        owner_.calls.clear();
        Pointer(&panel_).click(centreInWindow(control));
        return owner_.calls;
    }

    RecordingOwner owner_;
    PalettePanel panel_;
    PaletteView* view_;
};

TEST_F(PaletteViewTest, EachControlCallsItsOwnerOperation) {
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

// A press on the first button (28 high, rows 32 apart), moved along a path and released at its
// end: a plain press released over the button and moved no more than five points pastes; one
// moved further is a drag that moves the button to the gap nearest the release, if the release
// is in the list or within 8 beside it.
TEST_F(PaletteViewTest, WhatAPressOnAButtonBecomesDependsOnWhereItIsReleased) {
    struct Case {
        const char* what;
        Qt::KeyboardModifiers modifiers;
        std::vector<QPointF> path;  // in the list; the first is the press
        Calls calls;
    };
    const double beside = view_->scroll()->width();
    // As the controller does after a move: the released button is replaced while it handles it.
    owner_.onReorder = [this] { view_->render(threeButtons()); };
    const Case cases[] = {
        {"moved exactly five", Qt::NoModifier, {{92, 14}, {95, 18}}, {"paste Gumb 0: besedilo 0"}},
        {"released just below", Qt::NoModifier, {{92, 26}, {92, 30}}, {}},
        {"with Ctrl", Qt::ControlModifier, {{92, 14}, {92, 14}}, {}},
        {"beyond five and back", Qt::NoModifier, {{92, 14}, {98, 14}, {92, 14}}, {"reorder ID0 0"}},
        {"to the second gap", Qt::NoModifier, {{92, 14}, {92, 22}, {90, 50}}, {"reorder ID0 2"}},
        {"above the list", Qt::NoModifier, {{92, 14}, {92, 22}, {90, -7}}, {"reorder ID0 0"}},
        {"below the list", Qt::NoModifier, {{92, 14}, {92, 22}, {90, 130}}, {"reorder ID0 3"}},
        {"5 beside", Qt::NoModifier, {{92, 14}, {92, 22}, {beside + 5, 40}}, {"reorder ID0 1"}},
        {"9 beside", Qt::NoModifier, {{92, 14}, {92, 22}, {beside + 9, 40}}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        owner_.calls.clear();
        Pointer pointer(&panel_);
        pointer.press(inWindow(view_->scroll(), c.path.front()), c.modifiers);
        for (QPointF at : c.path)
            pointer.move(inWindow(view_->scroll(), at));
        pointer.release(inWindow(view_->scroll(), c.path.back()));
        EXPECT_EQ(owner_.calls, c.calls);
        EXPECT_FALSE(view_->insertion()->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(view_->liveRows().size(), 3u);
    }
    EXPECT_EQ(callsOf(view_->row(1)), Calls{"paste Gumb 1: besedilo 1"});
    EXPECT_EQ(PaletteView::gapIndex(15.9, 3), 0u);
    EXPECT_EQ(PaletteView::gapIndex(16, 3), 1u);
}

}  // namespace
}  // namespace zuna::test
