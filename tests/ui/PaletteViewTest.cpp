#include <gtest/gtest.h>

#include <QAccessible>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <filesystem>

#include "UiTestSupport.h"
#include "ui/ChromeButton.h"
#include "ui/HeaderView.h"
#include "ui/PalettePanel.h"
#include "ui/PaletteView.h"
#include "ui/PinButton.h"
#include "ui/SnippetButton.h"
#include "ui/ThemeButton.h"

namespace zuna::test {
namespace {

std::vector<Snippet> snippets(std::size_t count) {
    std::vector<Snippet> list;
    for (std::size_t i = 0; i < count; ++i)
        list.emplace_back("Gumb " + std::to_string(i),
                          i % 3 == 2 ? "" : "besedilo " + std::to_string(i),
                          "ID" + std::to_string(i));
    return list;
}

// The palette as the controller builds it: a panel holding the view, shown.
class PaletteViewTest : public ::testing::Test {
  protected:
    PaletteViewTest() {
        owner_.current = SavedState(snippets(3));
        owner_.current.groups.front().name = "Moji podatki";
        owner_.current.alwaysOnTop = false;
        view_ = new PaletteView(owner_);
        panel_.setContentView(view_);
        view_->setOnGeometryChange([this] { ++geometryChanges_; });
    }

    void show(int height, const std::vector<Snippet>& list) {
        view_->render(list);
        panel_.resize(200, height);
        panel_.showWithoutActivating();
    }

    std::vector<std::string> callsOf(QWidget* control) {
        owner_.calls.clear();
        Pointer(&panel_).click(centreInWindow(control));
        return owner_.calls;
    }

    RecordingOwner owner_;
    PalettePanel panel_;
    PaletteView* view_;
    int geometryChanges_ = 0;
};

using Frames = std::vector<QRect>;

TEST_F(PaletteViewTest, LaysOutEveryControlToThePoint) {
    show(400, snippets(3));
    const Frames expected{{0, 0, 200, 34},   {155, 8, 18, 20},  {176, 8, 18, 20},
                          {8, 38, 102, 24},  {115, 38, 19, 24}, {134, 38, 19, 24},
                          {153, 38, 19, 24}, {172, 38, 19, 24}, {8, 69, 184, 22},
                          {8, 97, 184, 23},  {8, 98, 184, 268}, {8, 346, 184, 21},
                          {8, 374, 158, 21}, {172, 373, 20, 22}};
    const Frames actual{view_->header()->geometry(),
                        view_->hideButton()->geometry(),
                        view_->quitButton()->geometry(),
                        view_->groups()->geometry(),
                        view_->themeButtons()[0]->geometry(),
                        view_->themeButtons()[1]->geometry(),
                        view_->themeButtons()[2]->geometry(),
                        view_->themeButtons()[3]->geometry(),
                        view_->add()->geometry(),
                        view_->permission()->geometry(),
                        view_->scroll()->geometry(),
                        view_->status()->geometry(),
                        view_->pin()->geometry(),
                        view_->options()->geometry()};
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(view_->hideButton()->parentWidget(), view_->header());

    // Rows are 28 high, 32 apart, as wide as the list; the list fills the visible area.
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(view_->row(i)->geometry(), QRect(0, 32 * static_cast<int>(i), 184, 28));
    EXPECT_EQ(view_->document()->size(), QSize(184, 268));
    EXPECT_EQ(view_->emptyText(), nullptr);

    // The permission button pushes the list down; the status line takes 24 from it.
    view_->setPermissionVisible(true);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 127, 184, 239));
    view_->setStatusVisible(true);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 127, 184, 215));
    EXPECT_TRUE(view_->status()->isVisible());
    EXPECT_TRUE(view_->permission()->isVisible());

    // Too short a window: the list keeps one row's height and scrolls.
    panel_.resize(200, 150);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 127, 184, 28));
    EXPECT_EQ(view_->document()->height(), 3 * 32 - 4);
    view_->setPermissionVisible(false);
    view_->setStatusVisible(false);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 98, 184, 28));
    EXPECT_FALSE(view_->status()->isVisible());
}

TEST_F(PaletteViewTest, DesiredHeightFollowsTheListAndTheOptionalLines) {
    show(300, {});
    EXPECT_EQ(view_->desiredHeight(), 176);
    ASSERT_NE(view_->emptyText(), nullptr);
    EXPECT_EQ(view_->emptyText()->text(), "Prostor za tvoje bližnjice.\nDodaj prvi gumb.");
    EXPECT_TRUE(view_->emptyText()->wordWrap());
    EXPECT_EQ(view_->emptyText()->geometry(), QRect(3, 3, 178, 40));
    EXPECT_EQ(view_->rowCount(), 0u);

    view_->render(snippets(1));
    EXPECT_EQ(view_->desiredHeight(), 176);
    EXPECT_EQ(view_->emptyText(), nullptr);
    view_->render(snippets(5));
    EXPECT_EQ(view_->desiredHeight(), 288);

    geometryChanges_ = 0;
    view_->setPermissionVisible(true);
    EXPECT_EQ(view_->desiredHeight(), 288 + 29);
    EXPECT_EQ(geometryChanges_, 1);
    view_->setStatusVisible(true);
    EXPECT_EQ(view_->desiredHeight(), 288 + 29 + 24);
    EXPECT_EQ(geometryChanges_, 2);
    view_->setStatusVisible(true);  // the same value still reports
    EXPECT_EQ(geometryChanges_, 3);
    view_->setPermissionVisible(false);
    view_->setStatusVisible(false);
    EXPECT_EQ(view_->desiredHeight(), 288);
}

TEST_F(PaletteViewTest, EachControlCallsItsOwnerOperation) {
    show(400, snippets(3));
    view_->setPermissionVisible(true);
    using Calls = std::vector<std::string>;
    EXPECT_EQ(callsOf(view_->hideButton()), Calls{"hidePanel"});
    EXPECT_EQ(callsOf(view_->quitButton()), Calls{"quit"});
    EXPECT_EQ(callsOf(view_->groups()), Calls{"showGroups"});
    EXPECT_EQ(callsOf(view_->add()), Calls{"edit (new)"});
    EXPECT_EQ(callsOf(view_->options()), Calls{"showOptions"});
    EXPECT_EQ(callsOf(view_->pin()), Calls{"togglePin"});
    EXPECT_EQ(callsOf(view_->permission()), Calls{"showPermission"});
    EXPECT_EQ(callsOf(view_->themeButtons()[2]), Calls{"selectTheme midnight"});
    EXPECT_EQ(callsOf(view_->themeButtons()[3]), Calls{"selectTheme light"});
    // A filled button pastes, an empty one opens the editor.
    EXPECT_EQ(callsOf(view_->row(0)), Calls{"paste Gumb 0: besedilo 0"});
    EXPECT_EQ(callsOf(view_->row(2)), Calls{"edit ID2"});
    // The pin only asks: the owner sets the switch once the change is saved.
    EXPECT_FALSE(view_->pin()->on());

    // While an alert or the editor is open, clicks on buttons do nothing.
    owner_.modal = true;
    EXPECT_TRUE(callsOf(view_->row(0)).empty());
    EXPECT_TRUE(callsOf(view_->row(2)).empty());
}

TEST_F(PaletteViewTest, RenderReadsTheStateAndRefreshesThemedParts) {
    owner_.current.groups.front().name = "Računi in plačila za vse stranke";
    owner_.current.alwaysOnTop = true;
    show(400, snippets(3));
    EXPECT_EQ(view_->groups()->text(), "Računi in plačila za vse stranke");
    EXPECT_EQ(view_->groups()->toolTip(),
              "Skupina: Računi in plačila za vse stranke · Klikni za izbiro in urejanje");
    EXPECT_TRUE(view_->pin()->on());
    EXPECT_EQ(view_->pin()->accessibleValue(), "Vključeno");
    EXPECT_EQ(owner_.menusMade, 3);
    EXPECT_NE(view_->row(1)->menu(), nullptr);
    EXPECT_EQ(view_->themeButtons()[0]->accessibleValue(), "Vključeno");
    EXPECT_EQ(view_->themeButtons()[3]->accessibleValue(), "Izključeno");

    // The controller paints an error red; a theme change and render bring back the muted text.
    view_->status()->setTextColor(systemRed());
    ThemeScope light(AppTheme::light);
    view_->render(snippets(3));
    EXPECT_EQ(view_->status()->textColor(), rgb(Theme::muted()));
    EXPECT_EQ(view_->themeButtons()[0]->accessibleValue(), "Izključeno");
    EXPECT_EQ(view_->themeButtons()[3]->accessibleValue(), "Vključeno");
    const QImage image = snapshot(view_);
    EXPECT_EQ(image.pixelColor(100, 96), rgb(Theme::canvas()));
    EXPECT_TRUE(near(image.pixelColor(100, 400 - 30), rgb(Theme::line()), 40));
}

// Drags the first of the list's buttons and releases it at `y` in the list's coordinates.
class DragTest : public PaletteViewTest {
  protected:
    void dragFirstTo(double x, double y) {
        Pointer pointer(&panel_);
        const QPointF start = centreInWindow(view_->row(0));
        const QPointF end = inWindow(view_->scroll(), QPointF(x, y));
        pointer.press(start);
        pointer.move(start + QPointF(0, 8));
        pointer.move(end);
        indicatorShown_ = view_->insertion()->isVisible();
        indicatorFrame_ = view_->insertion()->geometry();
        pointer.release(end);
    }
    bool indicatorShown_ = false;
    QRect indicatorFrame_;
};

TEST_F(DragTest, ReleaseGivesTheGapIndex) {
    show(400, snippets(3));
    const std::vector<std::pair<double, std::string>> cases{{20, "reorder ID0 1"},
                                                            {50, "reorder ID0 2"},
                                                            {100, "reorder ID0 3"},
                                                            {130, "reorder ID0 3"},
                                                            {-7, "reorder ID0 0"}};
    for (const auto& [y, call] : cases) {
        SCOPED_TRACE(y);
        owner_.calls.clear();
        dragFirstTo(90, y);
        EXPECT_EQ(owner_.calls, std::vector<std::string>{call});
        EXPECT_TRUE(indicatorShown_);
        EXPECT_FALSE(view_->insertion()->isVisible());
    }
    owner_.calls.clear();
    dragFirstTo(90, 50);
    EXPECT_EQ(indicatorFrame_, QRect(0, 61, 184, 2));
    dragFirstTo(90, 5);
    EXPECT_EQ(indicatorFrame_, QRect(0, 0, 184, 2));

    EXPECT_EQ(PaletteView::gapIndex(-30, 3), 0u);
    EXPECT_EQ(PaletteView::gapIndex(15.9, 3), 0u);
    EXPECT_EQ(PaletteView::gapIndex(16, 3), 1u);
}

TEST_F(DragTest, OnlyReleasesNearTheListReorder) {
    show(400, snippets(3));
    const double listWidth = view_->scroll()->width();
    dragFirstTo(listWidth + 5, 40);
    EXPECT_EQ(owner_.calls, std::vector<std::string>{"reorder ID0 1"});
    owner_.calls.clear();
    dragFirstTo(listWidth + 9, 40);
    EXPECT_TRUE(owner_.calls.empty());
    EXPECT_FALSE(indicatorShown_);
    dragFirstTo(-9, 40);
    EXPECT_TRUE(owner_.calls.empty());
}

TEST_F(DragTest, ARenderFromTheDropKeepsThePaletteWhole) {
    show(400, snippets(3));
    // The owner re-renders from inside the release, as the controller does after a move.
    owner_.onReorder = [this] { view_->render(snippets(3)); };
    dragFirstTo(90, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view_->liveRows().size(), 3u);
    EXPECT_EQ(callsOf(view_->row(1)), std::vector<std::string>{"paste Gumb 1: besedilo 1"});
}

TEST_F(PaletteViewTest, ALargeGroupHasButtonsOnlyNearTheVisibleRows) {
    show(400, snippets(1000));
    EXPECT_EQ(view_->rowCount(), 1000u);
    EXPECT_EQ(view_->document()->height(), 1000 * 32 - 4);
    EXPECT_EQ(view_->desiredHeight(), 98 + 31996 + 34);
    const std::size_t live = view_->liveRows().size();
    EXPECT_GE(live, 268u / 32);
    EXPECT_LT(live, 40u);
    // Menus are asked for the created buttons only (some were made at the window's first size).
    EXPECT_LT(owner_.menusMade, 60);
    EXPECT_EQ(view_->row(999), nullptr);

    view_->scroll()->verticalScrollBar()->setValue(view_->scroll()->verticalScrollBar()->maximum());
    ASSERT_NE(view_->row(999), nullptr);
    EXPECT_EQ(view_->row(999)->geometry(), QRect(0, 999 * 32, 184, 28));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view_->row(0), nullptr);
    EXPECT_LT(view_->liveRows().size(), 40u);
    // The last button works like any other.
    EXPECT_EQ(callsOf(view_->row(999)), std::vector<std::string>{"paste Gumb 999: besedilo 999"});
}

TEST_F(DragTest, HoldingADragBelowTheListScrollsIt) {
    show(300, snippets(100));
    QScrollBar* bar = view_->scroll()->verticalScrollBar();
    ASSERT_EQ(bar->value(), 0);
    Pointer pointer(&panel_);
    const QPointF start = centreInWindow(view_->row(0));
    const QPointF below = inWindow(view_->scroll(), QPointF(90, view_->scroll()->height() + 6));
    pointer.press(start);
    pointer.move(start + QPointF(0, 8));
    pointer.move(below);
    const int afterMove = bar->value();
    EXPECT_GT(afterMove, 0);
    QTest::qWait(200);  // held still: the list keeps scrolling
    EXPECT_GT(bar->value(), afterMove);
    // The dragged button keeps its press, however far the list scrolled.
    ASSERT_NE(view_->row(0), nullptr);
    EXPECT_TRUE(view_->row(0)->tracking());
    pointer.release(below);
    // Released 6 below the visible list: within the margin, so it is a move.
    ASSERT_EQ(owner_.calls.size(), 1u);
    const std::size_t gap = std::stoul(owner_.calls[0].substr(std::string("reorder ID0 ").size()));
    EXPECT_EQ(gap, PaletteView::gapIndex(bar->value() + view_->scroll()->height() + 6, 100));

    // A press cut short (the window went away, no release came) stops the scrolling.
    owner_.calls.clear();
    bar->setValue(0);
    pointer.press(centreInWindow(view_->row(0)));
    pointer.move(centreInWindow(view_->row(0)) + QPointF(0, 8));
    pointer.move(below);
    panel_.hide();
    panel_.show();
    QTest::qWait(100);
    const int stopped = bar->value();
    QTest::qWait(150);
    EXPECT_EQ(bar->value(), stopped);
    EXPECT_FALSE(view_->insertion()->isVisible());
    pointer.release(below);
    EXPECT_TRUE(owner_.calls.empty());
}

TEST_F(PaletteViewTest, ActionsOutliveNothing) {
    auto owner = std::make_unique<RecordingOwner>();
    owner->current = SavedState(snippets(2));
    PalettePanel panel;
    auto* view = new PaletteView(*owner);
    panel.setContentView(view);
    view->render(snippets(2));
    panel.resize(200, 300);
    panel.show();
    SnippetButton* row = view->row(0);
    owner.reset();
    // The owner is gone: clicks, drags and renders do nothing and do not crash.
    Pointer pointer(&panel);
    pointer.click(centreInWindow(row));
    pointer.click(centreInWindow(view->quitButton()));
    view->render(snippets(2));
    EXPECT_EQ(view->rowCount(), 2u);
}

TEST_F(PaletteViewTest, RendersEachThemeToPng) {
    std::filesystem::create_directories(ZUNA_SCREENSHOT_DIR);
    auto list = snippets(6);
    list[1].color = "#AE608C";
    list[3].color = "#658548";
    list[4].color = "#B4654F";
    for (AppTheme theme : AppTheme::allCases) {
        ThemeScope scope(theme);
        show(400, list);
        panel_.resize(200, static_cast<int>(view_->desiredHeight()));
        const std::string file =
            std::string(ZUNA_SCREENSHOT_DIR) + "/palette-" + std::string(theme.rawValue()) + ".png";
        ASSERT_TRUE(panel_.grab().save(QString::fromStdString(file)));
        const QImage image(QString::fromStdString(file));
        EXPECT_EQ(image.size(), QSize(200, 98 + 6 * 32 - 4 + 34));
        EXPECT_EQ(image.pixelColor(100, 95), rgb(Theme::canvas()));
    }
}

}  // namespace
}  // namespace zuna::test
