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
    CImageBuffer empty;
    EXPECT_TRUE(ToQImage(empty).isNull());
    CImageBuffer buf = test::Gradient(2, 2);
    FromQImage(QImage(), buf);
    EXPECT_TRUE(buf.IsEmpty());

    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    DrawBuffer(empty, painter, QRect(0, 0, 4, 4), QRect(0, 0, 1, 1), false);
    painter.end();
    EXPECT_EQ(target.pixelColor(1, 1), QColor(Qt::white));
}

TEST(ImageConversion, DrawBufferDrawsTheSourceRectangleUpright)
{
    const CImageBuffer buf = test::Gradient(6, 5);
    // Source: columns 2..4, rows 1..3 counted from the top.
    const QRect source(2, 1, 3, 3);
    QImage target(8, 8, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    DrawBuffer(buf, painter, QRect(4, 2, 3, 3), source, false);
    painter.end();
    for (int dy = 0; dy < 3; ++dy)
        for (int dx = 0; dx < 3; ++dx)
            EXPECT_EQ(target.pixelColor(4 + dx, 2 + dy),
                      PixelFromTop(buf, static_cast<uint32_t>(source.x() + dx), static_cast<uint32_t>(source.y() + dy)))
                << dx << "," << dy;
    EXPECT_EQ(target.pixelColor(3, 2), QColor(Qt::white));
    EXPECT_EQ(target.pixelColor(4, 5), QColor(Qt::white));
}

TEST(ImageConversion, DrawBufferStretchesWithoutSmoothingUnlessAsked)
{
    const CImageBuffer buf = test::Gradient(2, 2);
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    DrawBuffer(buf, painter, QRect(0, 0, 4, 4), QRect(0, 0, 2, 2), false);
    painter.end();
    // Every destination pixel repeats its source pixel, blocks of 2 × 2.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(target.pixelColor(x, y), PixelFromTop(buf, static_cast<uint32_t>(x / 2), static_cast<uint32_t>(y / 2)))
                << x << "," << y;
}

}  // namespace
}  // namespace pix
