#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/model/Records.h"
#include "ui/PaletteOwner.h"

class QLabel;
class QMouseEvent;
class QScrollArea;
class QScrollBar;

namespace zuna {

class ChromeButton;
class HeaderView;
class Label;
class PinButton;
class SnippetButton;
class ThemeButton;

// The palette window's content: header, group button and theme dots, the add button, the
// optional permission button, the scrolling list of snippet buttons, the optional status line
// and the footer with the always-on-top switch and the options button. It owns no data: the
// buttons come in through render(), and everything else it needs it asks its owner.
class PaletteView : public QWidget {
    Q_OBJECT
  public:
    explicit PaletteView(PaletteOwner& owner, QWidget* parent = nullptr);
    ~PaletteView() override;

    // Rebuilds the snippet buttons for the selected group's list and refreshes every themed
    // part (group name, pin switch, theme dots) from the owner's state.
    void render(const std::vector<Snippet>& snippets);

    // The content height the view needs for the current list, status line and permission
    // button; the controller fits the panel to it, limited by the screen.
    double desiredHeight() const;

    bool statusVisible() const { return statusVisible_; }
    // Every assignment shows or hides the line, lays out and reports the geometry change.
    void setStatusVisible(bool visible);
    bool permissionVisible() const { return permissionVisible_; }
    void setPermissionVisible(bool visible);

    // Called whenever the needed height changes; the controller fits the panel.
    void setOnGeometryChange(std::function<void()> callback) {
        onGeometryChange_ = std::move(callback);
    }

    // Places every control for the current size.
    void layoutContent();

    // The gap a pointer at height `y` of the list points to: 0 before the first of `count` rows,
    // `count` after the last.
    static std::size_t gapIndex(double y, std::size_t count);

    HeaderView* header() const { return header_; }
    QScrollArea* scroll() const { return scroll_; }
    QWidget* document() const { return document_; }
    QWidget* insertion() const { return insertion_; }
    // The status line; the controller sets its text, tool tip and colour.
    Label* status() const { return status_; }
    ChromeButton* add() const { return add_; }
    ChromeButton* options() const { return options_; }
    ChromeButton* groups() const { return groups_; }
    PinButton* pin() const { return pin_; }
    ChromeButton* permission() const { return permission_; }
    ChromeButton* hideButton() const { return hideButton_; }
    ChromeButton* quitButton() const { return quitButton_; }
    const std::vector<ThemeButton*>& themeButtons() const { return themeButtons_; }
    // The buttons of the last render, in list order. Buttons exist only for the rows in and
    // near the visible part of the list (and for one being pressed); row() is null elsewhere.
    std::size_t rowCount() const { return snippets_.size(); }
    SnippetButton* row(std::size_t index) const;
    std::vector<SnippetButton*> liveRows() const;
    QLabel* emptyText() const { return empty_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    double listTop() const;
    double statusSpace() const;
    void clearList();
    void geometryChanged();
    void applyScrollBarStyle();
    void clicked(const Snippet& snippet);
    // Creates the buttons of the rows near the visible part and retires the others.
    void updateLiveRows();
    SnippetButton* makeRow(std::size_t index);
    QRect rowFrame(std::size_t index) const;
    void dragged(const std::string& id, const QPointF& windowPosition, bool finished);
    bool insideList(const QPointF& windowPosition) const;
    // Places the drop indicator at the gap under the pointer; returns that gap.
    std::size_t placeIndicator(const QPointF& windowPosition, bool visible);
    // How far the dragging pointer is above (negative) or below the visible list; 0 inside.
    double autoscrollDistance() const;
    void autoscrollStep();

    OwnerRef owner_;
    HeaderView* header_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
    QWidget* document_ = nullptr;
    QWidget* insertion_ = nullptr;
    Label* status_ = nullptr;
    ChromeButton* add_ = nullptr;
    ChromeButton* options_ = nullptr;
    ChromeButton* groups_ = nullptr;
    PinButton* pin_ = nullptr;
    ChromeButton* permission_ = nullptr;
    ChromeButton* hideButton_ = nullptr;
    ChromeButton* quitButton_ = nullptr;
    std::vector<ThemeButton*> themeButtons_;
    std::vector<Snippet> snippets_;
    std::vector<SnippetButton*> rows_;  // one slot per snippet, null while not created
    std::size_t liveFirst_ = 0;
    std::size_t liveEnd_ = 0;
    QLabel* empty_ = nullptr;
    std::function<void()> onGeometryChange_;
    bool statusVisible_ = false;
    bool permissionVisible_ = false;

    // The drag in progress, for scrolling while the pointer is held beyond the list's edge.
    struct Drag {
        std::string id;
        QPointF windowPosition;
    };
    std::optional<Drag> drag_;
    QTimer autoscroll_;
};

}  // namespace zuna
