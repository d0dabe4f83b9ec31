// The JPEG, PNG, TIFF and photo files of the shared corpus load, or are
// refused, as their manifest rows expect, and their pixels match the
// references: exactly for PNG and TIFF, and for JPEG exactly against
// libjpeg's own decode of the same file. Skipped when the corpus is absent.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "image/CImageBuffer.h"
#include "image/JpegCodec.h"
#include "CodecTestHelpers.h"
#include "image/PngCodec.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

namespace fs = std::filesystem;
using test::BigEndian32;

using test::ManifestRow;

std::vector<ManifestRow> Rows(const fs::path& corpus, std::initializer_list<std::string_view> folders)
{
    return test::ReadManifest(corpus, folders);
}

// The manifest was worked out with every libpng warning counting as an
// error. Our reader reads on where current libpng warns about something
// the old library accepted without a word: chunks it did not know (iCCP
// profiles that are known to be wrong or do not inflate), and tRNS values
// beyond the bit depth. A CRC error stays an error.
bool PngReadsOnWhereTheManifestRefuses(const ManifestRow& row)
{
    if (row.note.find("CRC error") != std::string::npos)
        return false;
    return row.note.rfind("libpng: iCCP: ", 0) == 0 ||
           row.note == "libpng: tRNS chunk has out-of-range samples for bit_depth";
}

void ExpectConsistent(const CImageBuffer& buf)
{
    EXPECT_EQ(buf.Stride(), StrideFor(buf.Width()));
    EXPECT_EQ(buf.BitsSize(), static_cast<size_t>(buf.Stride()) * buf.Height());
    if (buf.HasIndexPlane()) {
        EXPECT_EQ(buf.IndexPlane().size(), static_cast<size_t>(buf.Width()) * buf.Height());
        for (uint8_t i : buf.IndexPlane())
            ASSERT_LT(i, buf.ColorCount());
    }
}

TEST(CorpusCodecs, EveryFileLoadsOrIsRefusedAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int loaded = 0, refused = 0, readOn = 0, unknown = 0;
    for (const ManifestRow& row : Rows(corpus, {"jpeg/", "png/", "tiff/", "photos/"})) {
        SCOPED_TRACE(row.path);
        const std::string path = (corpus / row.path).string();
        CImageBuffer buf;
        buf.Load(path);
        if (!buf.IsEmpty())
            ExpectConsistent(buf);
        if (row.expected.rfind("loads ", 0) == 0) {
            unsigned w = 0, h = 0;
            ASSERT_EQ(std::sscanf(row.expected.c_str(), "loads %ux%u", &w, &h), 2);
            EXPECT_FALSE(buf.IsEmpty());
            EXPECT_EQ(buf.Width(), w);
            EXPECT_EQ(buf.Height(), h);
            ++loaded;
        } else if (row.expected == "refused" && PngReadsOnWhereTheManifestRefuses(row)) {
            auto bytes = test::Slurp(path);
            ASSERT_GE(bytes.size(), 24u);
            EXPECT_EQ(buf.Width(), BigEndian32(bytes.data() + 16));
            EXPECT_EQ(buf.Height(), BigEndian32(bytes.data() + 20));
            ++readOn;
        } else if (row.expected == "refused") {
            EXPECT_TRUE(buf.IsEmpty());
            ++refused;
        } else {
            ++unknown;  // only that nothing breaks
        }
    }
    EXPECT_GT(loaded, 400);
    EXPECT_GT(refused, 40);
    EXPECT_EQ(readOn, 4);
    std::printf("[ corpus   ] %d load, %d refused, %d read on past benign warnings, %d unknown\n", loaded, refused,
                readOn, unknown);
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
    std::vector<uint8_t> bgr(static_cast<size_t>(ref.width) * 3);
    for (uint32_t y = 0; y < ref.height; ++y) {
        const uint8_t* rgb = ref.rgb.data() + static_cast<size_t>(y) * ref.width * 3;
        for (size_t i = 0; i < bgr.size(); i += 3) {
            bgr[i] = rgb[i + 2];
            bgr[i + 1] = rgb[i + 1];
            bgr[i + 2] = rgb[i];
        }
        ASSERT_EQ(std::memcmp(buf.Row(ref.height - 1 - y), bgr.data(), bgr.size()), 0)
            << "row " << y << " from the top";
    }
}

TEST(CorpusCodecs, JpegPixelsAreLibjpegsOwnDecodeInOurRowOrderAndByteOrder)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int compared = 0;
    // Every JPEG, and two of the large photos (the others take the same
    // paths: baseline and progressive, 2x1 and 2x2 sampling).
    for (const ManifestRow& row : Rows(corpus, {"jpeg/", "photos/Storm", "photos/Wine"})) {
        if (row.expected.rfind("loads ", 0) != 0)
            continue;
        SCOPED_TRACE(row.path);
        const std::string path = (corpus / row.path).string();
        Decoded ref;
        if (!LibjpegDecode(test::Slurp(path), 1, ref))
            continue;  // CMYK: libjpeg has no RGB of its own for it
        CImageBuffer buf;
        buf.Load(path);
        ExpectSameAsLibjpeg(buf, ref);
        ++compared;
    }
    EXPECT_GT(compared, 60);
}

TEST(CorpusCodecs, ReducedPhotosAreLibjpegsScaledDecode)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int compared = 0;
    // Baseline 4:4:4, progressive 2x2, and progressive 2x1 with a height
    // that is no multiple of 8.
    for (const ManifestRow& row : Rows(corpus, {"photos/umang", "photos/seeding", "photos/Wine"})) {
        SCOPED_TRACE(row.path);
        const std::string path = (corpus / row.path).string();
        // Thumbnail hints: each photo is at least 8 times the hint.
        Decoded ref;
        ASSERT_TRUE(LibjpegDecode(test::Slurp(path), 8, ref));
        CImageBuffer buf;
        buf.Load(path, 160, 120);
        ExpectSameAsLibjpeg(buf, ref);
        ++compared;
    }
    EXPECT_EQ(compared, 3);
}

TEST(CorpusCodecs, CmykJpegLooksLikeItsRgbTwin)
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

// The gAMA value of a PNG file, if it has one.
std::optional<uint32_t> PngGamma(const std::vector<uint8_t>& png)
{
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = BigEndian32(png.data() + at);
        if (std::memcmp(png.data() + at + 4, "gAMA", 4) == 0 && length == 4 && at + 12 <= png.size())
            return BigEndian32(png.data() + at + 8);
        at += 12 + static_cast<size_t>(length);
    }
    return std::nullopt;
}

// png with a gAMA chunk of the given value right after its header.
std::vector<uint8_t> WithGamma(std::vector<uint8_t> png, uint32_t gamma)
{
    std::vector<uint8_t> chunk{0, 0, 0, 4, 'g', 'A', 'M', 'A', static_cast<uint8_t>(gamma >> 24),
                               static_cast<uint8_t>(gamma >> 16), static_cast<uint8_t>(gamma >> 8),
                               static_cast<uint8_t>(gamma)};
    const uLong crc = crc32(0, chunk.data() + 4, 8);
    for (int shift : {24, 16, 8, 0})
        chunk.push_back(static_cast<uint8_t>(crc >> shift));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end());  // signature 8 + header chunk 25
    return png;
}

// The alpha plane of a PNG file, rows top down (255 where it has none).
std::vector<uint8_t> PngAlpha(const std::vector<uint8_t>& file, uint32_t& width, uint32_t& height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr))
        return {};
    width = image.width;
    height = image.height;
    std::vector<uint8_t> alpha(rgba.size() / 4);
    for (size_t i = 0; i < alpha.size(); ++i)
        alpha[i] = rgba[4 * i + 3];
    return alpha;
}

TEST(CorpusCodecs, LosslessPixelsMatchTheirReferences)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int compared = 0;
    size_t pixels = 0;
    for (const ManifestRow& row : Rows(corpus, {"png/", "tiff/"})) {
        if (row.reference.empty())
            continue;
        SCOPED_TRACE(row.path);
        const std::string path = (corpus / row.path).string();
        CImageBuffer mine;
        mine.Load(path);
        // The references are RGBA renderings without gamma correction. Read
        // through our own PNG reader they are composed on black, as the
        // inputs are; an input's gamma is given to its reference too, so
        // both go through the same correction.
        auto refBytes = test::Slurp((corpus / row.reference).string());
        uint32_t alphaWidth = 0, alphaHeight = 0;
        const std::vector<uint8_t> alpha = PngAlpha(refBytes, alphaWidth, alphaHeight);
        if (row.path.ends_with(".png"))
            if (auto gamma = PngGamma(test::Slurp(path)))
                refBytes = WithGamma(std::move(refBytes), *gamma);
        CImageBuffer ref;
        ReadPngBytes(refBytes, ref);
        ASSERT_FALSE(ref.IsEmpty());
        ASSERT_EQ(mine.Width(), ref.Width());
        ASSERT_EQ(mine.Height(), ref.Height());
        ASSERT_EQ(alphaWidth, ref.Width());
        ASSERT_EQ(alphaHeight, ref.Height());
        // A PNG and its reference are composed on black by the same code,
        // so every pixel counts. For TIFF only opaque pixels count: libtiff
        // and the references disagree on what some extra channels mean.
        // libtiff also rounds 16-bit samples to 8 bits where the references
        // cut them, hence one step of leeway there.
        const bool tiff = row.path.starts_with("tiff/");
        const int leeway = tiff && row.note.find("16 bits") != std::string::npos ? 1 : 0;
        int worst = 0;
        for (uint32_t top = 0; top < ref.Height(); ++top)
            for (uint32_t x = 0; x < ref.Width(); ++x) {
                if (tiff && alpha[static_cast<size_t>(top) * ref.Width() + x] != 255)
                    continue;
                ++pixels;
                const uint8_t* a = mine.Row(ref.Height() - 1 - top) + 3 * x;
                const uint8_t* b = ref.Row(ref.Height() - 1 - top) + 3 * x;
                for (int c = 0; c < 3; ++c)
                    worst = std::max(worst, std::abs(a[c] - b[c]));
            }
        EXPECT_LE(worst, leeway);
        ++compared;
    }
    EXPECT_GT(compared, 25);
    EXPECT_GT(pixels, 2'000'000);
}

}  // namespace
}  // namespace pix
