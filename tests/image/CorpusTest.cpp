// The shared corpus, folder by folder: every file loads or is refused as
// its manifest row expects, the size query agrees with the reader, JPEG
// pixels are libjpeg's own decode, and PNG and TIFF pixels match their
// references. Skipped when the corpus is absent.
#include <gtest/gtest.h>
#include <png.h>

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "CodecTestHelpers.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PngCodec.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::ManifestRow;

// The manifest was worked out with every libpng warning counting as an
// error. Our reader reads on where current libpng warns about something
// the old library accepted without a word: chunks it did not know (iCCP
// profiles that are known to be wrong or do not inflate), and tRNS values
// beyond the bit depth. A CRC error stays an error.
bool PngReadsOnWhereTheManifestRefuses(const ManifestRow& row)
{
    if (row.expected != "refused" || row.note.find("CRC error") != std::string::npos)
        return false;
    return row.note.rfind("libpng: iCCP: ", 0) == 0 ||
           row.note == "libpng: tRNS chunk has out-of-range samples for bit_depth";
}

// The manifest refuses names ending in ".tiff" and ".jfif", which the
// format table knows now: those files load.
bool LoadsUnderANameTheManifestRefuses(const ManifestRow& row)
{
    return row.expected == "refused" && row.note.find("not recognised by the format dispatch") != std::string::npos &&
           FormatForPath(row.path) != nullptr;
}

// libjpeg's own decode of a file at a scale, rows top down, red-green-blue.
struct Decoded {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};

struct JumpingErrors {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<JumpingErrors*>(cinfo->err)->jump, 1); }
void Quiet(j_common_ptr, int) {}

bool LibjpegDecode(const std::vector<uint8_t>& file, int denom, Decoded& out)
{
    jpeg_decompress_struct cinfo{};
    JumpingErrors err{};
    jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JumpBack;
    err.mgr.emit_message = Quiet;
    cinfo.err = &err.mgr;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(denom);
    jpeg_start_decompress(&cinfo);
    out.width = cinfo.output_width;
    out.height = cinfo.output_height;
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<size_t>(cinfo.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

void ExpectSameAsLibjpeg(const CImageBuffer& buf, const Decoded& ref)
{
    ASSERT_EQ(buf.Width(), ref.width);
    ASSERT_EQ(buf.Height(), ref.height);
    EXPECT_TRUE(test::TopDownRgb(buf) == ref.rgb);
}

void ExpectLibjpegsDecode(const std::string& file, const CImageBuffer& buf)
{
    Decoded ref;
    if (LibjpegDecode(test::ReadAll(file), 1, ref))  // CMYK: libjpeg has no RGB of its own for it
        ExpectSameAsLibjpeg(buf, ref);
}

// The alpha plane of a PNG file, rows top down (255 where it has none).
std::vector<uint8_t> PngAlpha(const std::vector<uint8_t>& file)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
        return {};
    std::vector<uint8_t> alpha(rgba.size() / 4);
    for (size_t i = 0; i < alpha.size(); ++i)
        alpha[i] = rgba[4 * i + 3];
    return alpha;
}

// The references are RGBA renderings without gamma correction. Read
// through our own PNG reader they are composed on black, as the inputs
// are; an input's gamma is given to its reference too, so both go through
// the same correction. For TIFF only opaque pixels count: libtiff and the
// references disagree on what some extra channels mean. libtiff also
// rounds 16-bit samples to 8 bits where the references cut them, hence one
// step of leeway there.
void ExpectLosslessReference(const std::filesystem::path& corpus, const ManifestRow& row, const std::string& file,
                             const CImageBuffer& mine)
{
    if (row.reference.empty())
        return;
    auto refBytes = test::ReadAll((corpus / row.reference).string());
    const std::vector<uint8_t> alpha = PngAlpha(refBytes);
    const bool tiff = row.path.starts_with("tiff/");
    const std::vector<uint8_t> gamma = tiff ? std::vector<uint8_t>{} : test::ChunkData(test::ReadAll(file), "gAMA");
    if (!gamma.empty())
        refBytes = test::WithChunk(std::move(refBytes), test::Chunk("gAMA", gamma));
    CImageBuffer ref;
    ReadPngBytes(refBytes, ref);
    ASSERT_FALSE(ref.IsEmpty());
    ASSERT_EQ(mine.Width(), ref.Width());
    ASSERT_EQ(mine.Height(), ref.Height());
    ASSERT_EQ(alpha.size(), size_t{ref.Width()} * ref.Height());
    const int leeway = tiff && row.note.find("16 bits") != std::string::npos ? 1 : 0;
    const std::vector<uint8_t> a = test::TopDownRgb(mine), b = test::TopDownRgb(ref);
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (!tiff || alpha[i / 3] == 255)
            worst = std::max(worst, std::abs(a[i] - b[i]));
    EXPECT_LE(worst, leeway);
}

void CheckRow(const std::filesystem::path& corpus, const ManifestRow& row, const std::string& file,
              const CImageBuffer& buf)
{
    test::ExpectSizeQueryAgrees(file, buf, false);
    auto named = [&row](std::initializer_list<const char*> names) {
        return std::any_of(names.begin(), names.end(),
                           [&row](const char* n) { return row.path.find(n) != std::string::npos; });
    };
    if (row.path.starts_with("jpeg/") && !buf.IsEmpty())
        ExpectLibjpegsDecode(file, buf);
    // Two photos at full size and three at the thumbnail scale: baseline
    // and progressive, 4:4:4, 2x1 and 2x2 sampling, and a height that is no
    // multiple of 8 (each photo is at least 8 times the hints).
    if (row.path.starts_with("photos/") && named({"Storm", "Wine"}))
        ExpectLibjpegsDecode(file, buf);
    if (row.path.starts_with("photos/") && named({"umang", "seeding", "Wine"})) {
        Decoded ref;
        ASSERT_TRUE(LibjpegDecode(test::ReadAll(file), 8, ref));
        CImageBuffer reduced;
        reduced.Load(file, 160, 120);
        ExpectSameAsLibjpeg(reduced, ref);
    }
    // A PNG palette picture's colour count covers every index (a bitmap
    // keeps indices past its table).
    if (row.path.starts_with("png/")) {
        for (uint8_t i : buf.IndexPlane())
            ASSERT_LT(i, buf.ColorCount());
    }
    EXPECT_TRUE(!LoadsUnderANameTheManifestRefuses(row) || !buf.IsEmpty());
    if (PngReadsOnWhereTheManifestRefuses(row)) {
        const auto bytes = test::ReadAll(file);
        ASSERT_GE(bytes.size(), 24u);
        EXPECT_EQ(buf.Width(), test::BigEndian32(bytes.data() + 16));
        EXPECT_EQ(buf.Height(), test::BigEndian32(bytes.data() + 20));
    }
    if (row.path.starts_with("png/") || row.path.starts_with("tiff/"))
        ExpectLosslessReference(corpus, row, file, buf);
}

class CorpusFolder : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusFolder, LoadsAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    test::RunCorpusFolder(corpus, std::string(GetParam()) + "/",
                          {.exempt = [](const ManifestRow& row) {
                               return PngReadsOnWhereTheManifestRefuses(row) || LoadsUnderANameTheManifestRefuses(row);
                           },
                           .extra = [&](const ManifestRow& row, const std::string& file, const CImageBuffer& buf) {
                               CheckRow(corpus, row, file, buf);
                           }});
}

INSTANTIATE_TEST_SUITE_P(Image, CorpusFolder, ::testing::Values("bmp", "gif", "jpeg", "png", "tiff", "photos"),
                         [](const auto& p) { return std::string(p.param); });

TEST(CorpusJpeg, CmykLooksLikeItsRgbTwin)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    CImageBuffer cmyk, rgb;
    cmyk.Load((corpus / "jpeg/pil-pil_sample_cmyk.jpg").string());
    rgb.Load((corpus / "jpeg/pil-pil_sample_rgb.jpg").string());
    ASSERT_FALSE(cmyk.IsEmpty());
    ASSERT_EQ(cmyk.Width(), rgb.Width());
    ASSERT_EQ(cmyk.Height(), rgb.Height());
    // The same picture; without a colour profile the inks only come close
    // (inverted or mirrored inks would be off by a hundred and more).
    uint64_t sum = 0;
    for (uint32_t y = 0; y < rgb.Height(); ++y)
        for (uint32_t i = 0; i < rgb.Width() * 3; ++i)
            sum += static_cast<uint64_t>(std::abs(cmyk.Row(y)[i] - rgb.Row(y)[i]));
    EXPECT_LT(static_cast<double>(sum) / (rgb.Width() * rgb.Height() * 3), 10.0);
}

}  // namespace
}  // namespace pix
