#include "processing/Enhance.h"

#include <gtest/gtest.h>

#include "ProcessingTestSupport.h"

namespace pix {
namespace {

uint8_t Red(const CImageBuffer& img, uint32_t x, uint32_t top) { return test::Top(img, x, top)[0]; }

TEST(Enhance, FlatPicturesStayAsTheyAre)
{
    CImageBuffer img = test::SolidPicture(5, 4, 90, 90, 90);
    ASSERT_TRUE(img.SetIndexPlane(std::vector<uint8_t>(20, 0), 1));
    const CImageBuffer before = img;
    Enhance(img);
    EXPECT_TRUE(test::SamePixels(img, before));
    EXPECT_FALSE(img.HasIndexPlane());

    CImageBuffer tiny = test::SolidPicture(2, 1, 0, 0, 0);  // fewer than three pixels: no activity measure
    tiny.SetPixel(1, 0, 255, 255, 255);
    Enhance(tiny);
    EXPECT_EQ(Red(tiny, 1, 0), 255);
}

TEST(Enhance, AnIsolatedSpeckIsSmoothedTowardsItsNeighbours)
{
    // One bright pixel in a 7 x 7 grey field: its activity is far above the
    // picture's, but the neighbours' (one differing neighbour each) is below
    // it, so they are pulled towards their local mean.
    CImageBuffer img = test::SolidPicture(7, 7, 100, 100, 100);
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
    // Top 2 x 2 blocks: one (100, 60, 60), one (140, 60, 60); bottom row
    // (an odd row) carries extremes that must not count.
    CImageBuffer img = test::Picture(4, 3, [](uint32_t x, uint32_t top) {
        return top == 2 ? std::array<int, 3>{250, 250, 5} : std::array<int, 3>{x < 2 ? 100 : 140, 60, 60};
    });
    EnhanceStretch(img);
    EXPECT_EQ(Red(img, 0, 0), 0);
    EXPECT_EQ(Red(img, 3, 0), 255);
    // Green and blue saw a single level: their range is 0..255, unchanged.
    EXPECT_EQ(test::Top(img, 0, 0)[1], 60);
    EXPECT_EQ(test::Top(img, 0, 2), (std::array<uint8_t, 3>{255, 250, 5}));  // the odd row is mapped too

    // Grey pictures are not stretched.
    const CImageBuffer grey = test::Picture(4, 4, [](uint32_t x, uint32_t) {
        return std::array<int, 3>{int(50 + 40 * x), int(50 + 40 * x), int(52 + 40 * x)};
    });
    img = grey;
    EnhanceStretch(img);
    EXPECT_TRUE(test::SamePixels(img, grey));
}

TEST(Enhance, ASingleRowOrColumnIsFilteredButNotStretched)
{
    for (auto [w, h] : {std::pair{9u, 1u}, std::pair{1u, 9u}}) {
        CImageBuffer img = test::Picture(w, h, [](uint32_t x, uint32_t y) {
            return std::array<int, 3>{int(20 * (x + y)), 60, 200};
        });
        CImageBuffer filtered = img;
        EnhanceAdaptiveFilter(filtered);
        Enhance(img);
        // No 2 x 2 block exists, so the stretch leaves stage one's result.
        EXPECT_TRUE(test::SamePixels(img, filtered));
    }
}

}  // namespace
}  // namespace pix
