#include "ui/PaletteView.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "core/localization/Localization.h"
#include "ui/ChromeButton.h"
#include "ui/Drawing.h"
#include "ui/HeaderView.h"
#include "ui/PinButton.h"
#include "ui/SnippetButton.h"
#include "ui/ThemeButton.h"

namespace zuna {

namespace {

constexpr double kPermissionListTop = 127;
constexpr double kStatusHeight = 24;
constexpr double kMinimumList = 44;
// A drag released this far outside the list still counts as inside.
constexpr double kDropMargin = 8;
constexpr int kAutoscrollInterval = 30;
constexpr double kAutoscrollMaxStep = 24;

// The 2-pixel accent bar in the gap where a dragged button would land.
class InsertionIndicator : public QWidget {
  public:
    explicit InsertionIndicator(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath bar;
        bar.addRoundedRect(QRectF(rect()), 1, 1);
        painter.fillPath(bar, toQColor(Theme::accent()));
    }
};

QRect frame(double x, double y, double width, double height) {
    return QRect(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)),
                 std::max(0, static_cast<int>(std::lround(width))),
                 std::max(0, static_cast<int>(std::lround(height))));
}

}  // namespace

PaletteView::PaletteView(PaletteOwner& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
    setFocusPolicy(Qt::NoFocus);
    const OwnerRef ref = owner_;
    const auto call = [ref](auto operation) {
        return [ref, operation] {
            if (PaletteOwner* o = ref.get()) operation(*o);
        };
    };

    header_ = new HeaderView(this);
    groups_ = new ChromeButton(QString(), call([](PaletteOwner& o) { o.showGroups(); }), this);
    groups_->setMenuStyle(true);
    groups_->setAccessibleName(qt(L("Izberi ali uredi skupino")));

    add_ = new ChromeButton(qt(L("+ Dodaj gumb")),
                            call([](PaletteOwner& o) { o.edit(std::nullopt); }), this);
    add_->setProminent(true);

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The list's own scroll bar lies over the rows instead of narrowing them, and shows only
    // when there is something to scroll.
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    document_ = new QWidget;
    scroll_->setWidget(document_);
    document_->setAutoFillBackground(false);
    scrollBar_ = new QScrollBar(Qt::Vertical, scroll_);
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    scrollBar_->hide();
    QScrollBar* inner = scroll_->verticalScrollBar();
    connect(inner, &QScrollBar::rangeChanged, scrollBar_, [this, inner](int min, int max) {
        scrollBar_->setRange(min, max);
        scrollBar_->setPageStep(inner->pageStep());
        scrollBar_->setVisible(max > min);
    });
    connect(inner, &QScrollBar::valueChanged, scrollBar_, &QScrollBar::setValue);
    connect(scrollBar_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    connect(inner, &QScrollBar::valueChanged, this, &PaletteView::updateLiveRows);

    insertion_ = new InsertionIndicator(document_);
    insertion_->hide();

    status_ = label(qt(L("Pripravljeno")), 11, FontWeight::regular, toQColor(Theme::muted()));
    status_->setParent(this);

    pin_ =
        new PinButton(qt(L("Vedno na vrhu")), call([](PaletteOwner& o) { o.togglePin(); }), this);
    pin_->setToolTip(qt(L("Vključi ali izključi prikaz nad drugimi okni")));
    pin_->setAccessibleName(qt(L("Vedno na vrhu")));

    options_ = new ChromeButton(QString(), call([](PaletteOwner& o) { o.showOptions(); }), this);
    options_->setSymbol("gearshape");
    options_->setToolTip(qt(L("Nastavitve, uvoz in izvoz")));
    options_->setAccessibleName(qt(L("Nastavitve, uvoz in izvoz")));

    permission_ = new ChromeButton(qt(L("Omogoči lepljenje →")),
                                   call([](PaletteOwner& o) { o.showPermission(); }), this);
    permission_->setProminent(true);
    permission_->hide();

    for (AppTheme theme : AppTheme::kAllCases) {
        themeButtons_.push_back(
            new ThemeButton(theme, call([theme](PaletteOwner& o) { o.selectTheme(theme); }), this));
    }

    hideButton_ =
        new ChromeButton(QString(), call([](PaletteOwner& o) { o.hidePanel(); }), header_);
    hideButton_->setSymbol("minus");
    hideButton_->setToolTip(qt(L("Skrij · Vrni se prek ikone ZT v sistemskem pladnju")));
    hideButton_->setAccessibleName(qt(L("Skrij Zuna Trep")));

    quitButton_ = new ChromeButton(QString(), call([](PaletteOwner& o) { o.quit(); }), header_);
    quitButton_->setSymbol("power");
    quitButton_->setDangerous(true);
    quitButton_->setToolTip(qt(L("Ugasni Zuna Trep")));
    quitButton_->setAccessibleName(qt(L("Ugasni Zuna Trep")));

    status_->hide();
    status_->setFont(appFont(9));

    autoscroll_.setInterval(kAutoscrollInterval);
    connect(&autoscroll_, &QTimer::timeout, this, &PaletteView::autoscrollStep);
    applyScrollBarStyle();
}

PaletteView::~PaletteView() = default;

double PaletteView::listTop() const {
    return permissionVisible_ ? kPermissionListTop : Theme::kListTop;
}

double PaletteView::statusSpace() const {
    return statusVisible_ ? kStatusHeight : 0;
}

double PaletteView::desiredHeight() const {
    const double list = std::max(static_cast<double>(snippets_.size()) * Theme::kRowStride -
                                     (Theme::kRowStride - Theme::kRowHeight),
                                 kMinimumList);
    return statusSpace() + listTop() + list + Theme::kFooterHeight;
}

void PaletteView::setStatusVisible(bool visible) {
    statusVisible_ = visible;
    status_->setVisible(visible);
    geometryChanged();
}

void PaletteView::setPermissionVisible(bool visible) {
    permissionVisible_ = visible;
    permission_->setVisible(visible);
    geometryChanged();
}

void PaletteView::geometryChanged() {
    layoutContent();
    if (onGeometryChange_) onGeometryChange_();
}

void PaletteView::layoutContent() {
    const double W = width();
    const double H = height();
    const double T = listTop();
    header_->setGeometry(frame(0, 0, W, 34));
    hideButton_->setGeometry(frame(W - 45, 8, 18, 20));
    quitButton_->setGeometry(frame(W - 24, 8, 18, 20));
    groups_->setGeometry(frame(8, 38, W - 98, 24));
    for (std::size_t i = 0; i < themeButtons_.size(); ++i)
        themeButtons_[i]->setGeometry(frame(W - 85 + 19.0 * static_cast<double>(i), 38, 19, 24));
    add_->setGeometry(frame(8, 69, W - 16, 22));
    permission_->setGeometry(frame(8, 97, W - 16, 23));
    scroll_->setGeometry(frame(
        8, T, W - 16, std::max(H - T - Theme::kFooterHeight - statusSpace(), Theme::kRowHeight)));
    status_->setGeometry(frame(8, H - 54, W - 16, 21));
    pin_->setGeometry(frame(8, H - 26, W - 42, 21));
    options_->setGeometry(frame(W - 28, H - 27, 20, 22));

    // The list: as tall as its rows, at least as tall as the visible area, as wide as it. The
    // scroll area has no frame and its scroll bar lies over the rows, so the visible area is the
    // scroll area's own frame, known at once even while the window is hidden.
    const QSize visible = scroll_->size();
    const double C = visible.width();
    const double D = std::max(static_cast<double>(visible.height()),
                              static_cast<double>(snippets_.size()) * Theme::kRowStride -
                                  (Theme::kRowStride - Theme::kRowHeight));
    document_->resize(frame(0, 0, C, D).size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i]) rows_[i]->setGeometry(rowFrame(i));
    updateLiveRows();
    if (empty_) empty_->setGeometry(frame(3, 3, C - 6, 40));
    scrollBar_->setGeometry(frame(scroll_->width() - 7, 2, 6, scroll_->height() - 4));
    scrollBar_->raise();
}

void PaletteView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutContent();
}

void PaletteView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(Theme::canvas()));
    painter.fillRect(QRectF(8, height() - 30, width() - 16, 0.5), toQColor(Theme::line()));
}

void PaletteView::applyScrollBarStyle() {
    const QColor thumb = toQColor(Theme::muted().withAlpha(0.45));
    scrollBar_->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 6px; margin: 0; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 3px;"
                       " min-height: 24px; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { height: 0; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
            .arg(thumb.name(QColor::HexArgb)));
}

void PaletteView::clearList() {
    // Old buttons go at the next turn of the event loop: a render can be asked for from inside
    // one of their own mouse handlers or menus.
    for (SnippetButton* row : rows_) {
        if (row == nullptr) continue;
        row->hide();
        row->deleteLater();
    }
    rows_.clear();
    liveFirst_ = liveEnd_ = 0;
    if (empty_) {
        empty_->hide();
        empty_->deleteLater();
        empty_ = nullptr;
    }
}

void PaletteView::render(const std::vector<Snippet>& snippets) {
    status_->setTextColor(toQColor(Theme::muted()));
    applyScrollBarStyle();
    for (ThemeButton* button : themeButtons_)
        button->setAccessibleValue(
            qt(button->theme() == Theme::current() ? L("Vključeno") : L("Izključeno")));
    update();

    clearList();
    drag_.reset();
    autoscroll_.stop();

    if (PaletteOwner* owner = owner_.get()) {
        const SavedState& state = owner->state();
        const std::string name =
            state.groups.empty() ? std::string() : state.groups[state.selectedIndex()].name;
        groups_->setText(qt(name));
        groups_->setToolTip(qt(L("Skupina: {0} · Klikni za izbiro in urejanje", name)));
        groups_->update();
        pin_->setOn(state.alwaysOnTop);
    }

    snippets_ = snippets;
    rows_.assign(snippets_.size(), nullptr);
    if (snippets.empty()) {
        empty_ = label(qt(L("Prostor za tvoje bližnjice.\nDodaj prvi gumb.")), 11,
                       FontWeight::regular, toQColor(Theme::muted()));
        empty_->setWordWrap(true);
        empty_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        empty_->setParent(document_);
        empty_->show();
    }
    insertion_->hide();
    layoutContent();
}

QRect PaletteView::rowFrame(std::size_t index) const {
    return frame(0, Theme::kRowStride * static_cast<double>(index), document_->width(),
                 Theme::kRowHeight);
}

SnippetButton* PaletteView::row(std::size_t index) const {
    return index < rows_.size() ? rows_[index] : nullptr;
}

std::vector<SnippetButton*> PaletteView::liveRows() const {
    std::vector<SnippetButton*> live;
    for (SnippetButton* row : rows_)
        if (row) live.push_back(row);
    return live;
}

SnippetButton* PaletteView::makeRow(std::size_t index) {
    const Snippet& snippet = snippets_[index];
    QPointer<PaletteView> self(this);
    auto* row = new SnippetButton(
        snippet,
        [self, snippet] {
            if (self) self->clicked(snippet);
        },
        document_);
    if (PaletteOwner* owner = owner_.get()) row->setMenu(owner->buttonMenu(snippet.id));
    row->setOnDrag([self, id = snippet.id](const QMouseEvent& event, bool finished) {
        if (self) self->dragged(id, event.scenePosition(), finished);
    });
    row->setGeometry(rowFrame(index));
    row->show();
    return row;
}

void PaletteView::updateLiveRows() {
    // A widget per button costs too much for a group of a thousand: buttons exist for the
    // visible rows and one screenful above and below, so scrolling rarely waits for one.
    const double top = scroll_->verticalScrollBar()->value();
    const double visible = std::max(scroll_->height(), 1);
    const std::size_t n = snippets_.size();
    const auto rowAt = [n](double y) {
        return static_cast<std::size_t>(
            std::clamp(std::floor(y / Theme::kRowStride), 0.0, static_cast<double>(n)));
    };
    const std::size_t first = rowAt(top - visible);
    const std::size_t end = std::min(n, rowAt(top + 2 * visible) + 1);
    if (first == liveFirst_ && end == liveEnd_) return;
    liveFirst_ = first;
    liveEnd_ = end;
    bool created = false;
    for (std::size_t i = 0; i < n; ++i) {
        const bool wanted = i >= first && i < end;
        if (wanted && rows_[i] == nullptr) {
            rows_[i] = makeRow(i);
            created = true;
        } else if (!wanted && rows_[i] != nullptr && !rows_[i]->tracking()) {
            // A pressed button keeps its mouse grab until the release, wherever it scrolled.
            rows_[i]->hide();
            rows_[i]->deleteLater();
            rows_[i] = nullptr;
        }
    }
    if (created) insertion_->raise();
}

void PaletteView::clicked(const Snippet& snippet) {
    PaletteOwner* owner = owner_.get();
    if (owner == nullptr || owner->modalOpen()) return;
    if (!snippet.text.empty())
        owner->paste(snippet.text, snippet.name);
    else
        owner->edit(snippet.id);
}

std::size_t PaletteView::gapIndex(double y, std::size_t count) {
    const double k = std::trunc((y + Theme::kRowStride / 2) / Theme::kRowStride);
    if (k <= 0) return 0;
    return std::min(static_cast<std::size_t>(k), count);
}

bool PaletteView::insideList(const QPointF& windowPosition) const {
    const QPointF p = scroll_->mapFrom(window(), windowPosition);
    const QRectF area =
        QRectF(scroll_->rect()).adjusted(-kDropMargin, -kDropMargin, kDropMargin, kDropMargin);
    return p.x() >= area.left() && p.x() < area.right() && p.y() >= area.top() &&
           p.y() < area.bottom();
}

std::size_t PaletteView::placeIndicator(const QPointF& windowPosition, bool visible) {
    const double y = document_->mapFrom(window(), windowPosition).y();
    const std::size_t k = gapIndex(y, snippets_.size());
    insertion_->setGeometry(frame(0, std::max(Theme::kRowStride * static_cast<double>(k) - 3, 0.0),
                                  document_->width(), 2));
    insertion_->setVisible(visible);
    insertion_->raise();
    return k;
}

void PaletteView::dragged(const std::string& id, const QPointF& windowPosition, bool finished) {
    if (owner_.get() == nullptr) return;
    const bool inside = insideList(windowPosition);
    if (finished) {
        drag_.reset();
        autoscroll_.stop();
        const std::size_t k = placeIndicator(windowPosition, false);
        if (!inside) return;
        if (PaletteOwner* owner = owner_.get()) owner->reorder(id, k);
        return;
    }
    drag_ = Drag{id, windowPosition};
    if (autoscrollDistance() != 0) {
        // Held beyond the top or bottom of the visible list, the list keeps scrolling.
        if (!autoscroll_.isActive()) {
            autoscroll_.start();
            autoscrollStep();
        }
        return;
    }
    autoscroll_.stop();
    placeIndicator(windowPosition, inside);
}

double PaletteView::autoscrollDistance() const {
    if (!drag_) return 0;
    const double y = scroll_->mapFrom(window(), drag_->windowPosition).y();
    const double height = scroll_->height();
    if (y < 0) return y;
    if (y >= height) return y - height + 1;
    return 0;
}

void PaletteView::autoscrollStep() {
    // A press that ended without its release reaching the button (a grab taken by a popup, a
    // hidden window) must not leave the list scrolling.
    const bool pressed = std::any_of(rows_.begin(), rows_.end(),
                                     [](SnippetButton* row) { return row && row->tracking(); });
    if (drag_ && (!pressed || !QGuiApplication::mouseButtons().testFlag(Qt::LeftButton))) {
        drag_.reset();
        insertion_->hide();
    }
    const double over = autoscrollDistance();
    if (over == 0) {
        autoscroll_.stop();
        if (!drag_) return;
    } else {
        QScrollBar* bar = scroll_->verticalScrollBar();
        const double step = std::clamp(over, -kAutoscrollMaxStep, kAutoscrollMaxStep);
        bar->setValue(bar->value() + static_cast<int>(std::lround(step)));
    }
    placeIndicator(drag_->windowPosition, insideList(drag_->windowPosition));
}

}  // namespace zuna
