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

// libjpeg compression into memory, for files the writer does not make and
// for the reference encoding of the writer's own settings.
struct JumpingErrors {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};
[[noreturn]] void JumpBack(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JumpingErrors*>(cinfo->err)->jump, 1); }

// Encodes packed top-down RGB rows; progressive files get full-colour
// sampling.
std::vector<uint8_t> LibjpegEncode(const std::vector<uint8_t>& packed, uint32_t w, uint32_t h, int quality,
                                   bool progressive = false)
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
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (progressive) {
        jpeg_simple_progression(&cinfo);
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < h) {
        JSAMPROW row = const_cast<JSAMPROW>(packed.data() + static_cast<size_t>(cinfo.next_scanline) * w * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<uint8_t> bytes(out, out + size);
    std::free(out);
    return bytes;
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

TEST(JpegWriter, BytesAreThoseOfPackedRgbRowsTopDown)
{
    // The writer hands the buffer's own rows to libjpeg; the file must be
    // the one the unpadded, flipped, red-green-blue copy gives, at every
    // quality held to baseline tables.
    test::TempDir dir;
    const CImageBuffer buf = test::Gradient(45, 31);
    std::vector<uint8_t> packed = UnpadRows(buf.Bits(), buf.Width(), buf.Stride(), buf.Height());
    ASSERT_TRUE(FlipRows(packed.data(), buf.Width() * 3u, buf.Height()));
    ASSERT_TRUE(SwapRedBlue(packed.data(), buf.Width(), buf.Height()));
    for (int quality : {0, 30, 75, 100}) {
        SCOPED_TRACE(quality);
        const std::string path = dir.File("q" + std::to_string(quality) + ".jpg");
        ASSERT_TRUE(WriteJpeg(buf, path, quality));
        EXPECT_EQ(test::ReadAll(path), LibjpegEncode(packed, buf.Width(), buf.Height(), quality));
    }
    // Save of a JPEG name writes quality 75.
    ASSERT_TRUE(buf.Save(dir.File("saved.JPEG")).Ok());
    EXPECT_EQ(test::ReadAll(dir.File("saved.JPEG")), test::ReadAll(dir.File("q75.jpg")));
}

TEST(JpegReader, ATruncatedScanStillLoadsAndTheLimitsRefuseWhatIsTooLarge)
{
    const uint32_t w = 64, h = 48;
    const auto p = LibjpegEncode(test::TopDownRgb(test::Gradient(w, h)), w, h, 75, true);
    CImageBuffer buf;
    auto load = [&buf](const std::vector<uint8_t>& bytes, uint64_t maxPixels = kMaxPixels) -> const CImageBuffer& {
        buf = test::Gradient(3, 3);  // a previous picture that must go
        ReadJpegBytes(bytes, 0, 0, buf, maxPixels);
        return buf;
    };
    // Cut inside the scans: libjpeg only warns and fills in the rest.
    EXPECT_EQ(load({p.begin(), p.begin() + static_cast<long>(p.size() * 2 / 3)}).Width(), w);
    EXPECT_TRUE(load(p, w * h - 1).IsEmpty());
    EXPECT_EQ(load(p, w * h).Width(), w);

    // Within the pixel cap, but a progressive file this size (full-colour
    // sampling) needs 1.5 GB of coefficients: over libjpeg's memory limit.
    const size_t sof = test::FindSegment(p, 0xC2);
    ASSERT_GT(sof, 0u);
    std::vector<uint8_t> large = p;
    for (size_t at : {sof + 5, sof + 7}) {  // height, width: 16384
        large[at] = 0x40;
        large[at + 1] = 0;
    }
    EXPECT_TRUE(load(large).IsEmpty());

    // The first scan repeated: libjpeg only warns about the bogus
    // progression, so only the scan limit stops a flood of them.
    const size_t sos = test::FindSegment(p, 0xDA);
    ASSERT_GT(sos, 0u);
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
    EXPECT_EQ(load(flood(400)).Width(), w);  // some hundreds of scans still load
    EXPECT_TRUE(load(flood(600)).IsEmpty());
}

}  // namespace
}  // namespace pix
