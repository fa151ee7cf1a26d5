#include "ui/EditorController.h"

#include <QAbstractItemView>
#include <QBoxLayout>
#include <QColorDialog>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cctype>

#include "core/localization/Localization.h"
#include "core/model/TextMeasures.h"
#include "core/model/Validation.h"
#include "ui/ColorChoice.h"
#include "ui/Drawing.h"
#include "ui/SnippetButton.h"
#include "ui/SnippetTextEdit.h"

namespace zuna {

namespace {

// The preview shows whether there is text, not all of it.
constexpr int kPreviewCharacters = 256;

QString css(const Color& color) {
    return toQColor(color).name(QColor::HexArgb);
}

bool sameColor(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string hexOf(const QColor& color) {
    const QColor rgb = color.toRgb();
    return Color{rgb.redF(), rgb.greenF(), rgb.blueF(), 1}.hex();
}

QString buttonStyle(const Color& base, const Color& ink, const Color& border, int padding = 8) {
    return QStringLiteral(
               "QPushButton { background: %1; color: %2; border: 1px solid %3;"
               " border-radius: 6px; padding: 0 %7px; }"
               "QPushButton:hover { background: %4; }"
               "QPushButton:pressed { background: %5; }"
               "QPushButton:focus { border: 1px solid %6; }")
        .arg(css(base), css(ink), css(border), css(base.mixed(Theme::ink(), 0.08)),
             css(base.mixed(Color::black(), 0.15)), css(Theme::accent()))
        .arg(padding);
}

// The group choice, drawn like the palette's group button: a framed surface with the name at
// the left and a small chevron at the right.
class GroupPopup : public QComboBox {
  public:
    using QComboBox::QComboBox;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const double w = width();
        const double h = height();
        QPainterPath shape;
        shape.addRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 6, 6);
        Color fill = Theme::surface();
        if (underMouse() && isEnabled()) fill = fill.mixed(Theme::ink(), 0.08);
        painter.fillPath(shape, toQColor(fill));
        painter.strokePath(shape, QPen(toQColor(hasFocus() ? Theme::accent() : Theme::line()), 1));
        drawText(painter, currentText(), QRectF(10, (h - 16) / 2, w - 34, 16), 12,
                 FontWeight::regular, toQColor(Theme::ink()), Qt::AlignLeft);
        drawSymbol(painter, "chevron.down", QRectF(w - 20, (h - 8) / 2, 8, 8),
                   toQColor(Theme::muted()));
    }
};

}  // namespace

EditorController::EditorController(std::optional<Snippet> existing,
                                   std::vector<SnippetGroup> groups,
                                   const std::string& selectedGroupID, QWidget* parent)
    : QDialog(parent), existing_(std::move(existing)), groups_(std::move(groups)) {
    selectedColor_ = existing_ ? existing_->color : std::string(Theme::kColors.front());
    build();
    // Styled before the text arrives: restyling lays a long text out again.
    applyTheme();

    group_->setCurrentIndex(0);
    for (std::size_t i = 0; i < groups_.size(); ++i) {
        if (groups_[i].id == selectedGroupID) {
            group_->setCurrentIndex(static_cast<int>(i));
            break;
        }
    }
    if (existing_) {
        const QString name = qt(existing_->name);
        name_->setMaxLength(std::max<int>(name_->maxLength(), static_cast<int>(name.size())));
        name_->setText(name);
        text_->load(existing_->text);
    }
    connect(name_, &QLineEdit::textChanged, this, &EditorController::inputChanged);
    connect(text_, &QPlainTextEdit::textChanged, this, &EditorController::inputChanged);

    choose(selectedColor_);
    name_->setFocus();
}

EditorController::~EditorController() = default;

void EditorController::build() {
    const QString title = qt(existing_ ? L("Uredi gumb") : L("Nov gumb"));
    setWindowTitle(title);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(kWindowWidth, kWindowHeight);
    setSizeGripEnabled(false);

    const auto place = [this](QWidget* widget, int x, int y, int w, int h) {
        widget->setParent(this);
        widget->setGeometry(x, y, w, h);
    };
    const auto caption = [&](const std::string& text, int x, int y, int w) {
        Label* made = label(qt(text), 10, FontWeight::semibold);
        place(made, x, y, w, 16);
        captions_.push_back(made);
    };

    title_ = label(title, 23, FontWeight::bold);
    place(title_, 24, 12, 360, 30);
    subtitle_ = label(qt(L("Tvoja bližnjica do pravega besedila.")), 12);
    place(subtitle_, 24, 48, 360, 18);

    caption(L("IME GUMBA"), 24, 82, 220);
    name_ = new QLineEdit;
    place(name_, 24, 104, 224, 30);
    name_->setPlaceholderText(qt(L("Na primer: Podpis")));
    name_->setFont(appFont(15));
    name_->setAccessibleName(qt(L("Ime gumba")));

    caption(L("SKUPINA"), 264, 82, 122);
    group_ = new GroupPopup;
    place(group_, 260, 103, 130, 32);
    group_->setFont(appFont(12));
    group_->setAccessibleName(qt(L("Skupina gumba")));
    group_->setAttribute(Qt::WA_Hover);
    for (const SnippetGroup& g : groups_)
        group_->addItem(qt(g.name));

    caption(L("BESEDILO ZA LEPLJENJE"), 24, 153, 360);
    text_ = new SnippetTextEdit(nullptr);
    place(text_, 24, 175, 362, 145);
    text_->setFont(appFont(15));
    text_->document()->setDocumentMargin(5);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);  // until a line is too long
    text_->setTabStopDistance(QFontMetricsF(text_->font()).horizontalAdvance(u' ') * 4);
    text_->setAccessibleName(qt(L("Besedilo za lepljenje")));

    hint_ = label(qt(L("Šumniki, posebni znaki in več vrstic so podprti.")), 10);
    hint_->setWordWrap(true);
    hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // Room for the caron of a capital letter, which reaches above the font's ascent.
    hint_->setContentsMargins(0, 2, 0, 0);
    place(hint_, 24, 326, 362, 28);

    caption(L("BARVA GUMBA"), 24, 360, 362);
    const std::vector<std::string> names = Theme::colorNames();
    for (std::size_t i = 0; i < Theme::kColors.size(); ++i) {
        const std::string hex(Theme::kColors[i]);
        QPointer<EditorController> self(this);
        auto* swatch = new ColorChoice(hex, i < names.size() ? names[i] : hex, [self, hex] {
            if (self) self->choose(hex);
        });
        place(swatch, 24 + 36 * static_cast<int>(i), 382, 30, 30);
        choices_.push_back(swatch);
    }

    customColor_ = new QPushButton(qt(L("Po meri…")));
    place(customColor_, 323, 383, 63, 28);
    customColor_->setFont(appFont(10));
    customColor_->setToolTip(qt(L("Izberi poljubno barvo")));
    customColor_->setAccessibleName(qt(L("Barva po meri")));
    customColor_->setAutoDefault(false);
    connect(customColor_, &QPushButton::clicked, this, &EditorController::openColorPicker);

    previewHost_ = new QWidget;
    place(previewHost_, 24, 426, 362, static_cast<int>(Theme::kRowHeight));
    previewHost_->setFocusPolicy(Qt::NoFocus);

    error_ = label(QString(), 11, FontWeight::regular, systemRed());
    place(error_, 24, 454, 362, 20);

    cancel_ = new QPushButton(qt(L("Prekliči")));
    place(cancel_, 190, 483, 94, 30);
    save_ = new QPushButton(qt(L("Shrani")));
    place(save_, 292, 483, 94, 30);
    for (QPushButton* button : {cancel_, save_}) {
        button->setFont(appFont(13));
        button->setAutoDefault(false);
        // Escape and Return reach them from anywhere; the keyboard order is the four inputs.
        button->setFocusPolicy(Qt::NoFocus);
    }
    save_->setDefault(true);
    connect(cancel_, &QPushButton::clicked, this, &EditorController::cancel);
    connect(save_, &QPushButton::clicked, this, &EditorController::save);

    setTabOrder(name_, text_);
    setTabOrder(text_, group_);
    setTabOrder(group_, customColor_);
}

void EditorController::applyTheme() {
    if (styledFor_ == Theme::current()) return;
    styledFor_ = Theme::current();
    const QPalette palette = themePalette();
    setPalette(palette);
    // The group list opens in a window of its own, which takes no palette from the editor.
    group_->view()->setPalette(palette);
    if (QWidget* popup = group_->view()->window(); popup != this) popup->setPalette(palette);
    const Color ink = Theme::ink();
    const Color accent = Theme::accent();
    const Color surface = Theme::surface();
    const Color line = Theme::line();

    title_->setTextColor(toQColor(ink));
    for (Label* muted : captions_)
        muted->setTextColor(toQColor(Theme::muted()));
    subtitle_->setTextColor(toQColor(Theme::muted()));
    hint_->setTextColor(toQColor(Theme::muted()));
    error_->setTextColor(systemRed());

    const QString selection = QStringLiteral("selection-background-color: %1; selection-color: %2;")
                                  .arg(css(accent), css(accent.readableInk()));
    name_->setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2;"
                                        " border: 1px solid %3; border-radius: 6px;"
                                        " padding: 0 7px; %4 }"
                                        "QLineEdit:focus { border: 1px solid %5; }")
                             .arg(css(surface), css(ink), css(line), selection, css(accent)));
    text_->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: %1; color: %2; border: 1px solid %3;"
                       " border-radius: 8px; padding: 5px 4px; %4 }"
                       "QPlainTextEdit:focus { border: 1px solid %5; }"
                       "QScrollBar:vertical { background: transparent; width: 8px;"
                       " margin: 2px 1px 2px 0; }"
                       "QScrollBar::handle:vertical { background: %6; border-radius: 3px;"
                       " min-height: 24px; }"
                       "QScrollBar:horizontal { background: transparent; height: 8px;"
                       " margin: 0 2px 1px 2px; }"
                       "QScrollBar::handle:horizontal { background: %6; border-radius: 3px;"
                       " min-width: 24px; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { height: 0; width: 0; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
            .arg(css(surface), css(ink), css(line), selection, css(accent),
                 css(Theme::muted().withAlpha(0.45))));
    cancel_->setStyleSheet(buttonStyle(surface, ink, line));
    save_->setStyleSheet(
        buttonStyle(accent, accent.readableInk(), accent.mixed(Color::black(), 0.15)));
    styleCustomColor();
    if (colorPanel_) colorPanel_->setPalette(palette);
    update();
}

void EditorController::styleCustomColor() {
    const Color tint = Theme::surface().mixed(Color::fromHex(selectedColor_), 0.25);
    customColor_->setStyleSheet(buttonStyle(tint, Theme::ink(), Theme::line(), 0));
}

void EditorController::choose(const std::string& hex) {
    selectedColor_ = hex;
    styleCustomColor();
    for (ColorChoice* choice : choices_)
        choice->setSelected(sameColor(choice->hex(), hex));
    updatePreview();
}

void EditorController::updatePreview() {
    delete preview_;
    std::string shown = nameValue();
    if (shown.empty()) shown = L("Predogled gumba");
    // The preview is never pasted, and follows every key.
    preview_ = new SnippetButton(
        Snippet(std::move(shown), text_->beginning(kPreviewCharacters), freshIdentifier(),
                selectedColor_),
        [] {}, previewHost_);
    preview_->setEnabled(false);
    preview_->setToolTip(QString());
    preview_->setAccessibleName(qt(L("Predogled gumba")));
    preview_->setGeometry(previewHost_->rect());
    preview_->show();
}

std::string EditorController::nameValue() const {
    return name_->text().toStdString();
}

std::string EditorController::textValue() const {
    return text_->value();
}

std::string EditorController::selectedGroupID() const {
    const int index = group_->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= groups_.size()) return {};
    return groups_[static_cast<std::size_t>(index)].id;
}

void EditorController::inputChanged() {
    error_->clear();
    error_->setToolTip(QString());
    updatePreview();
}

void EditorController::showError(const std::string& message, const std::string& detail) {
    error_->setText(qt(message));
    error_->setToolTip(qt(detail));
}

void EditorController::save() {
    const Snippet snippet(trimmed(nameValue()), textValue(),
                          existing_ ? existing_->id : freshIdentifier(), selectedColor_);
    // The store checks the same rules again; the other ones it reports as a failed save.
    switch (brokenRule(snippet)) {
        case ButtonRule::name:
            showError(L("Vnesi ime gumba (največ 120 znakov)."));
            name_->setFocus();
            return;
        case ButtonRule::text:
            showError(L("Besedilo je predolgo (največ 1 MB)."));
            return;
        default:
            break;
    }
    if (onSave_) {
        try {
            onSave_(snippet, selectedGroupID());
        } catch (const std::exception& failure) {
            showError(L("Shranjevanje ni uspelo. Poskusi znova."), failure.what());
            return;
        } catch (...) {
            showError(L("Shranjevanje ni uspelo. Poskusi znova."));
            return;
        }
    }
    finish(1);
}

void EditorController::cancel() {
    finish(0);
}

void EditorController::reject() {
    finish(0);
}

void EditorController::finish(int response) {
    if (colorPanel_) {
        disconnect(colorPanel_, nullptr, this, nullptr);
        colorPanel_->hide();
    }
    done(response);
}

void EditorController::openColorPicker() {
    if (!colorPanel_) {
        colorPanel_ = new QColorDialog(this);
        colorPanel_->setOptions(QColorDialog::NoButtons | QColorDialog::DontUseNativeDialog);
        colorPanel_->setWindowTitle(qt(L("Barva po meri")));
        colorPanel_->setWindowFlag(Qt::WindowStaysOnTopHint);
        auto* apply = new QPushButton(qt(L("Uporabi barvo")), colorPanel_);
        apply->setFixedSize(200, 32);
        apply->setAutoDefault(false);
        apply->setDefault(false);
        connect(apply, &QPushButton::clicked, this, &EditorController::closeColorPicker);
        if (auto* box = qobject_cast<QBoxLayout*>(colorPanel_->layout()))
            box->addWidget(apply, 0, Qt::AlignRight);
    }
    colorPanel_->setPalette(themePalette());
    disconnect(colorPanel_, nullptr, this, nullptr);
    colorPanel_->setCurrentColor(toQColor(Color::fromHex(selectedColor_)));
    connect(colorPanel_, &QColorDialog::currentColorChanged, this,
            &EditorController::panelColorChanged);

    colorPanel_->adjustSize();
    if (const QScreen* where = screen()) {
        // Before the first showing the window manager's frame is unknown; the editor's own
        // frame is the best guess for it.
        const QSize decoration = frameGeometry().size() - size();
        const QSize panel = colorPanel_->isVisible() ? colorPanel_->frameGeometry().size()
                                                     : colorPanel_->size() + decoration;
        colorPanel_->move(colorPanelPosition(where->availableGeometry(), frameGeometry(), panel));
    }
    colorPanel_->show();
    colorPanel_->raise();
    colorPanel_->activateWindow();
}

void EditorController::panelColorChanged(const QColor& color) {
    choose(hexOf(color));
}

void EditorController::closeColorPicker() {
    if (!colorPanel_) return;
    const std::string hex = hexOf(colorPanel_->currentColor());
    // The same colour in other letters stays as it was stored.
    if (!sameColor(hex, selectedColor_)) choose(hex);
    disconnect(colorPanel_, nullptr, this, nullptr);
    colorPanel_->hide();
    raise();
    activateWindow();
}

QPoint EditorController::colorPanelPosition(const QRect& visible, const QRect& editor,
                                            const QSize& panel) {
    const int right = visible.x() + visible.width();
    const int bottom = visible.y() + visible.height();
    int x = std::min(editor.x() + editor.width() + 12, right - panel.width() - 12);
    x = std::max(x, visible.x() + 12);
    const int y = std::min(editor.y(), bottom - 12 - panel.height());
    return {x, y};
}

void EditorController::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(Theme::canvas()));
}

void EditorController::showEvent(QShowEvent* event) {
    applyTheme();
    QDialog::showEvent(event);
}

}  // namespace zuna
