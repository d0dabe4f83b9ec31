#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <span>
#include <tuple>
#include <vector>

#include "SheetTestSupport.h"

namespace pix {
namespace {

using test::U16At;
using test::U32At;
using Rgb = std::array<uint8_t, 3>;
constexpr Rgb kMask{kMaskRed, kMaskGreen, kMaskBlue};

void Put(std::span<uint8_t> picture, size_t pixel, Rgb rgb) { std::copy(rgb.begin(), rgb.end(), &picture[3 * pixel]); }

std::vector<uint8_t> Filled(const ThumbnailList& list, Rgb rgb)
{
    std::vector<uint8_t> p(list.PictureBytes());
    for (size_t i = 0; i < p.size() / 3; ++i)
        Put(p, i, rgb);
    return p;
}

TEST(ThumbnailList, CountsRoomAsTheStoredListDoes)
{
    ThumbnailList list(3, 3, 2);
    EXPECT_EQ(std::pair(list.Room(), list.Growth()), std::pair(3u, 4u));
    ASSERT_TRUE(list.Append(Filled(list, {10, 0, 0})));
    ASSERT_TRUE(list.Append(Filled(list, {20, 0, 0})));
    EXPECT_EQ(list.Room(), 3u);  // made for two: one place stays spare
    ASSERT_TRUE(list.Append(Filled(list, {30, 0, 0})));
    EXPECT_EQ(list.Room(), 8u);  // 3 + max(1, 4) + 1
    EXPECT_FALSE(list.Append(std::vector<uint8_t>(26)));
    EXPECT_EQ(list.Count(), 3u);

    list.RemoveAt(0);
    EXPECT_EQ(std::tuple(list.Count(), list.Room(), list.Picture(0)[0], list.Picture(1)[0]),
              std::tuple(size_t{2}, 8u, uint8_t{20}, uint8_t{30}));
    list.SetCount(2);
    EXPECT_EQ(list.Room(), 3u);
    list.SetCount(1);
    EXPECT_EQ(std::tuple(list.Count(), list.Room(), list.Picture(0)[0]), std::tuple(size_t{1}, 2u, uint8_t{20}));

    // The stored bitmaps must stay within what a reader accepts: 512 × 512
    // pictures fit 1024 to a list.
    EXPECT_EQ(ThumbnailList(512, 512, 5000).Room(), 1024u);
    EXPECT_EQ(ThumbnailList(1, 1, 70000).Room(), 0xFFFFu);
}

constexpr const char* kSmallList =
    "494C010105000600040003000200FFFFFFFF1100FFFFFFFFFFFFFFFF424D360000000000000036000000280000000C00"
    "000004000000010010000000000060000000000000000000000000000000000000004314431443140000000000000000"
    "0000000000000000000043144314431400000000000000000000000000000000000043044304430443084308007C430C"
    "430C430C431043104310430443044304430843084308430C0000430C431043104310424D3E000000000000003E000000"
    "280000000C000000040000000100010000000000100000000000000000000000000000000000000000000000FFFFFF00"
    "00000000000000000000000001000000";

// A list of 3 × 2 pictures made for 5: room 6, so both bitmaps are 12
// pixels wide and two bands (4 rows) high.
TEST(ImageListStream, HeaderAndBitmapLayoutOfASmallList)
{
    ThumbnailList list(3, 2, 5);
    for (uint8_t k = 0; k < 5; ++k) {
        auto p = Filled(list, {static_cast<uint8_t>(8 * k + 8), 16, 24});
        if (k == 1)
            Put(p, 1 * 3 + 2, {0xF8, 0x00, 0x07});
        if (k == 2)
            Put(p, 1, kMask);
        ASSERT_TRUE(list.Append(std::move(p)));
    }
    const auto b = test::ListOf(list);
    ASSERT_EQ(b.size(), 256u);

    // Header (ILHEAD 0x0101: count 5, room 6, growth 4, 3 × 2, no background
    // colour, flags 0x11, overlay indices unset), then the colour bitmap (16
    // bits, X1R5G5B5, 12 × 4: rows bottom-up, so the top band of pictures
    // 0-3 comes last, place 5 empty; file size = offset = 54), then the
    // 1-bit mask with its black/white table (only picture 2's pixel (1, 0)
    // is transparent, and black in the colour bitmap).
    EXPECT_EQ(b, test::FromHex(kSmallList));

    // Read back, five bits a channel widen to eight again.
    ThumbnailList back;
    ArchiveReader in(b);
    ASSERT_TRUE(ReadImageList(in, back));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(test::ListOf(back), b);
    EXPECT_TRUE(IsMaskPixel(back.Picture(2).data() + 3));
    const uint8_t* p1 = back.Picture(1).data() + (1 * 3 + 2) * 3;
    EXPECT_EQ((Rgb{p1[0], p1[1], p1[2]}), (Rgb{0xFF, 0x00, 0x00}));
    EXPECT_EQ(back.Picture(4)[0], 5 * 8 + 5 / 4);
}

TEST(ImageListStream, ReadingAndWritingAgainGivesTheSameBytes)
{
    ThumbnailList list(7, 5, 6);
    std::mt19937 rng(12345);
    for (int k = 0; k < 6; ++k) {
        std::vector<uint8_t> p(list.PictureBytes());
        for (size_t i = 0; i < p.size() / 3; ++i) {
            const auto v = rng();
            Put(p, i, v % 5 == 0 ? kMask : Rgb{uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
        }
        ASSERT_TRUE(list.Append(p));
    }
    Put(list.Picture(0), 0, {kMaskRed, kMaskGreen, kMaskBlue + 1});  // near the mask colour: opaque

    // Written again, the pictures read give the same colour bits and the
    // same mask (the widening of five bits to eight: the small list above).
    const auto first = test::ListOf(list);
    ThumbnailList back;
    ArchiveReader in(first);
    ASSERT_TRUE(ReadImageList(in, back));
    EXPECT_EQ(test::ListOf(back), first);
}

TEST(ImageListStream, AnEmptyListStillWritesOneBand)
{
    const ThumbnailList list(80, 80, 0);
    const auto b = test::ListOf(list);
    // Count 0, room 1; the colour bitmap 320 × 80.
    EXPECT_EQ(std::tuple(U16At(b, 4), U16At(b, 6), U32At(b, 28 + 18), U32At(b, 28 + 22), b.size()),
              std::tuple(0, 1, 320u, 80u, size_t{28 + 54 + 640 * 80 + 62 + 40 * 80}));
    ThumbnailList back(5, 5, 3);
    ArchiveReader in(b);
    ASSERT_TRUE(ReadImageList(in, back));
    EXPECT_EQ(back, list);
}

// A one-column list (version 0x0600, flags 0x19) of two 2 × 1 pictures
// with a top-down 24-bit colour bitmap (rows padded to 8 bytes) and a
// bottom-up 1-bit mask whose bottom row, picture 1, has its second pixel
// transparent.
constexpr const char* kOneColumnList =
    "494C000602000200040002000100FFFFFFFF1900FFFFFFFFFFFFFFFF424D000000000000000000000000280000000200"
    "0000FEFFFFFF0100180000000000000000000000000000000000000000000000000003020106050400000908070C0B0A"
    "0000424D0000000000000000000000002800000002000000020000000100010000000000000000000000000000000000"
    "000000000000000000000000FFFFFF004000000000000000";

TEST(ImageListStream, ReadsTheOneColumnLayoutWithTrueColourBitmaps)
{
    ThumbnailList list;
    const auto bytes = test::FromHex(kOneColumnList);
    ArchiveReader in(bytes);
    ASSERT_TRUE(ReadImageList(in, list));
    ASSERT_EQ(list.Count(), 2u);
    auto bytesOf = [&](size_t k) { return std::vector<uint8_t>(list.Picture(k).begin(), list.Picture(k).end()); };
    EXPECT_EQ(bytesOf(0), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(bytesOf(1), (std::vector<uint8_t>{7, 8, 9, kMaskRed, kMaskGreen, kMaskBlue}));
}

}  // namespace
}  // namespace pix
