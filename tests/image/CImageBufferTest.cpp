#include "image/CImageBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/RowHelpers.h"
#include "support/ImageTestSupport.h"

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

// Grey pictures given by memory rows (row 0 the bottom), and values the
// resized picture must have at some pixels.
TEST(Resize, AveragesBoxesWhenHalvingAndInterpolatesOtherwise)
{
    struct Check {
        uint32_t x, y;
        uint8_t value;
    };
    struct Case {
        const char* what;
        CImageBuffer picture;
        uint32_t width, height;
        std::vector<Check> checks;
    } cases[] = {
        // (0+10+20+30)/4, (100+101+200+203)/4 rounded down.
        {"half size", Grey(4, 2, {0, 10, 100, 101, 20, 30, 200, 203}), 2, 1, {{0, 0, 15}, {1, 0, 151}}},
        // Halfway along the row, halfway up, in the middle; past the last
        // column and row the edge pixel is its own neighbour.
        {"double size", Grey(2, 2, {0, 100, 200, 40}), 4, 4,
         {{0, 0, 0}, {1, 0, 50}, {2, 0, 100}, {0, 1, 100}, {1, 1, 85}, {2, 2, 40}, {3, 0, 100}, {3, 3, 40}, {0, 3, 200}}},
        // Two rows high but one column wide, so each row is interpolated:
        // column 1 lies 170/256 of the way from the left pixel to the right
        // one (rounded down); (59 + 89) / 2 and (119 + 149) / 2. Column 0
        // averages the pixels.
        {"vertical reduction", Grey(2, 4, {0, 90, 30, 120, 60, 150, 90, 180}), 3, 2, {{1, 0, 74}, {1, 1, 134}, {0, 1, 75}}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.picture.Resize(c.width, c.height);
        ASSERT_TRUE(c.picture.Width() == c.width && c.picture.Height() == c.height);
        for (const Check& k : c.checks)
            EXPECT_EQ(ValueAt(c.picture, k.x, k.y), k.value) << k.x << "," << k.y;
    }
}

TEST(Resize, SameSizeCopiesEveryPixel)
{
    CImageBuffer buf = test::Gradient(5, 3);
    const CImageBuffer copy = buf;
    buf.Resize(5, 3);
    EXPECT_TRUE(test::SamePixels(buf, copy));
}

TEST(Resize, LargeReductionIsABoxAverageAndDiscardsTheIndexPlane)
{
    CImageBuffer buf = test::SolidPicture(300, 10, 0, 0, 0);
    for (uint32_t y = 0; y < 10; ++y)
        for (uint32_t x = 0; x < 150; ++x)
            buf.SetPixel(x, y, 200, 200, 200);
    ASSERT_TRUE(buf.SetIndexPlane(std::vector<uint8_t>(3000, 0), 1));
    buf.Resize(2, 1);
    EXPECT_FALSE(buf.HasIndexPlane());
    EXPECT_EQ(ValueAt(buf, 0, 0), 200);
    EXPECT_EQ(ValueAt(buf, 1, 0), 0);
}

}  // namespace
}  // namespace pix
