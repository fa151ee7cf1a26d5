#include "ui/Drawing.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "ui/Symbols.h"

namespace zuna {

namespace {

QFont::Weight qtWeight(FontWeight weight) {
    switch (weight) {
        case FontWeight::medium:
            return QFont::Medium;
        case FontWeight::semibold:
            return QFont::DemiBold;
        case FontWeight::bold:
            return QFont::Bold;
        case FontWeight::regular:
            break;
    }
    return QFont::Normal;
}

QString singleLine(QString text) {
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == u'\t')
            c = u' ';
    }
    return text;
}

}  // namespace

QColor toQColor(const Color& color) {
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(color.alpha));
}

QFont appFont(double size, FontWeight weight) {
    QFont font = QApplication::font();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(size))));
    font.setWeight(qtWeight(weight));
    return font;
}

QColor systemRed() {
    return Theme::dark() ? QColor(0xFF, 0x45, 0x3A) : QColor(0xFF, 0x3B, 0x30);
}

QPalette themePalette() {
    const QColor ink = toQColor(Theme::ink());
    const QColor muted = toQColor(Theme::muted());
    const QColor canvas = toQColor(Theme::canvas());
    const QColor surface = toQColor(Theme::surface());
    const QColor accent = toQColor(Theme::accent());
    QPalette palette;
    palette.setColor(QPalette::Window, canvas);
    palette.setColor(QPalette::WindowText, ink);
    palette.setColor(QPalette::Base, surface);
    palette.setColor(QPalette::AlternateBase, canvas);
    palette.setColor(QPalette::Text, ink);
    palette.setColor(QPalette::Button, surface);
    palette.setColor(QPalette::ButtonText, ink);
    palette.setColor(QPalette::ToolTipBase, surface);
    palette.setColor(QPalette::ToolTipText, ink);
    palette.setColor(QPalette::PlaceholderText, muted);
    palette.setColor(QPalette::Highlight, accent);
    palette.setColor(QPalette::HighlightedText, toQColor(Theme::accent().readableInk()));
    palette.setColor(QPalette::Light, toQColor(Theme::surface().mixed(Theme::ink(), 0.1)));
    palette.setColor(QPalette::Mid, toQColor(Theme::line()));
    palette.setColor(QPalette::Dark, toQColor(Theme::canvas().mixed(Color::black(), 0.2)));
    palette.setColor(QPalette::Link, accent);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, muted);
    return palette;
}

Label::Label(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
}

QColor Label::textColor() const {
    return palette().color(QPalette::WindowText);
}

void Label::setTextColor(const QColor& color) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, color);
    setPalette(p);
}

void Label::paintEvent(QPaintEvent* event) {
    if (wordWrap()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRectF box = contentsRect();
    painter.setFont(font());
    painter.setPen(textColor());
    const QString shown =
        QFontMetricsF(font()).elidedText(singleLine(text()), Qt::ElideRight, box.width());
    painter.drawText(box, static_cast<int>(alignment() | Qt::TextSingleLine), shown);
}

Label* label(const QString& text, double size, FontWeight weight, const QColor& color) {
    auto* made = new Label(text);
    made->setFont(appFont(size, weight));
    made->setTextColor(color);
    return made;
}

void drawText(QPainter& painter, const QString& text, const QRectF& rect, double size,
              FontWeight weight, const QColor& color, Qt::Alignment alignment) {
    if (rect.width() <= 0 || rect.height() <= 0) return;
    const QFont font = appFont(size, weight);
    const QString shown =
        QFontMetricsF(font).elidedText(singleLine(text), Qt::ElideRight, rect.width());
    painter.save();
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect, static_cast<int>(alignment | Qt::AlignVCenter | Qt::TextSingleLine),
                     shown);
    painter.restore();
}

void drawSymbol(QPainter& painter, std::string_view name, const QRectF& rect, const QColor& color) {
    const Symbol* symbol = findSymbol(name);
    if (symbol == nullptr || rect.width() <= 0 || rect.height() <= 0) return;
    const QRectF& box = symbol->bounds;
    const double scale = std::min(rect.width() / box.width(), rect.height() / box.height());
    const double x = rect.x() + (rect.width() - box.width() * scale) / 2 - box.x() * scale;
    const double y = rect.y() + (rect.height() - box.height() * scale) / 2 - box.y() * scale;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(x, y);
    painter.scale(scale, scale);
    painter.fillPath(symbol->path, color);
    painter.restore();
}

}  // namespace zuna
