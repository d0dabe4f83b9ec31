#include "image/PackedDib.h"

#include <gtest/gtest.h>

#include <array>

#include "image/CImageBuffer.h"
#include "support/DibFiles.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using test::Dib;

std::array<uint8_t, 3> Rgb(const CImageBuffer& buf, uint32_t x, uint32_t y)
{
    uint8_t r, g, b;
    buf.GetPixel(x, y, r, g, b);
    return {r, g, b};
}

TEST(PackedDib, MadeFromABufferIsA40ByteHeaderAndItsRowsAndReadsBack)
{
    CImageBuffer buf = test::SolidPicture(3, 2, 1, 2, 3);
    buf.SetPixel(2, 1, 200, 100, 50);
    const std::vector<uint8_t> expected = {
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        3, 2, 1, 3, 2, 1, 3, 2, 1, 0, 0, 0, 3, 2, 1, 3, 2, 1, 50, 100, 200, 0, 0, 0};
    const auto dib = MakePackedDib(buf);
    EXPECT_EQ(dib, expected);
    CImageBuffer back;
    ASSERT_TRUE(ReadPackedDib(dib, back));
    EXPECT_TRUE(test::SamePixels(buf, back));
}

TEST(PackedDib, ColourTableFollowsColoursUsedOrTheDepth)
{
    // 8 bits with colours-used 2: only two entries, then the pixels.
    CImageBuffer buf;
    ASSERT_TRUE(ReadPackedDib(
        Dib{.width = 2, .bpp = 8, .colorsUsed = 2, .table = {10, 20, 30, 0, 40, 50, 60, 0}, .pixels = {1, 0, 0, 0}}
            .Packed(),
        buf));
    EXPECT_EQ(Rgb(buf, 0, 0), (std::array<uint8_t, 3>{60, 50, 40}));
    EXPECT_EQ(buf.ColorCount(), 2);

    // 1 bit with colours-used 0: 2 entries; 12-byte header: 3-byte entries.
    ASSERT_TRUE(ReadPackedDib(
        Dib{.width = 3, .bpp = 1, .headerSize = 12, .table = {0, 0, 0, 255, 255, 255}, .pixels = {0xA0, 0, 0, 0}}
            .Packed(),
        buf));
    EXPECT_EQ(Rgb(buf, 0, 0)[0], 255);
    EXPECT_EQ(Rgb(buf, 1, 0)[0], 0);
}

TEST(PackedDib, SixteenAndThirtyTwoBitsWithAndWithoutMasks)
{
    CImageBuffer buf;
    // 16 bits, default 5-5-5: pure red 0x7C00.
    ASSERT_TRUE(ReadPackedDib(Dib{.bpp = 16, .pixels = {0x00, 0x7C, 0, 0}}.Packed(), buf));
    EXPECT_EQ(Rgb(buf, 0, 0), (std::array<uint8_t, 3>{255, 0, 0}));

    // 16 bits, bit fields 5-6-5 after the header: green 0x07E0.
    const std::vector<uint8_t> masks{0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    ASSERT_TRUE(ReadPackedDib(Dib{.bpp = 16, .compression = 3, .table = masks, .pixels = {0xE0, 0x07, 0, 0}}.Packed(), buf));
    EXPECT_EQ(Rgb(buf, 0, 0), (std::array<uint8_t, 3>{0, 255, 0}));

    // 32 bits top-down, two rows: the first stored row is the top.
    ASSERT_TRUE(ReadPackedDib(Dib{.height = -2, .bpp = 32, .pixels = {1, 2, 3, 0, 4, 5, 6, 0}}.Packed(), buf));
    EXPECT_EQ(Rgb(buf, 0, 1), (std::array<uint8_t, 3>{3, 2, 1}));
}

TEST(PackedDib, RefusesMalformedBlocks)
{
    const std::vector<std::vector<uint8_t>> bad{
        {},
        Dib{.width = 0}.Packed(),
        Dib{.bpp = 7}.Packed(),
        Dib{.compression = 9}.Packed(),
        Dib{.height = -1, .bpp = 8, .compression = 1}.Packed(),  // compressed top-down
        Dib{.bpp = 8, .colorsUsed = 1000}.Packed(),              // colour table beyond the block
        Dib{.width = 60000, .height = 60000}.Packed(),
        Dib{.headerSize = 1000}.Packed(),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        CImageBuffer buf;
        EXPECT_FALSE(ReadPackedDib(bad[i], buf)) << i;
        EXPECT_TRUE(buf.IsEmpty()) << i;
    }
}

}  // namespace
}  // namespace pix
