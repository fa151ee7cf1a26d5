#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QString>
#include <string>
#include <string_view>

#include "core/appearance/Color.h"
#include "core/appearance/Theme.h"

class QPainter;
class QRectF;

namespace zuna {

enum class FontWeight { regular, medium, semibold, bold };

QColor toQColor(const Color& color);
inline QString qt(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// The application font at a size given in the layout's units (device-independent pixels), so
// text fits the rectangles it is drawn into whatever the screen's dots per inch.
QFont appFont(double size, FontWeight weight = FontWeight::regular);

// The desktop's warning red, for dangerous controls and error messages.
QColor systemRed();

// A palette for menus and dialogs built from the current theme's roles.
QPalette themePalette();

// A static text on one line that ends in an ellipsis when it does not fit. With word wrap on it
// wraps like a plain label instead.
class Label : public QLabel {
    Q_OBJECT
  public:
    explicit Label(const QString& text, QWidget* parent = nullptr);
    QColor textColor() const;
    void setTextColor(const QColor& color);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

Label* label(const QString& text, double size, FontWeight weight = FontWeight::regular,
             const QColor& color = toQColor(Theme::ink()));

// One line of text in `rect`, truncated at the tail; line breaks in the text read as spaces.
void drawText(QPainter& painter, const QString& text, const QRectF& rect, double size,
              FontWeight weight, const QColor& color, Qt::Alignment alignment);

// A named vector symbol fitted into `rect` with its proportions kept, centred, in one flat
// colour (alpha included). Unknown names draw nothing. Names: "minus", "power", "gearshape",
// "chevron.down", "checkmark", "checkmark.circle.fill".
void drawSymbol(QPainter& painter, std::string_view name, const QRectF& rect, const QColor& color);

}  // namespace zuna
