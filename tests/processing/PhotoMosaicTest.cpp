#include "processing/PhotoMosaic.h"

#include <gtest/gtest.h>

#include <tuple>

#include "common/Progress.h"
#include "ProcessingTestSupport.h"

namespace pix {
namespace {

using CancellingProgress = test::RecordingProgress;
using test::Top;

std::string WriteSolid(const test::TempDir& dir, const std::string& name, uint8_t r, uint8_t g, uint8_t b)
{
    return test::WriteSolidPicture(dir.File(name), 64, 48, r, g, b);
}

// The green tiles of a 2 x 2 mosaic of 40 x 40.
int GreenTiles(const CImageBuffer& image)
{
    int placed = 0;
    for (uint32_t ty = 0; ty < 2; ++ty)
        for (uint32_t tx = 0; tx < 2; ++tx)
            placed += Top(image, tx * 20 + 5, ty * 20 + 5)[1] == 240 ? 1 : 0;
    return placed;
}

TEST(PhotoMosaic, SourceChecksComeInOrder)
{
    const MosaicSettings s{.rows = 4, .columns = 5, .clipsPerChopped = 3};
    EXPECT_EQ(CheckMosaicSources(s, 0, 0, 0), MsgId::MosaicNoSources);
    EXPECT_EQ(CheckMosaicSources(s, 2, 5, 0), MsgId::MosaicTooFewSources);  // 20 > 15 + 2
    EXPECT_EQ(CheckMosaicSources(s, 5, 5, 0), std::nullopt);                 // exactly enough
    EXPECT_EQ(CheckMosaicSources(s, 0, 0, 1), std::nullopt);                 // reusable covers all
}

TEST(PhotoMosaic, ClipsAreCentredOrCutInsideTheSource)
{
    CImageBuffer target = test::SolidPicture(100, 100, 0, 0, 0);
    PhotoMosaic mosaic(target, {.rows = 10, .columns = 10}, {});  // tiles 10 x 10: square clips
    auto centred = mosaic.CutClip(100, 60, MosaicSourceKind::AsIs);
    ASSERT_TRUE(centred);
    EXPECT_EQ(std::tie(centred->width, centred->height, centred->left, centred->top), std::tuple(60, 60, 20, 0));
    EXPECT_FALSE(mosaic.CutClip(15, 40, MosaicSourceKind::Reusable));  // narrower than 16
    for (int i = 0; i < 200; ++i) {
        auto chopped = mosaic.CutClip(120, 90, MosaicSourceKind::Chopped);
        if (!chopped)
            continue;
        EXPECT_EQ(chopped->width, chopped->height);
        EXPECT_GE(chopped->width, 16);
        EXPECT_LT(chopped->left + chopped->width, 120);
        EXPECT_LT(chopped->top + chopped->height, 90);
    }
}

TEST(PhotoMosaic, BusiestNeighbourhoodsComeFirstAndTiesKeepRowOrder)
{
    // 8 x 8 tiles of 16 x 16 pixels (the analysis copy is the picture
    // itself), with a checkerboard in the tile at column 3, row 3.
    CImageBuffer target = test::Picture(128, 128, [](uint32_t x, uint32_t top) {
        const int v = x / 16 != 3 || top / 16 != 3 ? 100 : ((x + top) & 1) ? 255 : 0;
        return std::array<int, 3>{v, v, v};
    });
    PhotoMosaic mosaic(target, {.rows = 8, .columns = 8}, {});
    NullProgress progress;
    mosaic.AnalyseTarget(progress);
    const auto& order = mosaic.Order();
    ASSERT_EQ(order.size(), 64u);
    // Every tile within two of (3, 3) shares its busy detail; the first of
    // them in row order is (1, 1).
    EXPECT_EQ(std::tie(order[0].column, order[0].row), std::tuple(1, 1));
    EXPECT_GT(mosaic.Detail()[3 * 8 + 3], 0u);
    EXPECT_EQ(mosaic.Detail()[0], 0u);
    // The quiet tiles follow in row-major order, starting with (0, 0).
    EXPECT_EQ(std::tie(order[25].column, order[25].row), std::tuple(0, 0));
}

TEST(PhotoMosaic, TilesTakeTheNearestClipAndTheRemainderStaysBlack)
{
    test::TempDir dir;
    const std::string red = WriteSolid(dir, "red.bmp", 250, 10, 10);
    const std::string blue = WriteSolid(dir, "blue.bmp", 10, 10, 250);
    // Left half reddish, right half bluish; 85 wide with 4 columns: the
    // last 5 pixel columns are not covered.
    CImageBuffer image(test::SolidPicture(85, 40, 200, 30, 30));
    for (uint32_t y = 0; y < 40; ++y)
        for (uint32_t x = 42; x < 85; ++x)
            image.SetPixel(x, y, 30, 30, 200);
    CancellingProgress progress;
    int repaints = 0;
    RunPhotoMosaic(image, {.rows = 2, .columns = 4}, {{red, MosaicSourceKind::Reusable}, {blue, MosaicSourceKind::Reusable}}, progress,
                   [&] { ++repaints; });
    EXPECT_EQ(Top(image, 5, 5), (std::array<uint8_t, 3>{250, 10, 10}));
    EXPECT_EQ(Top(image, 70, 30), (std::array<uint8_t, 3>{10, 10, 250}));
    EXPECT_EQ(Top(image, 84, 10), (std::array<uint8_t, 3>{0, 0, 0}));
    EXPECT_EQ(repaints, 1 + 8);
    EXPECT_EQ(progress.texts.front(), "Analyzing red.bmp 100%");
    EXPECT_EQ(progress.texts.back(), "Processing Tile No. 8 of 8");
}

TEST(PhotoMosaic, CancellingKeepsWhatWasPlacedOrLeavesTheImageBlack)
{
    test::TempDir dir;
    const std::string green = WriteSolid(dir, "green.bmp", 10, 240, 10);
    // Steps: 1 analysis, 1 target, then tiles. Cancelled at the analysis
    // the (green) image is left black; at the third tile two are placed.
    for (auto [cancelAt, placed] : {std::pair{1, 0}, std::pair{5, 2}}) {
        CImageBuffer image = test::SolidPicture(40, 40, 10, 240, 10);
        CancellingProgress progress(cancelAt);
        RunPhotoMosaic(image, {.rows = 2, .columns = 2}, {{green, MosaicSourceKind::Reusable}}, progress, nullptr);
        EXPECT_EQ(GreenTiles(image), placed) << cancelAt;
        EXPECT_EQ(Top(image, 20, 39)[0], 0);
    }
}

TEST(PhotoMosaic, UsedClipsAreNotTakenAgain)
{
    test::TempDir dir;
    const std::string only = WriteSolid(dir, "one.bmp", 200, 200, 0);
    CImageBuffer image = test::SolidPicture(40, 20, 200, 200, 0);
    NullProgress progress;
    RunPhotoMosaic(image, {.rows = 1, .columns = 2}, {{only, MosaicSourceKind::AsIs}}, progress, nullptr);
    // One as-is clip fills the first tile in the order; the other stays black.
    const int filled = (Top(image, 5, 5)[0] == 200) + (Top(image, 25, 5)[0] == 200);
    EXPECT_EQ(filled, 1);
}

}  // namespace
}  // namespace pix
