#include "image/JpegCodec.h"

#include <gtest/gtest.h>

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstdlib>

#include "image/RowHelpers.h"
#include "support/TestSupport.h"
#include "CodecTestHelpers.h"

namespace pix {
namespace {

using test::CountEntries;
using test::Gradient;

// libjpeg compression into memory, for files the writer does not make and
// for the reference encoding of the writer's own settings.
struct JumpingErrors {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
[[noreturn]] void JumpBack(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JumpingErrors*>(cinfo->err)->jump, 1); }

// Encodes packed top-down rows of `components` bytes per pixel.
std::vector<uint8_t> LibjpegEncode(const std::vector<uint8_t>& packed, uint32_t w, uint32_t h, int components,
                                   J_COLOR_SPACE space, int quality, bool progressive = false,
                                   bool fullColourSampling = false)
{
    jpeg_compress_struct cinfo{};
    JumpingErrors err{};
    jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JumpBack;
    cinfo.err = &err.mgr;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(out);
        ADD_FAILURE() << "libjpeg could not encode";
        return {};
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive)
        jpeg_simple_progression(&cinfo);
    if (fullColourSampling)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < h) {
        JSAMPROW row = const_cast<JSAMPROW>(packed.data() + static_cast<size_t>(cinfo.next_scanline) * w * components);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
}

// Quadrants red, green (top), blue, white (bottom).
CImageBuffer Quadrants(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)       // memory rows: 0 is the bottom
        for (uint32_t x = 0; x < w; ++x) {
            const bool top = y >= h / 2, left = x < w / 2;
            if (top && left)
                buf.SetPixel(x, y, 255, 0, 0);
            else if (top)
                buf.SetPixel(x, y, 0, 255, 0);
            else if (left)
                buf.SetPixel(x, y, 0, 0, 255);
            else
                buf.SetPixel(x, y, 255, 255, 255);
        }
    return buf;
}

void ExpectNear(const CImageBuffer& buf, uint32_t x, uint32_t memoryRow, int r, int g, int b, int tolerance)
{
    uint8_t pr, pg, pb;
    buf.GetPixel(x, memoryRow, pr, pg, pb);
    EXPECT_NEAR(pr, r, tolerance) << "at " << x << "," << memoryRow;
    EXPECT_NEAR(pg, g, tolerance) << "at " << x << "," << memoryRow;
    EXPECT_NEAR(pb, b, tolerance) << "at " << x << "," << memoryRow;
}

TEST(JpegScale, SmallestLibraryScaleStillCoveringTheHintInOneDirection)
{
    struct Case {
        uint32_t w, h, hw, hh;
        int denom;
    } cases[] = {
        {4000, 3000, 0, 0, 1},        // no hints: full size
        {4000, 3000, 80, 80, 8},      // thumbnail
        {4000, 3000, 500, 1000, 8},   // width exactly 8 times the hint
        {4000, 3000, 501, 376, 4},    // just short of 1/8 both ways
        {4000, 3000, 1000, 3000, 4},  // width exactly 4 times
        {4000, 3000, 1001, 751, 2},
        {4000, 3000, 2000, 5000, 2},  // width exactly twice
        {4000, 3000, 2001, 1501, 1},
        {4000, 3000, 8000, 8000, 1},  // larger than the picture
        {100, 100, 0, 80, 8},         // one hint 0: every scale covers it
    };
    for (const Case& c : cases)
        EXPECT_EQ(JpegScaleDenominator(c.w, c.h, c.hw, c.hh), c.denom)
            << c.w << "x" << c.h << " hints " << c.hw << "x" << c.hh;
}

TEST(JpegReader, LargePhotoDecodesAtTheScaleItsHintsAllow)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    const std::string path = dir.File("big.jpg");
    ASSERT_TRUE(WriteJpeg(Quadrants(4000, 3000), path, 75, prompter));

    struct Case {
        uint32_t hw, hh, w, h;
    } cases[] = {{80, 80, 500, 375}, {0, 0, 4000, 3000}, {1000, 700, 1000, 750}, {1600, 1200, 2000, 1500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "hints " << c.hw << "x" << c.hh);
        CImageBuffer buf;
        buf.Load(path, c.hw, c.hh);
        ASSERT_EQ(buf.Width(), c.w);
        ASSERT_EQ(buf.Height(), c.h);
        EXPECT_FALSE(buf.HasIndexPlane());
        // Each quadrant is where it was, in its colour, at every scale.
        const uint32_t l = c.w / 4, r = c.w * 3 / 4, bottom = c.h / 4, top = c.h * 3 / 4;
        ExpectNear(buf, l, top, 255, 0, 0, 6);
        ExpectNear(buf, r, top, 0, 255, 0, 6);
        ExpectNear(buf, l, bottom, 0, 0, 255, 6);
        ExpectNear(buf, r, bottom, 255, 255, 255, 6);
    }
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(JpegReader, GreyFileGivesThreeEqualBytesTopRowFirst)
{
    const uint32_t w = 33, h = 17;  // odd width: rows are padded
    std::vector<uint8_t> grey(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            grey[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(y * 15);  // dark at the top
    auto file = LibjpegEncode(grey, w, h, 1, JCS_GRAYSCALE, 100);
    CImageBuffer buf;
    ReadJpegBytes(file, 0, 0, buf);
    ASSERT_EQ(buf.Width(), w);
    ASSERT_EQ(buf.Height(), h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t r, g, b;
            buf.GetPixel(x, y, r, g, b);
            ASSERT_TRUE(r == g && g == b) << x << "," << y;
            ASSERT_NEAR(r, (h - 1 - y) * 15, 2) << x << "," << y;  // memory row 0 is the bottom
        }
}

TEST(JpegWriter, BytesAreThoseOfPackedRgbRowsTopDown)
{
    // The writer hands the buffer's own rows to libjpeg; the file must be
    // the one the unpadded, flipped, red-green-blue copy gives, at every
    // quality held to baseline tables.
    test::TempDir dir;
    test::RecordingPrompter prompter;
    const CImageBuffer buf = Gradient(45, 31);
    std::vector<uint8_t> packed = UnpadRows(buf.Bits(), buf.Width(), buf.Stride(), buf.Height());
    ASSERT_TRUE(FlipRows(packed.data(), buf.Width() * 3u, buf.Height()));
    ASSERT_TRUE(SwapRedBlue(packed.data(), buf.Width(), buf.Height()));
    for (int quality : {0, 30, 75, 100}) {
        SCOPED_TRACE(quality);
        const std::string path = dir.File("q" + std::to_string(quality) + ".jpg");
        ASSERT_TRUE(WriteJpeg(buf, path, quality, prompter));
        EXPECT_EQ(test::ReadAll(path), LibjpegEncode(packed, buf.Width(), buf.Height(), 3, JCS_RGB, quality));
    }
    // Save of a JPEG name writes quality 75.
    CImageBuffer copy = buf;
    copy.Save(dir.File("saved.JPEG"), prompter);
    EXPECT_EQ(test::ReadAll(dir.File("saved.JPEG")), test::ReadAll(dir.File("q75.jpg")));
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(JpegWriter, FailuresSayWriteErrorAndLeaveTheOldFile)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    const std::string path = dir.File("photo.jpg");
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    test::WriteAll(path, old);

    EXPECT_FALSE(WriteJpeg(Gradient(8, 8), dir.File("no/such/folder.jpg"), 75, prompter));
    EXPECT_FALSE(WriteJpeg(CImageBuffer(), path, 75, prompter));  // nothing to encode
    {
        test::FileSizeLimit limit(4096);  // the disk fills up half way
        EXPECT_FALSE(WriteJpeg(Gradient(400, 300), path, 100, prompter));
    }
    EXPECT_EQ(prompter.ids, std::vector<MsgId>(3, MsgId::JpegWriteError));
    EXPECT_EQ(test::ReadAll(path), old);
    EXPECT_EQ(CountEntries(dir.Path()), 1u);  // no temporary file left behind
}

TEST(JpegReader, DamagedFilesLeaveAnEmptyBufferButATruncatedScanStillLoads)
{
    test::RecordingPrompter prompter;
    test::TempDir dir;
    ASSERT_TRUE(WriteJpeg(Gradient(96, 64), dir.File("good.jpg"), 80, prompter));
    const auto good = test::ReadAll(dir.File("good.jpg"));

    auto load = [](const std::vector<uint8_t>& bytes, uint64_t maxPixels = kMaxPixels) {
        CImageBuffer buf = Gradient(3, 3);  // a previous picture that must go
        ReadJpegBytes(bytes, 0, 0, buf, maxPixels);
        return buf;
    };
    EXPECT_TRUE(load({}).IsEmpty());
    EXPECT_TRUE(load(std::vector<uint8_t>(good.begin(), good.begin() + 200)).IsEmpty());  // inside the tables

    // Cut inside the scan: libjpeg only warns and fills in the rest.
    CImageBuffer cut = load(std::vector<uint8_t>(good.begin(), good.begin() + good.size() * 2 / 3));
    EXPECT_EQ(cut.Width(), 96u);
    EXPECT_EQ(cut.Height(), 64u);

    // A limit below the picture's size refuses it.
    EXPECT_TRUE(load(good, 96 * 64 - 1).IsEmpty());
    EXPECT_EQ(load(good, 96 * 64).Width(), 96u);

}

// Offset of the frame header's height field (after its marker, length
// and precision).
size_t FrameSizeOffset(const std::vector<uint8_t>& f)
{
    for (size_t at = 2; at + 4 <= f.size();) {
        const uint8_t marker = f[at + 1];
        if (marker == 0xC0 || marker == 0xC2)
            return at + 5;
        at += 2 + ((size_t{f[at + 2]} << 8) | f[at + 3]);
    }
    return 0;
}

std::vector<uint8_t> WithSize(std::vector<uint8_t> f, uint16_t w, uint16_t h)
{
    const size_t at = FrameSizeOffset(f);
    EXPECT_NE(at, 0u);
    f[at] = static_cast<uint8_t>(h >> 8);
    f[at + 1] = static_cast<uint8_t>(h);
    f[at + 2] = static_cast<uint8_t>(w >> 8);
    f[at + 3] = static_cast<uint8_t>(w);
    return f;
}

TEST(JpegReader, HostileHeadersAndScanFloodsEndQuicklyWithNothing)
{
    const uint32_t w = 64, h = 48;
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>(i * 7);
    const auto baseline = LibjpegEncode(rgb, w, h, 3, JCS_RGB, 75);
    const auto progressive = LibjpegEncode(rgb, w, h, 3, JCS_RGB, 75, true, true);

    CImageBuffer buf;
    // Just over 2^28 pixels: refused from the header alone.
    ReadJpegBytes(WithSize(baseline, 16385, 16384), 0, 0, buf);
    EXPECT_TRUE(buf.IsEmpty());
    // Within the pixel cap, but a progressive file this size (full-colour
    // sampling) needs 1.5 GB of coefficients: over libjpeg's memory limit.
    ReadJpegBytes(WithSize(progressive, 16384, 16384), 0, 0, buf);
    EXPECT_TRUE(buf.IsEmpty());

    // The first scan repeated: libjpeg only warns about the bogus
    // progression, so only the scan limit stops a flood of them.
    const auto& p = progressive;
    size_t sos = 2;
    while (sos + 4 <= p.size() && p[sos + 1] != 0xDA)
        sos += 2 + ((size_t{p[sos + 2]} << 8) | p[sos + 3]);
    ASSERT_LT(sos + 4, p.size());
    size_t end = sos + 2;
    while (end + 1 < p.size() && !(p[end] == 0xFF && p[end + 1] != 0 && (p[end + 1] & 0xF8) != 0xD0))
        ++end;  // to the next marker that is not a restart
    const auto scanBegin = p.begin() + static_cast<long>(sos), scanEnd = p.begin() + static_cast<long>(end);
    auto flood = [&](int copies) {
        std::vector<uint8_t> f(p.begin(), scanEnd);
        for (int i = 0; i < copies; ++i)
            f.insert(f.end(), scanBegin, scanEnd);
        f.insert(f.end(), scanEnd, p.end());
        return f;
    };
    ReadJpegBytes(flood(400), 0, 0, buf);
    EXPECT_EQ(buf.Width(), w);  // some hundreds of scans still load
    ReadJpegBytes(flood(600), 0, 0, buf);
    EXPECT_TRUE(buf.IsEmpty());
}

}  // namespace
}  // namespace pix
