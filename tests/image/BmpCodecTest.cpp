#include "image/BmpCodec.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/ByteReader.h"
#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::U16At;
using test::U32At;

CImageBuffer Gradient(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 13), static_cast<uint8_t>(x ^ y));
    return buf;
}

// A palette picture whose index plane holds index (x + y) % colors.
CImageBuffer Indexed(uint32_t w, uint32_t h, int colors)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
    for (int i = 0; i < colors; ++i) {
        buf.Red()[i] = static_cast<uint8_t>(i * 3);
        buf.Green()[i] = static_cast<uint8_t>(255 - i);
        buf.Blue()[i] = static_cast<uint8_t>(i * 5);
    }
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t i = static_cast<uint8_t>((x + y) % colors);
            plane[static_cast<size_t>(y) * w + x] = i;
            buf.SetPixel(x, h - 1 - y, buf.Red()[i], buf.Green()[i], buf.Blue()[i]);
        }
    EXPECT_TRUE(buf.SetIndexPlane(std::move(plane), colors));
    return buf;
}

void ExpectSamePixels(const CImageBuffer& a, const CImageBuffer& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (uint32_t y = 0; y < a.Height(); ++y)
        ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), a.Width() * 3), 0) << "row " << y;
}

TEST(BmpWriter, TrueColorHeaderAndRowsAreTheBufferVerbatim)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer buf = Gradient(3, 2);
    const std::string path = dir.File("out.bmp");
    buf.Save(path, prompter);
    EXPECT_TRUE(prompter.texts.empty());
    auto file = test::ReadAll(path);
    ASSERT_EQ(file.size(), 12u * 2 + 54);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32At(file, 2), 78u);
    EXPECT_EQ(U32At(file, 10), 54u);
    EXPECT_EQ(U32At(file, 14), 40u);
    EXPECT_EQ(U32At(file, 18), 3u);
    EXPECT_EQ(U32At(file, 22), 2u);
    EXPECT_EQ(U16At(file, 26), 1u);
    EXPECT_EQ(U16At(file, 28), 24u);
    for (size_t i = 30; i < 54; ++i)
        EXPECT_EQ(file[i], 0) << i;
    EXPECT_EQ(std::memcmp(file.data() + 54, buf.Bits(), 24), 0);

    CImageBuffer back;
    back.Load(path);
    ExpectSamePixels(buf, back);
    EXPECT_FALSE(back.HasIndexPlane());
}

TEST(BmpWriter, PaletteDepthFollowsTheColourCount)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    struct Case {
        int colors;
        uint16_t bpp;
    } cases[] = {{2, 1}, {3, 4}, {16, 4}, {17, 8}, {256, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colors);
        CImageBuffer buf = Indexed(13, 5, c.colors);
        const std::string path = dir.File("p" + std::to_string(c.colors) + ".bmp");
        buf.Save(path, prompter);
        auto file = test::ReadAll(path);
        const uint32_t rowBytes = ((13 * c.bpp + 31) / 32) * 4;
        const uint32_t offset = 54 + 4 * static_cast<uint32_t>(c.colors);
        ASSERT_EQ(file.size(), offset + rowBytes * 5);
        EXPECT_EQ(U32At(file, 2), file.size());
        EXPECT_EQ(U32At(file, 10), offset);
        EXPECT_EQ(U16At(file, 28), c.bpp);
        EXPECT_EQ(U32At(file, 34), rowBytes * 5);
        EXPECT_EQ(U32At(file, 46), static_cast<uint32_t>(c.colors));
        EXPECT_EQ(U32At(file, 50), static_cast<uint32_t>(c.colors));

        // Read back: same pixels, same index plane and palette.
        CImageBuffer back;
        back.Load(path);
        ExpectSamePixels(buf, back);
        ASSERT_TRUE(back.HasIndexPlane());
        EXPECT_EQ(back.IndexPlane(), buf.IndexPlane());
        EXPECT_EQ(back.ColorCount(), c.colors);
    }
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(BmpWriter, FullPaletteHas1078BytesBeforeThePixels)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    Indexed(4, 4, 256).Save(dir.File("a.bmp"), prompter);
    CImageBuffer reread;
    reread.Load(dir.File("a.bmp"));
    reread.Save(dir.File("b.bmp"), prompter);
    auto file = test::ReadAll(dir.File("b.bmp"));
    EXPECT_EQ(U32At(file, 10), 1078u);
    EXPECT_EQ(U16At(file, 28), 8u);
    EXPECT_EQ(file, test::ReadAll(dir.File("a.bmp")));
}

TEST(BmpWriter, TwoColoursThreePixelsWidePacksTheTopBits)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(3, 2));
    buf.Red()[1] = buf.Green()[1] = buf.Blue()[1] = 255;
    // top row 1 0 1, bottom row 0 1 1
    ASSERT_TRUE(buf.SetIndexPlane({1, 0, 1, 0, 1, 1}, 2));
    buf.Save(dir.File("mono.bmp"), prompter);
    auto file = test::ReadAll(dir.File("mono.bmp"));
    ASSERT_EQ(file.size(), 62u + 8);
    const std::vector<uint8_t> rows(file.begin() + 62, file.end());
    // File rows are bottom-up.
    EXPECT_EQ(rows, (std::vector<uint8_t>{0x60, 0, 0, 0, 0xA0, 0, 0, 0}));
}

TEST(BmpWriter, UnwritableTargetReportsAndKeepsTheOldFile)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer buf = Gradient(2, 2);
    buf.Save(dir.File("missing/x.bmp"), prompter);
    ASSERT_EQ(prompter.texts.size(), 1u);
    EXPECT_EQ(prompter.texts[0], "Can't open file for writing");
    Indexed(2, 2, 2).Save(dir.File("missing/y.bmp"), prompter);
    ASSERT_EQ(prompter.texts.size(), 2u);
    EXPECT_EQ(prompter.texts[1], "Can't Open");
}

// Builds a bitmap file with a 40-byte (or later) header around given pixel data.
std::vector<uint8_t> MakeBmp(int32_t w, int32_t h, uint16_t bpp, uint32_t compression,
                             const std::vector<uint8_t>& palette, const std::vector<uint8_t>& pixels,
                             uint32_t headerSize = 40, uint32_t colorsUsed = 0)
{
    std::vector<uint8_t> out{'B', 'M'};
    uint32_t offset = 14 + headerSize + static_cast<uint32_t>(palette.size());
    PutU32(out, offset + static_cast<uint32_t>(pixels.size()));
    PutU32(out, 0);
    PutU32(out, offset);
    PutU32(out, headerSize);
    PutU32(out, static_cast<uint32_t>(w));
    PutU32(out, static_cast<uint32_t>(h));
    PutU16(out, 1);
    PutU16(out, bpp);
    PutU32(out, compression);
    PutU32(out, static_cast<uint32_t>(pixels.size()));
    PutU32(out, 2835);
    PutU32(out, 2835);
    PutU32(out, colorsUsed);
    PutU32(out, 0);
    out.resize(14 + headerSize, 0xEE);  // later header fields: noise we must skip
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

const std::vector<uint8_t> kFourColours{0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0};

TEST(BmpReader, RunLength8RowsMovesAndLiterals)
{
    // 5 x 3: row 0 (bottom): run of 3 x index1, literal 2,3 ... end of row;
    // row 1: move right 2 up 1 -> row 2 at x=2: run of 9 (clipped to width).
    std::vector<uint8_t> rle{3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 9, 3, 0, 1};
    CImageBuffer buf;
    ReadBmpBytes(MakeBmp(5, 3, 8, 1, kFourColours, rle, 40, 4), buf);
    ASSERT_FALSE(buf.IsEmpty());
    ASSERT_TRUE(buf.HasIndexPlane());
    const auto& p = buf.IndexPlane();
    // The plane is top-down: plane row 2 is the bottom row.
    EXPECT_EQ(std::vector<uint8_t>(p.begin() + 10, p.end()), (std::vector<uint8_t>{1, 1, 1, 2, 3}));
    EXPECT_EQ(std::vector<uint8_t>(p.begin() + 5, p.begin() + 10), (std::vector<uint8_t>(5, 0)));
    EXPECT_EQ(std::vector<uint8_t>(p.begin(), p.begin() + 5), (std::vector<uint8_t>{0, 0, 3, 3, 3}));
    uint8_t r, g, b;
    buf.GetPixel(0, 0, r, g, b);  // bottom-left: index 1 = blue byte 255
    EXPECT_EQ(b, 255);
}

TEST(BmpReader, RunLength4AlternatesHalves)
{
    // 4 x 1: run of 3 with value 0x12 -> 1 2 1, literal of 3 pixels in two bytes: 3 0 (0 dropped)
    std::vector<uint8_t> rle{3, 0x12, 0, 3, 0x30, 0x00, 0, 0, 0, 1};
    CImageBuffer buf;
    ReadBmpBytes(MakeBmp(4, 1, 4, 2, kFourColours, rle, 40, 4), buf);
    ASSERT_TRUE(buf.HasIndexPlane());
    EXPECT_EQ(buf.IndexPlane(), (std::vector<uint8_t>{1, 2, 1, 3}));
}

TEST(BmpReader, LaterHeadersAndTopDownRowsLoadRightSideUp)
{
    // 2 x 2, 24 bits; row bytes 6 + 2 padding.
    std::vector<uint8_t> first{1, 2, 3, 4, 5, 6, 0, 0};
    std::vector<uint8_t> second{7, 8, 9, 10, 11, 12, 0, 0};
    std::vector<uint8_t> rows = first;
    rows.insert(rows.end(), second.begin(), second.end());
    for (uint32_t header : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(header);
        CImageBuffer up, down;
        ReadBmpBytes(MakeBmp(2, 2, 24, 0, {}, rows, header), up);
        ReadBmpBytes(MakeBmp(2, -2, 24, 0, {}, rows, header), down);
        ASSERT_EQ(up.Height(), 2u);
        ASSERT_EQ(down.Height(), 2u);
        // Bottom-up: the first file row is memory row 0; top-down: the last.
        EXPECT_EQ(std::memcmp(up.Row(0), first.data(), 6), 0);
        EXPECT_EQ(std::memcmp(down.Row(1), first.data(), 6), 0);
        EXPECT_EQ(std::memcmp(down.Row(0), second.data(), 6), 0);
    }
}

TEST(BmpReader, RefusesWhatItDoesNotRead)
{
    std::vector<uint8_t> px(64, 0);
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
    } cases[] = {
        {"16 bits", MakeBmp(2, 2, 16, 0, {}, px)},
        {"32 bits", MakeBmp(2, 2, 32, 0, {}, px)},
        {"bit fields", MakeBmp(2, 2, 16, 3, {}, px)},
        {"compressed 24 bits", MakeBmp(2, 2, 24, 1, {}, px)},
        {"RLE4 on 8 bits", MakeBmp(2, 2, 8, 2, kFourColours, px, 40, 4)},
        {"compressed top-down", MakeBmp(2, -2, 8, 1, kFourColours, px, 40, 4)},
        {"zero width", MakeBmp(0, 2, 24, 0, {}, px)},
        {"negative width", MakeBmp(-2, 2, 24, 0, {}, px)},
        {"huge", MakeBmp(100000, 100000, 24, 0, {}, px)},
        {"huge for its data", MakeBmp(16000, 16000, 24, 0, {}, px)},
        {"palette beyond the file", MakeBmp(2, 2, 8, 0, {}, {}, 40, 0x12345678)},
        {"not BM", {'M', 'B', 0, 0}},
        {"empty", {}},
    };
    for (const Case& c : cases) {
        CImageBuffer buf;
        ReadBmpBytes(c.file, buf);
        EXPECT_TRUE(buf.IsEmpty()) << c.what;
    }
}

TEST(BmpReader, HostileRunLengthStaysInsideThePicture)
{
    // Runs past the row end, moves far beyond the picture, a literal that
    // runs past the end of the file.
    std::vector<uint8_t> rle{255, 1, 0, 2, 255, 0, 200, 2, 0, 0, 0, 2, 3, 255, 0, 200, 1, 2};
    CImageBuffer buf;
    ReadBmpBytes(MakeBmp(7, 4, 8, 1, kFourColours, rle, 40, 4), buf);
    ASSERT_FALSE(buf.IsEmpty());
    EXPECT_EQ(buf.IndexPlane()[3 * 7], 1);  // bottom row start, run clipped
}

TEST(BmpReader, TruncatedPixelsKeepWhatWasRead)
{
    std::vector<uint8_t> rows{9, 9, 9, 0, 8, 8};  // one full row, half a row
    CImageBuffer buf;
    ReadBmpBytes(MakeBmp(1, 3, 24, 0, {}, rows), buf);
    ASSERT_EQ(buf.Height(), 3u);
    EXPECT_EQ(buf.Row(0)[0], 9);
    EXPECT_EQ(buf.Row(1)[0], 8);
    EXPECT_EQ(buf.Row(2)[0], 0);
}

}  // namespace
}  // namespace pix
