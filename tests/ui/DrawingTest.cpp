#include <gtest/gtest.h>

#include <QPainter>

#include "UiTestSupport.h"
#include "ui/Drawing.h"

namespace zuna::test {
namespace {

// The smallest rectangle holding every pixel with any coverage, and the highest alpha seen.
struct Coverage {
    QRect box;
    int maxAlpha = 0;
};

template <typename Paint>
Coverage coverage(int w, int h, Paint paint) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paint(painter);
    }
    Coverage c;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (const int alpha = image.pixelColor(x, y).alpha(); alpha > 0) {
                c.box = c.box.united(QRect(x, y, 1, 1));
                c.maxAlpha = std::max(c.maxAlpha, alpha);
            }
    return c;
}

TEST(Drawing, SymbolsAreFittedCentredAndEven) {
    for (const char* name :
         {"minus", "power", "gearshape", "chevron.down", "checkmark", "checkmark.circle.fill"}) {
        SCOPED_TRACE(name);
        const Coverage c = coverage(40, 40, [&](QPainter& p) {
            drawSymbol(p, name, QRectF(14, 14, 12, 12), QColor(255, 0, 0));
        });
        EXPECT_TRUE(QRect(14, 14, 12, 12).contains(c.box));
        EXPECT_LE(std::abs((c.box.left() - 14) - (25 - c.box.right())), 1);
        EXPECT_LE(std::abs((c.box.top() - 14) - (25 - c.box.bottom())), 1);
        EXPECT_GE(std::max(c.box.width(), c.box.height()), 10);
        EXPECT_GE(c.maxAlpha, 240);
    }
    // A translucent colour stays even where strokes meet.
    EXPECT_EQ(coverage(60, 60,
                       [](QPainter& p) {
                           drawSymbol(p, "power", QRectF(0, 0, 60, 60), QColor(0, 0, 0, 224));
                       })
                  .maxAlpha,
              224);
    // Unknown names draw nothing.
    EXPECT_TRUE(coverage(20, 20, [](QPainter& p) {
                    drawSymbol(p, "trash.fill", QRectF(0, 0, 20, 20), Qt::black);
                }).box.isEmpty());
}

TEST(Drawing, LongTextStaysOnOneLineInsideItsRectangle) {
    const QString text = QStringLiteral(
        "Spoštovani, hvala za vaše sporočilo in lep pozdrav iz Ljubljane\nin druga vrstica");
    const auto drawn = [&](int width) {
        return coverage(width + 20, 60,
                        [&](QPainter& p) {
                            drawText(p, text, QRectF(10, 20, width, 16), 12, FontWeight::regular,
                                     Qt::black, Qt::AlignLeft);
                        })
            .box;
    };
    EXPECT_TRUE(QRect(10, 20, 80, 16).contains(drawn(80)));
    // The tail gives way to an ellipsis: the same text in a wide box reaches further right.
    EXPECT_GT(drawn(580).right(), 300);
}

}  // namespace
}  // namespace zuna::test
