#include "image/CImageBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/RowHelpers.h"

namespace pix {
namespace {

// Fills every byte of a pixel with one grey value given per memory row.
CImageBuffer Grey(uint32_t w, uint32_t h, std::initializer_list<uint8_t> values)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    auto it = values.begin();
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x, ++it)
            buf.SetPixel(x, y, *it, *it, *it);
    return buf;
}

uint8_t ValueAt(const CImageBuffer& buf, uint32_t x, uint32_t y)
{
    uint8_t r, g, b;
    buf.GetPixel(x, y, r, g, b);
    EXPECT_EQ(r, g);
    EXPECT_EQ(g, b);
    return r;
}

TEST(CImageBuffer, StrideIsRowBytesRoundedUpToFour)
{
    EXPECT_EQ(StrideFor(1), 4u);
    EXPECT_EQ(StrideFor(2), 8u);
    EXPECT_EQ(StrideFor(3), 12u);
    EXPECT_EQ(StrideFor(4), 12u);
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(5, 3));
    EXPECT_EQ(buf.Stride(), 16u);
    EXPECT_EQ(buf.BitsSize(), 48u);
}

TEST(CImageBuffer, PixelsAddressMemoryRowsBlueGreenRed)
{
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(2, 2));
    buf.SetPixel(1, 1, 10, 20, 30);
    const uint8_t* p = buf.Bits() + buf.Stride() * 1 + 3;
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    uint8_t r, g, b;
    buf.GetPixel(1, 1, r, g, b);
    EXPECT_EQ((std::array<uint8_t, 3>{r, g, b}), (std::array<uint8_t, 3>{10, 20, 30}));
}

TEST(CImageBuffer, RefusesPicturesBeyondTheLimit)
{
    CImageBuffer buf;
    EXPECT_FALSE(buf.Create(100000, 100000));
    EXPECT_TRUE(buf.IsEmpty());
    EXPECT_FALSE(buf.Create(0, 5));
    EXPECT_FALSE(buf.Adopt(std::vector<uint8_t>(10), 2, 2));  // wrong size
    EXPECT_TRUE(buf.IsEmpty());
}

TEST(RowHelpers, FlipRowsKeepsTheMiddleRowAndAcceptsNoRows)
{
    std::vector<uint8_t> rows{1, 1, 2, 2, 3, 3};
    ASSERT_TRUE(FlipRows(rows.data(), 2, 3));
    EXPECT_EQ(rows, (std::vector<uint8_t>{3, 3, 2, 2, 1, 1}));
    std::vector<uint8_t> four{1, 2, 3, 4};
    ASSERT_TRUE(FlipRows(four.data(), 1, 4));
    EXPECT_EQ(four, (std::vector<uint8_t>{4, 3, 2, 1}));
    uint8_t none = 7;
    EXPECT_TRUE(FlipRows(&none, 1, 0));
    EXPECT_EQ(none, 7);
    EXPECT_FALSE(FlipRows(nullptr, 1, 1));
}

TEST(RowHelpers, PadUnpadAndSwapRoundTrip)
{
    // Two rows of three pixels.
    std::vector<uint8_t> packed(18);
    for (size_t i = 0; i < packed.size(); ++i)
        packed[i] = static_cast<uint8_t>(i + 1);
    uint32_t stride = 0;
    auto padded = PadRows(packed.data(), 3, 2, stride);
    EXPECT_EQ(stride, 12u);
    ASSERT_EQ(padded.size(), 24u);
    EXPECT_EQ(padded[12], 10);  // second row starts after the padding
    auto back = UnpadRows(padded.data(), 3, stride, 2);
    EXPECT_EQ(back, packed);
    ASSERT_TRUE(SwapRedBlue(back.data(), 3, 2));
    EXPECT_EQ(back[0], 3);
    EXPECT_EQ(back[2], 1);
    EXPECT_EQ(back[17], 16);
    EXPECT_TRUE(PadRows(nullptr, 3, 2, stride).empty());
    EXPECT_TRUE(UnpadRows(nullptr, 3, 12, 2).empty());
    EXPECT_FALSE(SwapRedBlue(nullptr, 1, 1));
}

TEST(Resize, HalfSizeAveragesTwoByTwoBlocks)
{
    CImageBuffer buf = Grey(4, 2, {0, 10, 100, 101, 20, 30, 200, 203});
    buf.Resize(2, 1);
    ASSERT_EQ(buf.Width(), 2u);
    ASSERT_EQ(buf.Height(), 1u);
    EXPECT_EQ(ValueAt(buf, 0, 0), 15);   // (0+10+20+30)/4
    EXPECT_EQ(ValueAt(buf, 1, 0), 151);  // (100+101+200+203)/4 rounded down
}

TEST(Resize, SameSizeCopiesEveryPixel)
{
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(5, 3));
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 40), static_cast<uint8_t>(y * 70), static_cast<uint8_t>(x + y));
    CImageBuffer copy = buf;
    buf.Resize(5, 3);
    for (uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(std::memcmp(buf.Row(y), copy.Row(y), 15), 0);
}

TEST(Resize, DoubleSizeInterpolatesBetweenNeighbours)
{
    // memory row 0: 0 100; memory row 1: 200 40
    CImageBuffer buf = Grey(2, 2, {0, 100, 200, 40});
    buf.Resize(4, 4);
    EXPECT_EQ(ValueAt(buf, 0, 0), 0);
    EXPECT_EQ(ValueAt(buf, 1, 0), 50);   // halfway along the row
    EXPECT_EQ(ValueAt(buf, 2, 0), 100);
    EXPECT_EQ(ValueAt(buf, 0, 1), 100);  // halfway up
    EXPECT_EQ(ValueAt(buf, 1, 1), 85);   // (0+100+200+40)/4
    EXPECT_EQ(ValueAt(buf, 2, 2), 40);
    // Past the last column and row the edge pixel is its own neighbour.
    EXPECT_EQ(ValueAt(buf, 3, 0), 100);
    EXPECT_EQ(ValueAt(buf, 3, 3), 40);
    EXPECT_EQ(ValueAt(buf, 0, 3), 200);
}

TEST(Resize, VerticalReductionAveragesInterpolatedRows)
{
    // 2 wide (horizontal enlargement 2 -> 3), 4 high reduced to 2: the box
    // is two rows high but one column wide, so each row is interpolated.
    CImageBuffer buf = Grey(2, 4, {0, 90, 30, 120, 60, 150, 90, 180});
    buf.Resize(3, 2);
    // Column 1 lies 170/256 of the way from the left pixel to the right
    // one (rounded down), and each output row averages two such rows:
    // (59 + 89) / 2 and (119 + 149) / 2. Column 0 averages the pixels.
    EXPECT_EQ(ValueAt(buf, 1, 0), 74);
    EXPECT_EQ(ValueAt(buf, 1, 1), 134);
    EXPECT_EQ(ValueAt(buf, 0, 1), 75);
}

TEST(Resize, LargeReductionIsABoxAverageAndDiscardsTheIndexPlane)
{
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(300, 10));
    for (uint32_t y = 0; y < 10; ++y)
        for (uint32_t x = 0; x < 300; ++x)
            buf.SetPixel(x, y, x < 150 ? 200 : 0, 0, 0);
    ASSERT_TRUE(buf.SetIndexPlane(std::vector<uint8_t>(3000, 0), 1));
    buf.Resize(2, 1);
    EXPECT_FALSE(buf.HasIndexPlane());
    uint8_t r, g, b;
    buf.GetPixel(0, 0, r, g, b);
    EXPECT_EQ(r, 200);
    buf.GetPixel(1, 0, r, g, b);
    EXPECT_EQ(r, 0);
}

}  // namespace
}  // namespace pix
