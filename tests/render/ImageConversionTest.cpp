// Conversions between the bottom-up buffer and top-down QImages, and
// drawing a buffer's sub-rectangle the right way up.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>

#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

QColor PixelFromTop(const CImageBuffer& buf, uint32_t x, uint32_t top)
{
    uint8_t r, g, b;
    buf.GetPixel(x, buf.Height() - 1 - top, r, g, b);
    return QColor(r, g, b);
}

TEST(ImageConversion, QImagesRunTopDownAndComeBackPixelForPixelAtOddWidths)
{
    for (uint32_t width : {1u, 3u, 5u, 17u}) {
        SCOPED_TRACE(width);
        const CImageBuffer original = test::Gradient(width, 4);
        const QImage image = ToQImage(original);
        ASSERT_EQ(image.size(), QSize(static_cast<int>(width), 4));
        for (uint32_t top = 0; top < 4; ++top)
            for (uint32_t x = 0; x < width; ++x)
                EXPECT_EQ(image.pixelColor(static_cast<int>(x), static_cast<int>(top)), PixelFromTop(original, x, top));
        CImageBuffer back;
        FromQImage(image, back);
        EXPECT_TRUE(test::SamePixels(back, original));
        EXPECT_FALSE(back.HasIndexPlane());
    }
}

TEST(ImageConversion, AlphaIsComposedOnBlack)
{
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixelColor(0, 0, QColor(255, 255, 255, 0));
    image.setPixelColor(1, 0, QColor(200, 100, 0, 255));
    CImageBuffer buf;
    FromQImage(image, buf);
    ASSERT_FALSE(buf.IsEmpty());
    EXPECT_EQ(PixelFromTop(buf, 0, 0), QColor(0, 0, 0));
    EXPECT_EQ(PixelFromTop(buf, 1, 0), QColor(200, 100, 0));
}

TEST(ImageConversion, EmptyPicturesStayEmpty)
{
    EXPECT_TRUE(ToQImage(CImageBuffer()).isNull());
    CImageBuffer buf = test::Gradient(2, 2);
    FromQImage(QImage(), buf);
    EXPECT_TRUE(buf.IsEmpty());
}

TEST(ImageConversion, DrawBufferDrawsTheSourceRectangleUprightWithoutSmoothing)
{
    const CImageBuffer buf = test::Gradient(6, 5);
    const CImageBuffer empty;
    const struct {
        const CImageBuffer& picture;
        QRect target, source;  // rows of the source counted from the top
    } cases[] = {
        {buf, {4, 2, 3, 3}, {2, 1, 3, 3}},
        {buf, {0, 0, 4, 4}, {0, 0, 2, 2}},  // every source pixel becomes a block of 2 × 2
        {empty, {0, 0, 4, 4}, {0, 0, 1, 1}},  // nothing is drawn
    };
    for (const auto& c : cases) {
        QImage target(8, 8, QImage::Format_RGB32);
        target.fill(Qt::white);
        QPainter painter(&target);
        DrawBuffer(c.picture, painter, c.target, c.source, false);
        painter.end();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const int sx = c.source.x() + (x - c.target.x()) * c.source.width() / c.target.width();
                const int sy = c.source.y() + (y - c.target.y()) * c.source.height() / c.target.height();
                QColor expected = Qt::white;
                if (!c.picture.IsEmpty() && c.target.contains(x, y))
                    expected = PixelFromTop(c.picture, static_cast<uint32_t>(sx), static_cast<uint32_t>(sy));
                EXPECT_EQ(target.pixelColor(x, y), expected) << x << "," << y;
            }
    }
}

}  // namespace
}  // namespace pix
