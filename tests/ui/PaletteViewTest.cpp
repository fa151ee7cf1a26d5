#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>
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

    Calls callsOf(QWidget* control) {
        owner_.calls.clear();
        Pointer(&panel_).click(centreInWindow(control));
        return owner_.calls;
    }

    // Drags the first button past the threshold to `y` in the list's coordinates; the calls made.
    Calls dragFirstTo(double x, double y, bool release = true) {
        owner_.calls.clear();
        Pointer pointer(&panel_);
        const QPointF start = centreInWindow(view_->row(0));
        const QPointF end = inWindow(view_->scroll(), QPointF(x, y));
        pointer.press(start);
        pointer.move(start + QPointF(0, 8));
        pointer.move(end);
        indicator_ = view_->insertion()->isVisible() ? view_->insertion()->geometry() : QRect();
        if (release) pointer.release(end);
        return owner_.calls;
    }

    RecordingOwner owner_;
    PalettePanel panel_;
    PaletteView* view_;
    int geometryChanges_ = 0;
    QRect indicator_;
};

TEST_F(PaletteViewTest, LaysOutEveryControlToThePoint) {
    show(400, snippets(3));
    PaletteView& v = *view_;
    const auto themes = v.themeButtons();
    const std::vector<std::pair<QWidget*, QRect>> frames = {
        {v.header(), {0, 0, 200, 34}},      {v.hideButton(), {155, 8, 18, 20}},
        {v.quitButton(), {176, 8, 18, 20}}, {v.groups(), {8, 38, 102, 24}},
        {themes[0], {115, 38, 19, 24}},     {themes[3], {172, 38, 19, 24}},
        {v.add(), {8, 69, 184, 22}},        {v.permission(), {8, 97, 184, 23}},
        {v.scroll(), {8, 98, 184, 268}},    {v.status(), {8, 346, 184, 21}},
        {v.pin(), {8, 374, 158, 21}},       {v.options(), {172, 373, 20, 22}}};
    for (std::size_t i = 0; i < frames.size(); ++i)
        EXPECT_EQ(frames[i].first->geometry(), frames[i].second) << "frame " << i;
    // Rows are 28 high, 32 apart, as wide as the list.
    EXPECT_EQ(view_->row(2)->geometry(), QRect(0, 64, 184, 28));

    // The permission button pushes the list down; the status line takes 24 from it.
    view_->setPermissionVisible(true);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 127, 184, 239));
    view_->setStatusVisible(true);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 127, 184, 215));
    EXPECT_TRUE(view_->status()->isVisible());
    // Too short a window: the list keeps one row's height and scrolls.
    panel_.resize(200, 150);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 127, 184, 28));
    EXPECT_EQ(view_->document()->height(), 3 * 32 - 4);
    view_->setPermissionVisible(false);
    view_->setStatusVisible(false);
    EXPECT_EQ(view_->scroll()->geometry(), QRect(8, 98, 184, 28));
}

TEST_F(PaletteViewTest, DesiredHeightFollowsTheListAndTheOptionalLines) {
    show(300, {});
    EXPECT_EQ(view_->desiredHeight(), 176);
    ASSERT_NE(view_->emptyText(), nullptr);
    EXPECT_EQ(view_->emptyText()->text(), "Prostor za tvoje bližnjice.\nDodaj prvi gumb.");
    view_->render(snippets(1));
    EXPECT_EQ(view_->desiredHeight(), 176);
    EXPECT_EQ(view_->emptyText(), nullptr);
    view_->render(snippets(5));
    EXPECT_EQ(view_->desiredHeight(), 288);

    geometryChanges_ = 0;
    view_->setPermissionVisible(true);
    view_->setStatusVisible(true);
    EXPECT_EQ(view_->desiredHeight(), 288 + 29 + 24);
    view_->setStatusVisible(true);  // the same value still reports
    EXPECT_EQ(geometryChanges_, 3);
}

TEST_F(PaletteViewTest, EachControlCallsItsOwnerOperation) {
    show(400, snippets(3));
    view_->setPermissionVisible(true);
    EXPECT_EQ(callsOf(view_->hideButton()), Calls{"hidePanel"});
    EXPECT_EQ(callsOf(view_->quitButton()), Calls{"quit"});
    EXPECT_EQ(callsOf(view_->groups()), Calls{"showGroups"});
    EXPECT_EQ(callsOf(view_->add()), Calls{"edit (new)"});
    EXPECT_EQ(callsOf(view_->options()), Calls{"showOptions"});
    EXPECT_EQ(callsOf(view_->pin()), Calls{"togglePin"});
    EXPECT_EQ(callsOf(view_->permission()), Calls{"showPermission"});
    EXPECT_EQ(callsOf(view_->themeButtons()[2]), Calls{"selectTheme midnight"});
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
    owner_.current.alwaysOnTop = true;
    show(400, snippets(3));
    EXPECT_EQ(view_->groups()->text(), "Moji podatki");
    EXPECT_TRUE(view_->pin()->on());
    EXPECT_EQ(owner_.menusMade, 3);
    EXPECT_EQ(view_->themeButtons()[0]->accessibleValue(), "Vključeno");

    // The controller paints an error red; a theme change and render bring back the muted text.
    view_->status()->setTextColor(systemRed());
    ThemeScope light(AppTheme::light);
    view_->render(snippets(3));
    EXPECT_EQ(view_->status()->textColor(), rgb(Theme::muted()));
    EXPECT_EQ(view_->themeButtons()[0]->accessibleValue(), "Izključeno");
    EXPECT_EQ(view_->themeButtons()[3]->accessibleValue(), "Vključeno");
}

TEST_F(PaletteViewTest, ADragReleasedInTheListReordersToTheGap) {
    show(400, snippets(3));
    EXPECT_EQ(dragFirstTo(90, 50), Calls{"reorder ID0 2"});
    EXPECT_EQ(indicator_, QRect(0, 61, 184, 2));
    EXPECT_FALSE(view_->insertion()->isVisible());
    EXPECT_EQ(dragFirstTo(90, -7), Calls{"reorder ID0 0"});
    EXPECT_EQ(indicator_, QRect(0, 0, 184, 2));
    EXPECT_EQ(dragFirstTo(90, 130), Calls{"reorder ID0 3"});
    EXPECT_EQ(PaletteView::gapIndex(15.9, 3), 0u);
    EXPECT_EQ(PaletteView::gapIndex(16, 3), 1u);

    // Up to 8 outside the list still counts.
    const double listWidth = view_->scroll()->width();
    EXPECT_EQ(dragFirstTo(listWidth + 5, 40), Calls{"reorder ID0 1"});
    EXPECT_TRUE(dragFirstTo(listWidth + 9, 40).empty());
    EXPECT_TRUE(indicator_.isNull());

    // The owner re-renders from inside the release, as the controller does after a move.
    owner_.onReorder = [this] { view_->render(snippets(3)); };
    dragFirstTo(90, 50);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view_->liveRows().size(), 3u);
    EXPECT_EQ(callsOf(view_->row(1)), Calls{"paste Gumb 1: besedilo 1"});
}

TEST_F(PaletteViewTest, ALargeGroupHasButtonsOnlyNearTheVisibleRows) {
    show(400, snippets(1000));
    EXPECT_EQ(view_->desiredHeight(), 98 + 31996 + 34);
    EXPECT_LT(view_->liveRows().size(), 40u);
    EXPECT_LT(owner_.menusMade, 60);
    EXPECT_EQ(view_->row(999), nullptr);

    view_->scroll()->verticalScrollBar()->setValue(view_->scroll()->verticalScrollBar()->maximum());
    ASSERT_NE(view_->row(999), nullptr);
    EXPECT_EQ(view_->row(999)->geometry(), QRect(0, 999 * 32, 184, 28));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view_->row(0), nullptr);
    EXPECT_EQ(callsOf(view_->row(999)), Calls{"paste Gumb 999: besedilo 999"});
}

TEST_F(PaletteViewTest, HoldingADragBelowTheListScrollsIt) {
    show(300, snippets(100));
    QScrollBar* bar = view_->scroll()->verticalScrollBar();
    const double below = view_->scroll()->height() + 6;
    dragFirstTo(90, below, false);
    const int afterMove = bar->value();
    EXPECT_GT(afterMove, 0);
    QTest::qWait(200);  // held still: the list keeps scrolling
    EXPECT_GT(bar->value(), afterMove);
    // The dragged button keeps its press, however far the list scrolled.
    ASSERT_NE(view_->row(0), nullptr);
    EXPECT_TRUE(view_->row(0)->tracking());
    Pointer(&panel_).release(inWindow(view_->scroll(), QPointF(90, below)));
    ASSERT_EQ(owner_.calls.size(), 1u);
    EXPECT_EQ(owner_.calls[0],
              "reorder ID0 " + std::to_string(PaletteView::gapIndex(bar->value() + below, 100)));

    // A press cut short (the window went away, no release came) stops the scrolling.
    bar->setValue(0);
    dragFirstTo(90, below, false);
    panel_.hide();
    panel_.show();
    QTest::qWait(100);
    const int stopped = bar->value();
    QTest::qWait(150);
    EXPECT_EQ(bar->value(), stopped);
    Pointer(&panel_).release(inWindow(view_->scroll(), QPointF(90, below)));
    EXPECT_TRUE(owner_.calls.empty());
}

TEST_F(PaletteViewTest, RendersEachThemeToPng) {
    std::filesystem::create_directories(ZUNA_SCREENSHOT_DIR);
    auto list = snippets(6);
    list[1].color = "#AE608C";
    list[3].color = "#658548";
    for (AppTheme theme : AppTheme::allCases) {
        ThemeScope scope(theme);
        show(400, list);
        panel_.resize(200, static_cast<int>(view_->desiredHeight()));
        const QImage image = panel_.grab().toImage();
        EXPECT_EQ(image.size(), QSize(200, 98 + 6 * 32 - 4 + 34));
        EXPECT_EQ(image.pixelColor(100, 95), rgb(Theme::canvas()));
        EXPECT_TRUE(image.save(QStringLiteral(ZUNA_SCREENSHOT_DIR "/palette-%1.png")
                                   .arg(QString::fromUtf8(theme.rawValue()))));
    }
}

}  // namespace
}  // namespace zuna::test
