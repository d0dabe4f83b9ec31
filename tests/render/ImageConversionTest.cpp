// Conversions between the bottom-up buffer and top-down QImages, and
// drawing a buffer's sub-rectangle the right way up.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <cstring>

#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"

namespace pix {
namespace {

// A picture whose every pixel differs: red from x, green from the top-down
// row, blue from both.
CImageBuffer Gradient(uint32_t width, uint32_t height)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(width, height));
    for (uint32_t top = 0; top < height; ++top)
        for (uint32_t x = 0; x < width; ++x)
            buf.SetPixel(x, height - 1 - top, static_cast<uint8_t>(x * 7), static_cast<uint8_t>(top * 11),
                         static_cast<uint8_t>(x * 3 + top * 5));
    return buf;
}

QColor PixelFromTop(const CImageBuffer& buf, uint32_t x, uint32_t top)
{
    uint8_t r, g, b;
    buf.GetPixel(x, buf.Height() - 1 - top, r, g, b);
    return QColor(r, g, b);
}

TEST(ImageConversion, ToQImageTurnsBottomUpRowsTopDown)
{
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(3, 2));
    buf.SetPixel(0, 0, 255, 0, 0);  // memory row 0: the bottom-left pixel
    buf.SetPixel(2, 1, 0, 0, 255);  // the top-right pixel
    const QImage image = ToQImage(buf);
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixelColor(0, 1), QColor(255, 0, 0));
    EXPECT_EQ(image.pixelColor(2, 0), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 0, 0));
}

TEST(ImageConversion, FromQImagePutsTheTopRowLastInMemory)
{
    QImage image(2, 3, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixelColor(0, 0, QColor(10, 20, 30));   // top-left
    image.setPixelColor(1, 2, QColor(40, 50, 60));   // bottom-right
    CImageBuffer buf;
    FromQImage(image, buf);
    ASSERT_EQ(buf.Width(), 2u);
    ASSERT_EQ(buf.Height(), 3u);
    EXPECT_EQ(buf.Stride(), 8u);
    uint8_t r, g, b;
    buf.GetPixel(0, 2, r, g, b);
    EXPECT_EQ(QColor(r, g, b), QColor(10, 20, 30));
    buf.GetPixel(1, 0, r, g, b);
    EXPECT_EQ(QColor(r, g, b), QColor(40, 50, 60));
    EXPECT_FALSE(buf.HasIndexPlane());
}

TEST(ImageConversion, RoundTripKeepsEveryPixelAtOddWidths)
{
    for (uint32_t width : {1u, 3u, 5u, 17u}) {
        SCOPED_TRACE(width);
        const CImageBuffer original = Gradient(width, 4);
        CImageBuffer back;
        FromQImage(ToQImage(original), back);
        ASSERT_EQ(back.Width(), width);
        ASSERT_EQ(back.Height(), 4u);
        for (uint32_t y = 0; y < 4; ++y)
            EXPECT_EQ(0, std::memcmp(back.Row(y), original.Row(y), width * 3)) << "row " << y;
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
    CImageBuffer buf = Gradient(2, 2);
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
    const CImageBuffer buf = Gradient(6, 5);
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
    const CImageBuffer buf = Gradient(2, 2);
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
