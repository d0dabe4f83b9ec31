#include "processing/GifSave.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "processing/ColorReduction.h"
#include "ProcessingTestSupport.h"

namespace pix {
namespace {

TEST(GifSave, ReducesATrueColourPictureAndSavesItsIndices)
{
    RegisterFormat(kGifFormat);
    test::TempDir dir;
    const CImageBuffer original = test::SmoothGradient(97, 61);
    ASSERT_TRUE(original.Save(dir.File("g.gif")).Ok());
    // The file holds the picture reduced as the colour reduction does it;
    // the picture itself is not changed by saving.
    CImageBuffer reduced = original;
    ASSERT_TRUE(ReduceColors(reduced, {256, true}));
    CImageBuffer back;
    back.Load(dir.File("g.gif"));
    ASSERT_EQ(back.Width(), 97u);
    ASSERT_EQ(back.Height(), 61u);
    for (uint32_t top = 0; top < 61; ++top)
        for (uint32_t x = 0; x < 97; ++x) {
            const uint8_t i = reduced.IndexPlane()[top * 97 + x];
            ASSERT_EQ(test::Top(back, x, top),
                      (std::array<uint8_t, 3>{reduced.Red()[i], reduced.Green()[i], reduced.Blue()[i]}));
        }
    EXPECT_FALSE(original.HasIndexPlane());
}

TEST(GifSave, APictureOfFewColoursComesBackExactly)
{
    RegisterFormat(kGifFormat);
    test::TempDir dir;
    const std::array<int, 3> colours[7] = {{255, 255, 255}, {32, 64, 192}, {0, 0, 0},    {254, 255, 255},
                                           {128, 128, 128}, {200, 30, 40}, {31, 64, 192}};
    const CImageBuffer original = test::Picture(21, 5, [&](uint32_t x, uint32_t y) { return colours[(x + y) % 7]; });
    ASSERT_TRUE(original.Save(dir.File("few.gif")).Ok());  // reduced to 256 colours by the save
    CImageBuffer back;
    back.Load(dir.File("few.gif"));
    EXPECT_TRUE(test::SamePixels(back, original));
}

TEST(GifSave, ReportsWhenNoIndexPlaneCanBeMade)
{
    test::TempDir dir;
    CImageBuffer empty;
    EXPECT_EQ(WriteGifReducing(empty, dir.File("e.gif")).Text(), "Failed to make 256 color image");

    // Too wide for GIF: refused before any reduction is made.
    CImageBuffer wide;
    ASSERT_TRUE(wide.Create(70000, 1));
    EXPECT_EQ(WriteGifReducing(wide, dir.File("w.gif")).Why(), MsgId::GifTooLarge);
    // Neither file was made.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);
}

}  // namespace
}  // namespace pix
