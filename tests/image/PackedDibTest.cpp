#include "image/PackedDib.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/ByteReader.h"
#include "image/CImageBuffer.h"

namespace pix {
namespace {

std::vector<uint8_t> Header(uint32_t size, int32_t w, int32_t h, uint16_t bpp, uint32_t compression,
                            uint32_t colorsUsed = 0)
{
    std::vector<uint8_t> out;
    PutU32(out, size);
    PutU32(out, static_cast<uint32_t>(w));
    PutU32(out, static_cast<uint32_t>(h));
    PutU16(out, 1);
    PutU16(out, bpp);
    PutU32(out, compression);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, colorsUsed);
    PutU32(out, 0);
    out.resize(size, 0);
    return out;
}

void Append(std::vector<uint8_t>& a, std::initializer_list<uint8_t> b) { a.insert(a.end(), b); }

TEST(PackedDib, RoundTripsTheBuffersOwnForm)
{
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(3, 2));
    buf.SetPixel(0, 0, 1, 2, 3);
    buf.SetPixel(2, 1, 200, 100, 50);
    auto dib = MakePackedDib(buf);
    ASSERT_EQ(dib.size(), 40u + 24);
    CImageBuffer back;
    ASSERT_TRUE(ReadPackedDib(dib, back));
    ASSERT_EQ(back.BitsSize(), buf.BitsSize());
    EXPECT_EQ(std::memcmp(back.Bits(), buf.Bits(), 24), 0);
}

TEST(PackedDib, ColourTableFollowsColoursUsedOrTheDepth)
{
    // 8 bits with colours-used 2: only two entries, then the pixels.
    auto dib = Header(40, 2, 1, 8, 0, 2);
    Append(dib, {10, 20, 30, 0, 40, 50, 60, 0});
    Append(dib, {1, 0, 0, 0});
    CImageBuffer buf;
    ASSERT_TRUE(ReadPackedDib(dib, buf));
    uint8_t r, g, b;
    buf.GetPixel(0, 0, r, g, b);
    EXPECT_EQ((std::array<uint8_t, 3>{b, g, r}), (std::array<uint8_t, 3>{40, 50, 60}));
    EXPECT_EQ(buf.ColorCount(), 2);

    // 1 bit with colours-used 0: 2 entries; 12-byte header: 3-byte entries.
    std::vector<uint8_t> core;
    PutU32(core, 12);
    PutU16(core, 3);
    PutU16(core, 1);
    PutU16(core, 1);
    PutU16(core, 1);
    Append(core, {0, 0, 0, 255, 255, 255});
    Append(core, {0xA0, 0, 0, 0});
    ASSERT_TRUE(ReadPackedDib(core, buf));
    buf.GetPixel(0, 0, r, g, b);
    EXPECT_EQ(r, 255);
    buf.GetPixel(1, 0, r, g, b);
    EXPECT_EQ(r, 0);
}

TEST(PackedDib, SixteenAndThirtyTwoBitsWithAndWithoutMasks)
{
    // 16 bits, default 5-5-5: pure red 0x7C00.
    auto d16 = Header(40, 1, 1, 16, 0);
    Append(d16, {0x00, 0x7C, 0, 0});
    CImageBuffer buf;
    ASSERT_TRUE(ReadPackedDib(d16, buf));
    uint8_t r, g, b;
    buf.GetPixel(0, 0, r, g, b);
    EXPECT_EQ((std::array<uint8_t, 3>{r, g, b}), (std::array<uint8_t, 3>{255, 0, 0}));

    // 16 bits, bit fields 5-6-5 after the header: green 0x07E0.
    auto d565 = Header(40, 1, 1, 16, 3);
    PutU32(d565, 0xF800);
    PutU32(d565, 0x07E0);
    PutU32(d565, 0x001F);
    Append(d565, {0xE0, 0x07, 0, 0});
    ASSERT_TRUE(ReadPackedDib(d565, buf));
    buf.GetPixel(0, 0, r, g, b);
    EXPECT_EQ((std::array<uint8_t, 3>{r, g, b}), (std::array<uint8_t, 3>{0, 255, 0}));

    // 32 bits top-down, two rows: the first stored row is the top.
    auto d32 = Header(40, 1, -2, 32, 0);
    Append(d32, {1, 2, 3, 0, 4, 5, 6, 0});
    ASSERT_TRUE(ReadPackedDib(d32, buf));
    buf.GetPixel(0, 1, r, g, b);
    EXPECT_EQ((std::array<uint8_t, 3>{b, g, r}), (std::array<uint8_t, 3>{1, 2, 3}));
}

TEST(PackedDib, RefusesMalformedBlocks)
{
    std::vector<std::vector<uint8_t>> bad{
        {},
        Header(40, 0, 1, 24, 0),
        Header(40, 1, 1, 7, 0),
        Header(40, 1, 1, 24, 9),
        Header(40, 1, -1, 8, 1),  // compressed top-down
        Header(40, 1, 1, 8, 0, 1000),  // colour table beyond the block
        Header(40, 60000, 60000, 24, 0),
        Header(1000, 1, 1, 24, 0),
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        CImageBuffer buf;
        EXPECT_FALSE(ReadPackedDib(bad[i], buf)) << i;
        EXPECT_TRUE(buf.IsEmpty()) << i;
    }
}

}  // namespace
}  // namespace pix
