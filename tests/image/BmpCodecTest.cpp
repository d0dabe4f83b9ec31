#include "image/BmpCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "CodecTestHelpers.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PackedDib.h"
#include "support/DibFiles.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using test::Dib;

std::vector<uint8_t> Saved(CImageBuffer& buf, const test::TempDir& dir, const std::string& name)
{
    EXPECT_TRUE(buf.Save(dir.File(name)).Ok());
    return test::ReadAll(dir.File(name));
}

// A bitmap file is a 14-byte file header and the packed block the
// clipboard takes: a 40-byte header and the buffer's rows.
TEST(BmpWriter, TrueColourFileAndPackedBlockAreTheHeaderAndTheBuffersRows)
{
    test::TempDir dir;
    CImageBuffer buf = test::SolidPicture(3, 2, 1, 2, 3);
    buf.SetPixel(2, 1, 200, 100, 50);
    const std::vector<uint8_t> dib = {
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        3, 2, 1, 3, 2, 1, 3, 2, 1, 0, 0, 0,  // memory row 0 (the bottom) first, padded to 4
        3, 2, 1, 3, 2, 1, 50, 100, 200, 0, 0, 0};
    std::vector<uint8_t> file = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};  // file size, data offset
    file.insert(file.end(), dib.begin(), dib.end());
    EXPECT_EQ(Saved(buf, dir, "out.bmp"), file);
    EXPECT_EQ(MakePackedDib(buf), dib);
    CImageBuffer back;
    ASSERT_TRUE(ReadPackedDib(dib, back));
    EXPECT_TRUE(test::SamePixels(buf, back));
}

TEST(BmpWriter, TwoColoursAreOneBitRowsPackedFromTheTopBit)
{
    test::TempDir dir;
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(3, 2));
    buf.Red()[1] = buf.Green()[1] = buf.Blue()[1] = 255;
    ASSERT_TRUE(buf.SetIndexPlane({1, 0, 1, 0, 1, 1}, 2));  // top row 1 0 1, bottom row 0 1 1
    const std::vector<uint8_t> expected = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 8, 0, 0, 0,  // image size 8
        0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,                           // colours used, important
        0, 0, 0, 0, 255, 255, 255, 0,                                             // blue, green, red, 0
        0x60, 0, 0, 0, 0xA0, 0, 0, 0};                                            // bottom row first
    EXPECT_EQ(Saved(buf, dir, "mono.bmp"), expected);
}

TEST(BmpWriter, PaletteDepthFollowsTheColourCountAndReadsBackAsItWasWritten)
{
    test::TempDir dir;
    struct Case {
        int colors;
        uint16_t bpp;
        size_t rowBytes;  // 13 pixels, padded to 4 bytes
    } cases[] = {{2, 1, 4}, {3, 4, 8}, {16, 4, 8}, {17, 8, 16}, {256, 8, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colors);
        CImageBuffer buf = test::Indexed(13, 5, c.colors);
        const auto file = Saved(buf, dir, "first.bmp");
        ASSERT_EQ(file.size(), 54 + 4 * static_cast<size_t>(c.colors) + c.rowBytes * 5);
        EXPECT_EQ(test::U16At(file, 28), c.bpp);

        CImageBuffer back;
        back.Load(dir.File("first.bmp"));
        EXPECT_TRUE(test::SamePixels(buf, back));
        ASSERT_TRUE(back.HasIndexPlane());
        EXPECT_EQ(back.IndexPlane(), buf.IndexPlane());
        EXPECT_EQ(back.ColorCount(), c.colors);
        EXPECT_EQ(Saved(back, dir, "again.bmp"), file);
    }
}

// A bitmap with a table of four colours: black, blue, green, red.
std::vector<uint8_t> FourColours(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, std::vector<uint8_t> data)
{
    return Dib{.width = w, .height = h, .bpp = bpp, .compression = compression, .colorsUsed = 4,
               .table = {0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0}, .pixels = std::move(data)}
        .File();
}

TEST(BmpReader, RunLengthAndShortFilesGiveTheirIndicesAndRows)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<uint8_t> plane;  // top row first
    } cases[] = {
        // 5 x 3: row 0 (bottom): run of 3 x index 1, literal 2 3, end of
        // row; row 1: move right 2 up 1, then at x = 2: a run of 9 clipped
        // to the width.
        {"run-length 8", FourColours(5, 3, 8, 1, {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 9, 3, 0, 1}),
         {0, 0, 3, 3, 3, 0, 0, 0, 0, 0, 1, 1, 1, 2, 3}},
        // 4 x 1: a run of 3 of 0x12 alternates 1 2 1; a literal of 3
        // pixels in two bytes: 3 0 (the 0 dropped).
        {"run-length 4", FourColours(4, 1, 4, 2, {3, 0x12, 0, 3, 0x30, 0x00, 0, 0, 0, 1}), {1, 2, 1, 3}},
        // A row and a half of 1 x 3 at 24 bits: what was read stays.
        {"short pixels", Dib{.width = 1, .height = 3, .pixels = {9, 9, 9, 0, 8, 8}}.File(), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CImageBuffer buf;
        ReadBmpBytes(c.file, buf);
        EXPECT_EQ(buf.IndexPlane(), c.plane);
        if (c.plane.empty()) {
            EXPECT_EQ(test::TopDownRgb(buf), (std::vector<uint8_t>{0, 0, 0, 0, 8, 8, 9, 9, 9}));
        }
    }
}

// Every header the reader takes, at every depth: rows stored top-down load
// as the mirror image of the same rows stored bottom-up, and the size
// query agrees.
TEST(BmpReader, EveryHeaderAndDepthLoadsAndTheQueryAgrees)
{
    test::TempDir dir;
    const std::string path = dir.File("kind.bmp");
    for (uint32_t header : {12u, 40u, 52u, 56u, 64u, 108u, 124u})
        for (uint16_t bpp : {1, 4, 8, 24}) {
            SCOPED_TRACE(::testing::Message() << header << "-byte header, " << bpp << " bits");
            CImageBuffer up, down;
            for (int32_t h : {9, -9}) {
                if (header == 12 && h < 0)
                    continue;  // the 12-byte header keeps sizes unsigned
                test::WriteAll(path, Dib{.width = 13, .height = h, .bpp = bpp, .headerSize = header}.Filled().File());
                CImageBuffer& buf = h > 0 ? up : down;
                buf.Load(path);
                uint32_t w = 0, qh = 0;
                ASSERT_TRUE(buf.Width() == 13 && buf.Height() == 9) << h;
                EXPECT_TRUE(QueryImageSize(path, w, qh) && w == 13 && qh == 9) << h;
            }
            for (uint32_t y = 0; header != 12 && y < 9; ++y)
                EXPECT_EQ(std::memcmp(up.Row(y), down.Row(8 - y), 39), 0) << y;
        }
}

}  // namespace
}  // namespace pix
