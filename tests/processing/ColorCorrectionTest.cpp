#include "processing/ColorCorrection.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/CImageBuffer.h"

namespace pix {
namespace {

TEST(ColorCorrection, NeutralSlidersGiveTheIdentity)
{
    const ColorTables t = BuildColorTables({});
    for (int i = 0; i < 256; ++i)
        EXPECT_TRUE(t.red[i] == i && t.green[i] == i && t.blue[i] == i) << i;
}

TEST(ColorCorrection, SliderEndsGiveTheirExtremeValues)
{
    ColorSliders flat;
    flat.gamma = -256;  // F = 0: every input becomes 255 before the rest
    const ColorTables f = BuildColorTables(flat);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(f.red[i], 255);

    ColorSliders invert;
    invert.contrast = 256;  // A = -1: inverted about 128
    const ColorTables inv = BuildColorTables(invert);
    EXPECT_EQ((std::array{int(inv.red[0]), int(inv.red[128]), int(inv.red[200])}), (std::array{255, 128, 56}));

    ColorSliders noRed;
    noRed.red = 256;  // gain 0: red is (0 − 128) + 128 = 0
    noRed.brightness = -128;  // x = −1/2: B = 128 + 64
    const ColorTables nr = BuildColorTables(noRed);
    EXPECT_EQ(nr.red[200], 64);
    EXPECT_EQ(nr.green[100], 164);
}

TEST(ColorCorrection, TablesApplyToTheSavedPlanesNeverCumulatively)
{
    CImageBuffer img;
    ASSERT_TRUE(img.Create(3, 2));
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            img.SetPixel(x, y, static_cast<uint8_t>(40 * x), static_cast<uint8_t>(100 + y), 250);
    const CImageBuffer original = img;
    SavedPlanes saved(img);
    ColorSliders s;
    s.contrast = 256;
    saved.Apply(BuildColorTables(s), img);
    saved.Apply(BuildColorTables(s), img);  // twice: still one inversion
    uint8_t r, g, b;
    img.GetPixel(2, 1, r, g, b);
    EXPECT_EQ(r, 256 - 80);
    EXPECT_EQ(b, 6);
    saved.Restore(img);
    EXPECT_EQ(std::memcmp(img.Bits(), original.Bits(), img.BitsSize()), 0);
}

}  // namespace
}  // namespace pix
