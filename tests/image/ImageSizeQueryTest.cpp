// The image-size query answers the size a full-size load gives, from the
// headers alone: for the files our writers write and every kind of bitmap
// header; garbage, short and unknown files have no size. The bitmap, GIF
// and PNG fuzz targets hold the query to the reader on mutated and cut
// files (their seeds include such files), the corpus test on the shared
// corpus.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CodecTestHelpers.h"
#include "GifTestFiles.h"
#include "common/ByteReader.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PngCodec.h"
#include "support/DibFiles.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using Size = std::pair<uint32_t, uint32_t>;

std::optional<Size> Queried(const std::string& path)
{
    uint32_t w = 0, h = 0;
    if (!QueryImageSize(path, w, h))
        return std::nullopt;
    return Size{w, h};
}

std::optional<Size> Loaded(const std::string& path)
{
    CImageBuffer buf;
    buf.Load(path);
    if (buf.IsEmpty())
        return std::nullopt;
    return Size{buf.Width(), buf.Height()};
}

std::string Describe(const std::optional<Size>& s)
{
    return s ? std::to_string(s->first) + "x" + std::to_string(s->second) : "none";
}

// The query answers exactly when the reader gives a picture, with its size.
void ExpectQueryIsLoad(const std::string& path)
{
    const auto loaded = Loaded(path);
    const auto queried = Queried(path);
    EXPECT_EQ(queried, loaded) << "query " << Describe(queried) << ", load " << Describe(loaded);
}

std::string WriteFile(const test::TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = dir.File(name);
    test::WriteAll(path, bytes);
    return path;
}

// ---------------------------------------------------------------------------
// Our own files.

TEST(ImageSizeQuery, FilesOfOurWritersAnswerTheSizeTheyLoadAt)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    for (auto [w, h] : {Size{37, 23}, Size{1, 300}, Size{300, 1}}) {
        struct Case {
            const char* name;
            CImageBuffer picture;
        } cases[] = {
            {"one-bit.bmp", test::Indexed(w, h, 2)},
            {"four-bit.DIB", test::Indexed(w, h, 16)},
            {"eight-bit.bmp", test::Indexed(w, h, 200)},
            {"true-colour.BMP", test::Gradient(w, h)},
            {"palette.png", test::Indexed(w, h, 5)},
            {"true-colour.png", test::Gradient(w, h)},
            {"palette.gif", test::Indexed(w, h, 256)},
            {"photo.jpg", test::Gradient(w, h)},
            {"true-colour.tif", test::Gradient(w, h)},
            {"palette.tif", test::Indexed(w, h, 7)},
        };
        for (Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << " " << w << "x" << h);
            const std::string path = dir.File(c.name);
            c.picture.Save(path, prompter);
            ASSERT_EQ(Loaded(path), (Size{w, h}));
            EXPECT_EQ(Queried(path), (Size{w, h}));
        }
    }
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(ImageSizeQuery, GarbageShortMissingAndUnknownFilesHaveNoSize)
{
    test::TempDir dir;
    std::vector<uint8_t> noise(300);
    uint32_t seed = 7;
    for (uint8_t& b : noise) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(seed >> 24);
    }
    for (const char* ext : {".bmp", ".dib", ".png", ".gif", ".jpg", ".jpeg", ".jif", ".jpe", ".tif"}) {
        SCOPED_TRACE(ext);
        EXPECT_FALSE(Queried(WriteFile(dir, std::string("empty") + ext, {})));
        EXPECT_FALSE(Queried(WriteFile(dir, std::string("short") + ext, {'h', 'e', 'l', 'l', 'o'})));
        EXPECT_FALSE(Queried(WriteFile(dir, std::string("noise") + ext, noise)));
        EXPECT_FALSE(Queried(dir.File(std::string("missing") + ext)));
        std::filesystem::create_directory(dir.File(std::string("folder") + ext));
        EXPECT_FALSE(Queried(dir.File(std::string("folder") + ext)));
    }
    // A format without a size query, and a good file under a key no format has.
    test::RecordingPrompter prompter;
    CImageBuffer picture = test::Gradient(5, 4);
    picture.Save(dir.File("own.pxf"), prompter);
    ASSERT_EQ(Loaded(dir.File("own.pxf")), (Size{5, 4}));
    EXPECT_FALSE(Queried(dir.File("own.pxf")));
    picture.Save(dir.File("picture.bmp"), prompter);
    std::filesystem::copy_file(dir.File("picture.bmp"), dir.File("picture.txt"));
    EXPECT_FALSE(Queried(dir.File("picture.txt")));
    EXPECT_FALSE(Queried("bmp"));
}

// ---------------------------------------------------------------------------
// Windows bitmaps.

TEST(ImageSizeQuery, EveryBitmapHeaderTheReaderTakes)
{
    test::TempDir dir;
    for (uint32_t header : {12u, 40u, 52u, 56u, 64u, 108u, 124u})
        for (uint16_t bpp : {1, 4, 8, 24})
            for (int32_t h : {9, -9}) {
                if (header == 12 && h < 0)
                    continue;  // the 12-byte header keeps sizes unsigned
                SCOPED_TRACE(::testing::Message() << header << "-byte header, " << bpp << " bits, height " << h);
                const auto file = test::Dib{.width = 13, .height = h, .bpp = bpp, .headerSize = header}.Filled().File();
                const std::string path = WriteFile(dir, "kind.bmp", file);
                ASSERT_EQ(Loaded(path), (Size{13, 9}));
                EXPECT_EQ(Queried(path), (Size{13, 9}));
            }
}

// ---------------------------------------------------------------------------
// PNG.

// Sets a byte of the header chunk and its CRC to match.
void SetHeaderByte(std::vector<uint8_t>& png, size_t offset, uint8_t value)
{
    png[offset] = value;
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

TEST(ImageSizeQuery, PngHeaderChunkDecides)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    test::Gradient(300, 200).Save(dir.File("seed.png"), prompter);
    const std::vector<uint8_t> seed = test::ReadAll(dir.File("seed.png"));
    ASSERT_GT(seed.size(), 100u);

    // Only the signature and the header chunk: the reader refuses it.
    const std::string cut = WriteFile(dir, "cut.png", std::vector<uint8_t>(seed.begin(), seed.begin() + 33));
    EXPECT_FALSE(Loaded(cut));
    EXPECT_EQ(Queried(cut), (Size{300, 200}));
    EXPECT_FALSE(Queried(WriteFile(dir, "shorter.png", std::vector<uint8_t>(seed.begin(), seed.begin() + 32))));

    // Header facts that make the reader refuse the file.
    struct Case {
        const char* what;
        size_t offset;
        uint8_t value;
        bool fixCrc;
    } cases[] = {
        {"signature", 1, 'p', false},
        {"chunk length", 11, 14, false},
        {"chunk type", 12, 'i', false},
        {"CRC", 30, 0, false},
        {"zero width", 18, 0, true},  // 300 = 0x012C: bytes 18 and 19
        {"over 2^28 pixels", 17, 0x40, true},
        {"bit depth 3", 24, 3, true},
        {"RGB at 4 bits", 24, 4, true},
        {"colour type 5", 25, 5, true},
        {"compression method", 26, 1, true},
        {"filter method", 27, 1, true},
        {"interlace method", 28, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> file = seed;
        if (c.fixCrc) {
            SetHeaderByte(file, c.offset, c.value);
            if (c.offset == 18)
                SetHeaderByte(file, 19, 0);
        } else {
            file[c.offset] = c.value;
        }
        const std::string path = WriteFile(dir, "refused.png", file);
        EXPECT_FALSE(Loaded(path));
        EXPECT_FALSE(Queried(path));
    }

    // 16000 x 16000 at 16-bit RGBA: within the pixel limit, far beyond
    // what a file this small can inflate to.
    std::vector<uint8_t> file = seed;
    for (auto [offset, value] : {std::pair<size_t, uint8_t>{16, 0}, {17, 0}, {18, 0x3E}, {19, 0x80}, {20, 0},
                                 {21, 0}, {22, 0x3E}, {23, 0x80}, {24, 16}, {25, 6}})
        SetHeaderByte(file, offset, value);
    const std::string claims = WriteFile(dir, "claims.png", file);
    EXPECT_FALSE(Loaded(claims));
    EXPECT_FALSE(Queried(claims));
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(PngSizeFromBytes(file, uint64_t{1} << 32, w, h));
    EXPECT_EQ(Size(w, h), Size(16000, 16000));
}

// ---------------------------------------------------------------------------
// GIF.

TEST(ImageSizeQuery, GifAnswersTheFirstImageNotTheScreen)
{
    test::TempDir dir;
    const std::vector<test::Rgb> table = {{0, 0, 0}, {255, 255, 255}};
    const std::vector<int> pixels(6 * 4, 1);
    test::GifBuilder gif("89a", 100, 80, table);
    gif.Transparency(0).Comment("first").Image(6, 4, pixels, 2, table, true).Image(50, 50, {}, 2).Trailer();
    const std::string path = WriteFile(dir, "first.gif", gif.bytes);
    ASSERT_EQ(Loaded(path), (Size{6, 4}));
    EXPECT_EQ(Queried(path), (Size{6, 4}));

    // Cut right after the raster's code size: the reader keeps the black
    // picture it started, and the query needs nothing more.
    const size_t rasterStart = 13 + 6 + 8 + 9 + 10 + 6 + 1;
    ASSERT_EQ(gif.bytes[rasterStart - 1], 2);
    const std::string cut =
        WriteFile(dir, "cut.gif", std::vector<uint8_t>(gif.bytes.begin(), gif.bytes.begin() + rasterStart));
    EXPECT_EQ(Loaded(cut), (Size{6, 4}));
    EXPECT_EQ(Queried(cut), (Size{6, 4}));
    // Without the code size the reader has no raster to start.
    const std::string noRaster =
        WriteFile(dir, "no-raster.gif", std::vector<uint8_t>(gif.bytes.begin(), gif.bytes.begin() + rasterStart - 1));
    EXPECT_FALSE(Loaded(noRaster));
    EXPECT_FALSE(Queried(noRaster));
}

TEST(ImageSizeQuery, GifExtensionsLongerThanTheFirstReadAreWalkedThrough)
{
    test::TempDir dir;
    const std::vector<test::Rgb> table = {{0, 0, 0}, {255, 255, 255}};
    test::GifBuilder gif("89a", 9, 9, table);
    // About 200 KiB of application data before the image.
    gif.bytes.insert(gif.bytes.end(), {0x21, 0xFF});
    for (int block = 0; block < 800; ++block) {
        gif.bytes.push_back(255);
        gif.bytes.insert(gif.bytes.end(), 255, static_cast<uint8_t>(block));
    }
    gif.bytes.push_back(0);
    const size_t imageAt = gif.bytes.size();
    gif.Image(9, 3, std::vector<int>(27, 1), 2).Trailer();
    ExpectQueryIsLoad(WriteFile(dir, "long.gif", gif.bytes));
    ASSERT_EQ(Queried(dir.File("long.gif")), (Size{9, 3}));

    // The same cut inside the extension, and before the image's code size.
    ExpectQueryIsLoad(
        WriteFile(dir, "cut.gif", std::vector<uint8_t>(gif.bytes.begin(), gif.bytes.begin() + 150000)));
    EXPECT_FALSE(Queried(dir.File("cut.gif")));
    ExpectQueryIsLoad(
        WriteFile(dir, "cut2.gif", std::vector<uint8_t>(gif.bytes.begin(), gif.bytes.begin() + imageAt + 10)));
    EXPECT_FALSE(Queried(dir.File("cut2.gif")));
}

// ---------------------------------------------------------------------------
// JPEG and TIFF.

size_t FindMarker(const std::vector<uint8_t>& jpeg, uint8_t marker)
{
    for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker)
            return i;
    return 0;
}

TEST(ImageSizeQuery, JpegAnswersFromTheMarkersBeforeTheScan)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    test::Gradient(120, 90).Save(dir.File("seed.jpg"), prompter);
    const std::vector<uint8_t> seed = test::ReadAll(dir.File("seed.jpg"));
    const size_t sos = FindMarker(seed, 0xDA);
    const size_t sof = FindMarker(seed, 0xC0);
    ASSERT_GT(sos, 0u);
    ASSERT_GT(sof, 0u);

    // Cut just after the scan header: nothing of the scan is needed.
    const size_t scanStart = sos + 2 + ((seed[sos + 2] << 8) | seed[sos + 3]);
    const std::string cut = WriteFile(dir, "cut.jpg", std::vector<uint8_t>(seed.begin(), seed.begin() + scanStart));
    EXPECT_EQ(Queried(cut), (Size{120, 90}));
    // Cut before the scan header there is no picture.
    EXPECT_FALSE(Queried(WriteFile(dir, "cut2.jpg", std::vector<uint8_t>(seed.begin(), seed.begin() + sos))));

    // 65000 x 65000 is beyond our pixel limit; the reader refuses it
    // before decoding, and so does the query.
    std::vector<uint8_t> huge = seed;
    for (size_t at : {sof + 5, sof + 7}) {
        huge[at] = 0xFD;
        huge[at + 1] = 0xE8;
    }
    const std::string hugePath = WriteFile(dir, "huge.jpg", huge);
    EXPECT_FALSE(Loaded(hugePath));
    EXPECT_FALSE(Queried(hugePath));
}

// The value field of a directory entry of a little-endian TIFF file.
size_t TiffEntryValue(const std::vector<uint8_t>& tiff, uint16_t tag)
{
    ByteReader in(tiff);
    in.Seek(4);
    in.Seek(in.U32());
    const uint16_t count = in.U16();
    for (uint16_t i = 0; i < count && !in.Failed(); ++i) {
        const size_t at = in.Position();
        if (in.U16() == tag)
            return at + 8;
        in.Skip(10);
    }
    return 0;
}

TEST(ImageSizeQuery, TiffAnswersTheFirstDirectoryAndRefusesOldStyleJpeg)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    test::Gradient(70, 40).Save(dir.File("seed.tif"), prompter);
    std::vector<uint8_t> file = test::ReadAll(dir.File("seed.tif"));
    ASSERT_EQ(file[0], 'I');
    const size_t compression = TiffEntryValue(file, 259);
    ASSERT_GT(compression, 0u);

    file[compression] = 6;  // old-style JPEG
    file[compression + 1] = 0;
    const std::string ojpeg = WriteFile(dir, "ojpeg.tif", file);
    EXPECT_FALSE(Loaded(ojpeg));
    EXPECT_FALSE(Queried(ojpeg));

    // Damaged pixel data does not matter to the query. (libtiff writes the
    // strip before the directory.)
    file = test::ReadAll(dir.File("seed.tif"));
    ASSERT_GT(TiffEntryValue(file, 256), 200u);
    for (size_t i = 8; i < 200; ++i)
        file[i] = 0xFF;
    EXPECT_EQ(Queried(WriteFile(dir, "damaged.tif", file)), (Size{70, 40}));
}

}  // namespace
}  // namespace pix
