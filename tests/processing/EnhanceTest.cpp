#include "processing/Enhance.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/CImageBuffer.h"

namespace pix {
namespace {

void Fill(CImageBuffer& img, uint8_t r, uint8_t g, uint8_t b)
{
    for (uint32_t y = 0; y < img.Height(); ++y)
        for (uint32_t x = 0; x < img.Width(); ++x)
            img.SetPixel(x, y, r, g, b);
}

uint8_t Red(const CImageBuffer& img, uint32_t x, uint32_t top)
{
    uint8_t r, g, b;
    img.GetPixel(x, img.Height() - 1 - top, r, g, b);
    return r;
}

TEST(Enhance, FlatPicturesStayAsTheyAre)
{
    CImageBuffer img;
    ASSERT_TRUE(img.Create(5, 4));
    Fill(img, 90, 90, 90);
    ASSERT_TRUE(img.SetIndexPlane(std::vector<uint8_t>(20, 0), 1));
    const CImageBuffer before = img;
    Enhance(img);
    EXPECT_EQ(std::memcmp(img.Bits(), before.Bits(), img.BitsSize()), 0);
    EXPECT_FALSE(img.HasIndexPlane());

    CImageBuffer tiny;  // fewer than three pixels: no activity measure
    ASSERT_TRUE(tiny.Create(2, 1));
    tiny.SetPixel(0, 0, 0, 0, 0);
    tiny.SetPixel(1, 0, 255, 255, 255);
    Enhance(tiny);
    EXPECT_EQ(Red(tiny, 1, 0), 255);
}

TEST(Enhance, AnIsolatedSpeckIsSmoothedTowardsItsNeighbours)
{
    // One bright pixel in a 7 x 7 grey field: its activity is far above the
    // picture's, but the neighbours' (one differing neighbour each) is below
    // it, so they are pulled towards their local mean.
    CImageBuffer img;
    ASSERT_TRUE(img.Create(7, 7));
    Fill(img, 100, 100, 100);
    img.SetPixel(3, 3, 190, 190, 190);
    EnhanceAdaptiveFilter(img);
    // Activity of the speck: 8 × 90 = 720; total per channel 720 + 8 × 90
    // = 1440 over ⌊49 / 3⌋ = 16: K = 90. The speck (720 > 180) stays.
    EXPECT_EQ(Red(img, 3, 3), 190);
    // A neighbour: D = 90 = K, factor 1, so it keeps its value; a pixel two
    // away has D = 0 and becomes its (flat) mean.
    EXPECT_EQ(Red(img, 2, 3), 100);
    EXPECT_EQ(Red(img, 0, 0), 100);
}

TEST(Enhance, StretchSpreadsColourfulBlocksToTheFullRangeAndIgnoresAnOddLastRow)
{
    CImageBuffer img;
    ASSERT_TRUE(img.Create(4, 3));
    // Top 2 x 2 blocks: one (100, 60, 60), one (140, 60, 60); bottom row
    // (an odd row) carries extremes that must not count.
    for (uint32_t x = 0; x < 4; ++x) {
        const uint8_t r = x < 2 ? 100 : 140;
        img.SetPixel(x, 2, r, 60, 60);
        img.SetPixel(x, 1, r, 60, 60);
        img.SetPixel(x, 0, 250, 250, 5);
    }
    EnhanceStretch(img);
    EXPECT_EQ(Red(img, 0, 0), 0);
    EXPECT_EQ(Red(img, 3, 0), 255);
    // Green and blue saw a single level: their range is 0..255, unchanged.
    uint8_t r, g, b;
    img.GetPixel(0, 2, r, g, b);
    EXPECT_EQ(g, 60);
    img.GetPixel(0, 0, r, g, b);  // the odd row is mapped too
    EXPECT_EQ(r, 255);
    EXPECT_EQ(b, 5);
}

TEST(Enhance, GreyPicturesAreNotStretched)
{
    CImageBuffer img;
    ASSERT_TRUE(img.Create(4, 4));
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            img.SetPixel(x, y, static_cast<uint8_t>(50 + 40 * x), static_cast<uint8_t>(50 + 40 * x),
                         static_cast<uint8_t>(52 + 40 * x));
    const CImageBuffer before = img;
    EnhanceStretch(img);
    EXPECT_EQ(std::memcmp(img.Bits(), before.Bits(), img.BitsSize()), 0);
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

TEST(Enhance, ASingleRowOrColumnIsFilteredButNotStretched)
{
    for (auto [w, h] : {std::pair{9u, 1u}, std::pair{1u, 9u}}) {
        CImageBuffer img;
        ASSERT_TRUE(img.Create(w, h));
        for (uint32_t i = 0; i < 9; ++i)
            img.SetPixel(w == 1 ? 0 : i, h == 1 ? 0 : i, static_cast<uint8_t>(20 * i), 60, 200);
        CImageBuffer filtered = img;
        EnhanceAdaptiveFilter(filtered);
        Enhance(img);
        // No 2 x 2 block exists, so the stretch leaves stage one's result.
        EXPECT_EQ(std::memcmp(img.Bits(), filtered.Bits(), img.BitsSize()), 0);
    }
}

}  // namespace
}  // namespace pix
