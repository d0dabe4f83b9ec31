#include <gtest/gtest.h>

#include <vector>

#include "SheetTestSupport.h"

namespace pix {
namespace {

using test::U16At;
using test::U32At;

std::vector<uint8_t> Filled(const ThumbnailList& list, uint8_t r, uint8_t g, uint8_t b)
{
    std::vector<uint8_t> p(list.PictureBytes());
    for (size_t i = 0; i < p.size(); i += 3) {
        p[i] = r;
        p[i + 1] = g;
        p[i + 2] = b;
    }
    return p;
}

void SetPixel(std::vector<uint8_t>& p, uint32_t cx, uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b)
{
    uint8_t* px = &p[(size_t{y} * cx + x) * 3];
    px[0] = r;
    px[1] = g;
    px[2] = b;
}

TEST(ThumbnailList, CountsRoomAsTheStoredListDoes)
{
    ThumbnailList list(3, 3, 2);
    EXPECT_EQ(list.Room(), 3u);
    EXPECT_EQ(list.Growth(), 4u);
    ASSERT_TRUE(list.Append(Filled(list, 10, 0, 0)));
    ASSERT_TRUE(list.Append(Filled(list, 20, 0, 0)));
    EXPECT_EQ(list.Room(), 3u);  // made for two: one place stays spare
    ASSERT_TRUE(list.Append(Filled(list, 30, 0, 0)));
    EXPECT_EQ(list.Room(), 8u);  // 3 + max(1, 4) + 1
    EXPECT_FALSE(list.Append(std::vector<uint8_t>(26)));
    EXPECT_EQ(list.Count(), 3u);

    list.RemoveAt(0);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Room(), 8u);
    EXPECT_EQ(list.Picture(0)[0], 20);
    EXPECT_EQ(list.Picture(1)[0], 30);
    list.SetCount(2);
    EXPECT_EQ(list.Room(), 3u);
    list.SetCount(1);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_EQ(list.Picture(0)[0], 20);
    EXPECT_EQ(list.Room(), 2u);

    // The stored bitmaps must stay within what a reader accepts: 512 × 512
    // pictures fit 1024 to a list.
    ThumbnailList big(512, 512, 5000);
    EXPECT_EQ(big.Room(), 1024u);
    ThumbnailList tiny(1, 1, 70000);
    EXPECT_EQ(tiny.Room(), 0xFFFFu);
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
        auto p = Filled(list, static_cast<uint8_t>(8 * k + 8), 16, 24);
        if (k == 1)
            SetPixel(p, 3, 2, 1, 0xF8, 0x00, 0x07);
        if (k == 2)
            SetPixel(p, 3, 1, 0, kMaskRed, kMaskGreen, kMaskBlue);
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

    ThumbnailList back;
    ArchiveReader in(b);
    ASSERT_TRUE(ReadImageList(in, back));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(back.Count(), 5u);
    EXPECT_EQ(back.Room(), 6u);
    EXPECT_EQ(back.Growth(), 4u);
    EXPECT_EQ(back.Cx(), 3u);
    EXPECT_EQ(back.Cy(), 2u);
    const uint8_t* p2 = back.Picture(2).data() + 3;
    EXPECT_TRUE(IsMaskPixel(p2));
    const uint8_t* p1 = back.Picture(1).data() + (1 * 3 + 2) * 3;
    EXPECT_EQ(p1[0], 0xFF);
    EXPECT_EQ(p1[1], 0x00);
    EXPECT_EQ(p1[2], 0x00);
    EXPECT_EQ(back.Picture(4)[0], 5 * 8 + 5 / 4);
}

TEST(ImageListStream, ReadingAndWritingAgainGivesTheSameBytes)
{
    ThumbnailList list(7, 5, 6);
    uint32_t seed = 12345;
    for (int k = 0; k < 6; ++k) {
        std::vector<uint8_t> p(list.PictureBytes());
        for (size_t i = 0; i < p.size(); i += 3) {
            seed = seed * 1103515245u + 12345u;
            if ((seed >> 28) < 3) {
                p[i] = kMaskRed;
                p[i + 1] = kMaskGreen;
                p[i + 2] = kMaskBlue;
            } else {
                p[i] = static_cast<uint8_t>(seed >> 8);
                p[i + 1] = static_cast<uint8_t>(seed >> 16);
                p[i + 2] = static_cast<uint8_t>(seed >> 24);
            }
        }
        ASSERT_TRUE(list.Append(p));
    }
    // Near-mask colours stay opaque.
    auto near = list.Picture(0);
    near[0] = kMaskRed;
    near[1] = kMaskGreen;
    near[2] = static_cast<uint8_t>(kMaskBlue + 1);

    const auto first = test::ListOf(list);
    ThumbnailList back;
    ArchiveReader in(first);
    ASSERT_TRUE(ReadImageList(in, back));
    for (size_t k = 0; k < list.Count(); ++k) {
        const auto a = list.Picture(k);
        const auto r = back.Picture(k);
        for (size_t i = 0; i < a.size(); i += 3) {
            const bool masked = IsMaskPixel(&a[i]);
            ASSERT_EQ(IsMaskPixel(&r[i]), masked) << k << " " << i;
            for (int c = 0; c < 3 && !masked; ++c)
                ASSERT_EQ(r[i + c], (a[i + c] & 0xF8) | (a[i + c] >> 5)) << k << " " << i;
        }
    }
    EXPECT_EQ(test::ListOf(back), first);
}

TEST(ImageListStream, AnEmptyListStillWritesOneBand)
{
    const ThumbnailList list(80, 80, 0);
    const auto b = test::ListOf(list);
    EXPECT_EQ(U16At(b, 4), 0u);
    EXPECT_EQ(U16At(b, 6), 1u);
    EXPECT_EQ(U32At(b, 28 + 18), 320u);
    EXPECT_EQ(U32At(b, 28 + 22), 80u);
    EXPECT_EQ(b.size(), 28u + 54 + 640 * 80 + 62 + 40 * 80);
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
    EXPECT_EQ(std::vector<uint8_t>(list.Picture(0).begin(), list.Picture(0).end()),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(std::vector<uint8_t>(list.Picture(1).begin(), list.Picture(1).end()),
              (std::vector<uint8_t>{7, 8, 9, kMaskRed, kMaskGreen, kMaskBlue}));
}

TEST(ImageListStream, DamagedBlocksAreRefusedAndLeaveTheListAlone)
{
    ThumbnailList list(3, 2, 2);
    ASSERT_TRUE(list.Append(Filled(list, 200, 100, 50)));
    ASSERT_TRUE(list.Append(Filled(list, kMaskRed, kMaskGreen, kMaskBlue)));
    const auto good = test::ListOf(list);
    const ThumbnailList before(9, 9, 0);

    auto refused = [&](const std::vector<uint8_t>& bytes) {
        ThumbnailList target = before;
        ArchiveReader in(bytes);
        const bool ok = ReadImageList(in, target);
        return !ok && in.Failed() && target == before;
    };
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + n))) << n;

    struct Patch {
        size_t at;
        std::vector<uint8_t> bytes;
        const char* what;
    };
    const size_t mask = 28 + 54 + 24 * 2;
    const Patch patches[] = {
        {0, {0x49, 0x4D}, "magic"},
        {2, {0x02, 0x01}, "version"},
        {4, {4, 0}, "count above room"},
        {10, {0, 0}, "zero width"},
        {12, {0, 0}, "zero height"},
        {10, {4, 0}, "cx disagrees with the bitmap"},
        {6, {5, 0}, "room of two bands"},
        {28, {'B', 'A'}, "colour signature"},
        {28 + 14, {12, 0}, "header size"},
        {28 + 26, {2, 0}, "planes"},
        {28 + 28, {8, 0}, "colour depth"},
        {28 + 30, {1, 0}, "compression"},
        {mask + 28, {4, 0}, "mask depth"},
        {mask + 22, {3, 0}, "mask height"},
        {mask + 18, {0xF4, 0xFF, 0xFF, 0xFF}, "negative width"},
    };
    for (const auto& patch : patches) {
        auto bytes = good;
        std::copy(patch.bytes.begin(), patch.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(patch.at));
        EXPECT_TRUE(refused(bytes)) << patch.what;
    }
    // Dimensions too large for the bytes that follow, and beyond the pixel
    // limit, are refused before anything is allocated.
    auto huge = good;
    huge[6] = huge[7] = 0xFF;
    huge[10] = huge[11] = huge[12] = huge[13] = 0xFF;
    EXPECT_TRUE(refused(huge));
}

}  // namespace
}  // namespace pix
