#include "image/BmpCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "image/CImageBuffer.h"
#include "support/DibFiles.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using test::Dib;

std::vector<uint8_t> Saved(CImageBuffer& buf, const test::TempDir& dir, const std::string& name)
{
    test::RecordingPrompter prompter;
    buf.Save(dir.File(name), prompter);
    EXPECT_TRUE(prompter.texts.empty());
    return test::ReadAll(dir.File(name));
}

TEST(BmpWriter, TrueColourFileIsTheHeaderAndTheBuffersRows)
{
    test::TempDir dir;
    CImageBuffer buf = test::SolidPicture(3, 2, 1, 2, 3);
    buf.SetPixel(2, 1, 200, 100, 50);
    const std::vector<uint8_t> expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file size, data offset
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        3, 2, 1, 3, 2, 1, 3, 2, 1, 0, 0, 0,  // memory row 0 (the bottom) first, padded to 4
        3, 2, 1, 3, 2, 1, 50, 100, 200, 0, 0, 0};
    EXPECT_EQ(Saved(buf, dir, "out.bmp"), expected);
    CImageBuffer back;
    back.Load(dir.File("out.bmp"));
    EXPECT_TRUE(test::SamePixels(buf, back));
    EXPECT_FALSE(back.HasIndexPlane());
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

TEST(BmpWriter, UnwritableTargetIsReported)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer plain = test::Gradient(2, 2);
    plain.Save(dir.File("missing/x.bmp"), prompter);
    CImageBuffer indexed = test::Indexed(2, 2, 2);
    indexed.Save(dir.File("missing/y.bmp"), prompter);
    EXPECT_EQ(prompter.ids, (std::vector<MsgId>{MsgId::BmpCantOpenForWriting, MsgId::BmpPaletteCantOpen}));
}

// A bitmap with a table of four colours: black, blue, green, red.
std::vector<uint8_t> FourColours(int32_t w, int32_t h, uint16_t bpp, uint32_t compression, std::vector<uint8_t> data)
{
    return Dib{.width = w, .height = h, .bpp = bpp, .compression = compression, .colorsUsed = 4,
               .table = {0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0}, .pixels = std::move(data)}
        .File();
}

TEST(BmpReader, RunLength8RowsMovesAndLiterals)
{
    // 5 x 3: row 0 (bottom): run of 3 x index1, literal 2,3 ... end of row;
    // row 1: move right 2 up 1 -> row 2 at x=2: run of 9 (clipped to width).
    std::vector<uint8_t> rle{3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 9, 3, 0, 1};
    CImageBuffer buf;
    ReadBmpBytes(FourColours(5, 3, 8, 1, rle), buf);
    ASSERT_TRUE(buf.HasIndexPlane());
    // The plane is top-down: plane row 2 is the bottom row.
    EXPECT_EQ(buf.IndexPlane(), (std::vector<uint8_t>{0, 0, 3, 3, 3, 0, 0, 0, 0, 0, 1, 1, 1, 2, 3}));
    uint8_t r, g, b;
    buf.GetPixel(0, 0, r, g, b);  // bottom-left: index 1 = blue byte 255
    EXPECT_EQ(b, 255);
}

TEST(BmpReader, RunLength4AlternatesHalves)
{
    // 4 x 1: run of 3 with value 0x12 -> 1 2 1, literal of 3 pixels in two bytes: 3 0 (0 dropped)
    std::vector<uint8_t> rle{3, 0x12, 0, 3, 0x30, 0x00, 0, 0, 0, 1};
    CImageBuffer buf;
    ReadBmpBytes(FourColours(4, 1, 4, 2, rle), buf);
    ASSERT_TRUE(buf.HasIndexPlane());
    EXPECT_EQ(buf.IndexPlane(), (std::vector<uint8_t>{1, 2, 1, 3}));
}

TEST(BmpReader, LaterHeadersAndTopDownRowsLoadRightSideUp)
{
    // 2 x 2, 24 bits; row bytes 6 + 2 padding.
    const std::vector<uint8_t> rows{1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    for (uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(header);
        CImageBuffer up, down;
        ReadBmpBytes(Dib{.width = 2, .height = 2, .headerSize = header, .pixels = rows}.File(), up);
        ReadBmpBytes(Dib{.width = 2, .height = -2, .headerSize = header, .pixels = rows}.File(), down);
        ASSERT_EQ(up.Height(), 2u);
        ASSERT_EQ(down.Height(), 2u);
        // Bottom-up: the first file row is memory row 0; top-down: the last.
        EXPECT_EQ(std::memcmp(up.Row(0), rows.data(), 6), 0);
        EXPECT_EQ(std::memcmp(down.Row(1), rows.data(), 6), 0);
        EXPECT_EQ(std::memcmp(down.Row(0), rows.data() + 8, 6), 0);
    }
}

// What the reader refuses, the size query refuses from the headers alone.
TEST(BmpReader, RefusesWhatItDoesNotReadAndTheQueryAgrees)
{
    const std::vector<uint8_t> px(64, 0);
    std::vector<uint8_t> shortTable = Dib{.width = 4, .height = 4, .bpp = 8, .colorsUsed = 256}.Filled().File();
    shortTable.resize(54 + 100);
    std::vector<uint8_t> cutInHeader = Dib{.width = 4, .height = 4}.Filled().File();
    cutInHeader.resize(40);
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    } cases[] = {
        {"16 bits", Dib{.width = 2, .height = 2, .bpp = 16, .pixels = px}.File()},
        {"32 bits", Dib{.width = 2, .height = 2, .bpp = 32, .headerSize = 124, .pixels = px}.File()},
        {"bit fields", Dib{.width = 2, .height = 2, .bpp = 16, .compression = 3, .pixels = px}.File()},
        {"compressed 24 bits", Dib{.width = 2, .height = 2, .compression = 1, .pixels = px}.File()},
        {"run-length 4 on 8 bits", FourColours(2, 2, 8, 2, px)},
        {"run-length 8 on 4 bits", FourColours(2, 2, 4, 1, px)},
        {"compressed top-down", FourColours(2, -2, 8, 1, px)},
        {"zero width", Dib{.width = 0, .height = 2, .pixels = px}.File()},
        {"negative width", Dib{.width = -2, .height = 2, .pixels = px}.File()},
        {"zero height, 12-byte header", Dib{.width = 4, .height = 0, .bpp = 8, .headerSize = 12}.Filled().File()},
        {"header size read as the 12-byte header", Dib{.width = 4, .height = 4, .headerSize = 16}.Filled().File()},
        {"colour table beyond the file", shortTable},
        {"colours used beyond the file", Dib{.width = 2, .height = 2, .bpp = 8, .colorsUsed = 0x12345678}.File()},
        {"over 2^28 pixels", Dib{.width = 100000, .height = 100000, .pixels = px}.File()},
        {"huge for its data", Dib{.width = 16000, .height = 16000, .pixels = px}.File()},
        {"cut inside the header", cutInHeader},
        {"not BM", {'M', 'B', 0, 0}},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CImageBuffer buf;
        ReadBmpBytes(c.file, buf);
        EXPECT_TRUE(buf.IsEmpty());
        uint32_t w = 0, h = 0;
        const std::span<const uint8_t> head(c.file.data(), std::min(c.file.size(), kBmpSizeHeadBytes));
        EXPECT_FALSE(BmpSizeFromBytes(head, c.file.size(), w, h));
    }
}

TEST(BmpReader, AWholeSmallFileGivesItsSizeFromTheHeaders)
{
    // The head the size query reads is the whole file here.
    const auto file = Dib{.width = 3, .height = 2, .bpp = 8}.Filled().File();
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(BmpSizeFromBytes(file, file.size(), w, h));
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 2u);
}

TEST(BmpReader, TruncatedPixelsKeepWhatWasRead)
{
    CImageBuffer buf;
    ReadBmpBytes(Dib{.width = 1, .height = 3, .pixels = {9, 9, 9, 0, 8, 8}}.File(), buf);  // a row and a half
    ASSERT_EQ(buf.Height(), 3u);
    EXPECT_EQ(buf.Row(0)[0], 9);
    EXPECT_EQ(buf.Row(1)[0], 8);
    EXPECT_EQ(buf.Row(2)[0], 0);
}

}  // namespace
}  // namespace pix
