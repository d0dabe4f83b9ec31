#include "image/CImageBuffer.h"

#include <gtest/gtest.h>

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

// Rows are padded to four bytes; sizes beyond the limit are refused.
TEST(CImageBuffer, RowsArePaddedAndLargePicturesRefused)
{
    EXPECT_EQ(StrideFor(1), 4u);
    EXPECT_EQ(StrideFor(2), 8u);
    EXPECT_EQ(StrideFor(3), 12u);
    EXPECT_EQ(StrideFor(4), 12u);
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(5, 3));
    EXPECT_EQ(buf.Stride(), 16u);
    EXPECT_EQ(buf.BitsSize(), 48u);
    EXPECT_FALSE(buf.Create(100000, 100000));
    EXPECT_TRUE(buf.IsEmpty());
    EXPECT_FALSE(buf.Create(0, 5));
    EXPECT_FALSE(buf.Adopt(std::vector<uint8_t>(10), 2, 2));  // wrong size
    EXPECT_TRUE(buf.IsEmpty());
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
         {{0, 0, 0}, {1, 0, 50}, {2, 0, 100}, {0, 1, 100}, {1, 1, 85}, {2, 2, 40},
          {3, 0, 100}, {3, 3, 40}, {0, 3, 200}}},
        // Two rows high but one column wide, so each row is interpolated:
        // column 1 lies 170/256 of the way from the left pixel to the right
        // one (rounded down); (59 + 89) / 2 and (119 + 149) / 2. Column 0
        // averages the pixels.
        {"vertical reduction", Grey(2, 4, {0, 90, 30, 120, 60, 150, 90, 180}), 3, 2,
         {{1, 0, 74}, {1, 1, 134}, {0, 1, 75}}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.picture.Resize(c.width, c.height);
        ASSERT_TRUE(c.picture.Width() == c.width && c.picture.Height() == c.height);
        for (const Check& k : c.checks)
            EXPECT_EQ(ValueAt(c.picture, k.x, k.y), k.value) << k.x << "," << k.y;
    }
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
