#include <gtest/gtest.h>

#include <QPainter>

#include "UiTestSupport.h"
#include "ui/Drawing.h"

namespace zuna::test {
namespace {

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// The smallest rectangle holding every pixel with any coverage, and the highest alpha seen.
struct Coverage {
    QRect box;
    int maxAlpha = 0;
};

Coverage coverage(const QImage& image) {
    Coverage c;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = image.pixelColor(x, y).alpha();
            if (alpha == 0) continue;
            c.box = c.box.united(QRect(x, y, 1, 1));
            c.maxAlpha = std::max(c.maxAlpha, alpha);
        }
    return c;
}

TEST(Drawing, SymbolsAreFittedCentredAndFlat) {
    for (const char* name :
         {"minus", "power", "gearshape", "chevron.down", "checkmark", "checkmark.circle.fill"}) {
        SCOPED_TRACE(name);
        QImage image = blank(40, 40);
        {
            QPainter painter(&image);
            drawSymbol(painter, name, QRectF(14, 14, 12, 12), QColor(255, 0, 0));
        }
        const Coverage c = coverage(image);
        ASSERT_FALSE(c.box.isEmpty());
        EXPECT_TRUE(QRect(14, 14, 12, 12).contains(c.box)) << c.box.x() << "," << c.box.y();
        // Centred: equal margins within a pixel on either side.
        EXPECT_LE(std::abs((c.box.left() - 14) - (25 - c.box.right())), 1);
        EXPECT_LE(std::abs((c.box.top() - 14) - (25 - c.box.bottom())), 1);
        // Fitted: it fills the square in at least one direction.
        EXPECT_GE(std::max(c.box.width(), c.box.height()), 10);
        EXPECT_GE(c.maxAlpha, 240);  // opaque where the strokes cover whole pixels
    }

    // A translucent colour stays even where strokes meet: no pixel is more opaque than it.
    QImage image = blank(60, 60);
    {
        QPainter painter(&image);
        drawSymbol(painter, "power", QRectF(0, 0, 60, 60), QColor(0, 0, 0, 224));
        drawSymbol(painter, "checkmark", QRectF(0, 0, 60, 60), QColor(0, 0, 0, 0));
    }
    EXPECT_EQ(coverage(image).maxAlpha, 224);

    // A wide rectangle keeps the proportions: the symbol is centred, not stretched.
    image = blank(60, 20);
    {
        QPainter painter(&image);
        drawSymbol(painter, "gearshape", QRectF(0, 0, 60, 20), Qt::black);
    }
    const Coverage wide = coverage(image);
    EXPECT_LE(wide.box.width(), 21);
    EXPECT_NEAR(wide.box.center().x(), 30, 1);

    // Unknown names and empty rectangles draw nothing.
    image = blank(20, 20);
    {
        QPainter painter(&image);
        drawSymbol(painter, "trash.fill", QRectF(0, 0, 20, 20), Qt::black);
        drawSymbol(painter, "minus", QRectF(0, 0, 0, 20), Qt::black);
    }
    EXPECT_TRUE(coverage(image).box.isEmpty());
}

TEST(Drawing, LongTextStaysOnOneLineInsideItsRectangle) {
    const QString longText = QStringLiteral(
        "Spoštovani, hvala za vaše sporočilo in lep pozdrav iz Ljubljane\nin druga vrstica");
    QImage image = blank(200, 60);
    {
        QPainter painter(&image);
        drawText(painter, longText, QRectF(10, 20, 80, 16), 12, FontWeight::regular, Qt::black,
                 Qt::AlignLeft);
    }
    const Coverage c = coverage(image);
    ASSERT_FALSE(c.box.isEmpty());
    EXPECT_TRUE(QRect(10, 20, 80, 16).contains(c.box));

    // The tail gives way to an ellipsis: the same text in a wide box reaches further right.
    QImage wideImage = blank(600, 60);
    {
        QPainter painter(&wideImage);
        drawText(painter, longText, QRectF(10, 20, 580, 16), 12, FontWeight::regular, Qt::black,
                 Qt::AlignLeft);
    }
    EXPECT_GT(coverage(wideImage).box.right(), 300);
}

TEST(Drawing, LabelIsAStaticTruncatingText) {
    std::unique_ptr<Label> made(label(QStringLiteral("Pripravljeno"), 8, FontWeight::semibold));
    EXPECT_EQ(made->font().pixelSize(), 8);
    EXPECT_EQ(made->font().weight(), QFont::DemiBold);
    EXPECT_EQ(made->textColor(), rgb(Theme::ink()));
    EXPECT_EQ(made->textInteractionFlags(), Qt::NoTextInteraction);

    // Drawn narrow, the text stays within the label.
    made->setText(QStringLiteral("Shranjevanje ni uspelo: disk je poln in nič več ne gre nanj"));
    made->resize(60, 20);
    QImage image = blank(60, 20);
    made->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    const Coverage c = coverage(image);
    ASSERT_FALSE(c.box.isEmpty());
    EXPECT_LT(c.box.right(), 60);
}

}  // namespace
}  // namespace zuna::test
