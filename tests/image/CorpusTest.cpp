// The shared corpus, folder by folder: every file loads or is refused as
// its manifest row expects, the size query agrees with the reader, JPEG
// pixels are libjpeg's own decode, and PNG and TIFF pixels match their
// references. Skipped when the corpus is absent.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>

#include "CodecTestHelpers.h"
#include "image/BmpCodec.h"
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

// djpeg's decode of a JPEG file at 1/denom of its size, libjpeg's own,
// read through our bitmap reader; empty where libjpeg fails, and for files
// of four components (CMYK), which libjpeg has no RGB of its own for.
CImageBuffer LibjpegDecode(const std::string& file, int denom)
{
    CImageBuffer ref;
    const std::vector<uint8_t> bytes = test::ReadAll(file);
    for (const uint8_t sof : {0xC0, 0xC1, 0xC2})
        if (const size_t at = test::FindSegment(bytes, sof); at > 0 && at + 9 < bytes.size() && bytes[at + 9] == 4)
            return ref;
    test::TempDir dir;
    const std::string out = dir.File("ref.bmp");
    const std::string scale = "1/" + std::to_string(denom);
    const int status = test::RunProgram({"djpeg", "-scale", scale, "-bmp", "-outfile", out, file});
    if (status == 0 || status == 2)  // 2: warnings only, as about a truncated scan
        ReadBmp(out, 0, 0, ref, nullptr);
    return ref;
}

void ExpectLibjpegsDecode(const std::string& file, const CImageBuffer& buf, int denom = 1, bool decodable = false)
{
    const CImageBuffer ref = LibjpegDecode(file, denom);
    EXPECT_FALSE(decodable && ref.IsEmpty()) << file;
    EXPECT_TRUE(ref.IsEmpty() || test::SamePixels(buf, ref)) << file << " at 1/" << denom;
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
        ExpectLibjpegsDecode(file, buf, 1, true);
    if (row.path.starts_with("photos/") && named({"umang", "seeding", "Wine"})) {
        CImageBuffer reduced;
        reduced.Load(file, 160, 120);
        ExpectLibjpegsDecode(file, reduced, 8, true);
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
    if ((GetParam() == std::string("jpeg") || GetParam() == std::string("photos")) && !test::HaveProgram("djpeg"))
        GTEST_SKIP() << "djpeg is not installed";
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
    EXPECT_LT(test::MeanDifference(cmyk, rgb), 10.0);
}

}  // namespace
}  // namespace pix
