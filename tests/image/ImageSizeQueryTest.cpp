// The image-size query answers the size a full-size load gives, from the
// headers alone. The files of our writers are tried in the format table
// test, every bitmap header in the bitmap test; the bitmap, GIF and PNG
// fuzz targets hold the query to the reader on mutated, cut and garbage
// files (and headers libpng refuses), the corpus test on the shared corpus.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CodecTestHelpers.h"
#include "GifTestFiles.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PngCodec.h"
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

std::string WriteFile(const test::TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = dir.File(name);
    test::WriteAll(path, bytes);
    return path;
}

// Missing files, folders and files under a key no format has have no size.
TEST(ImageSizeQuery, MissingFoldersAndUnknownKeysHaveNoSize)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("folder.png"));
    ASSERT_TRUE(test::Gradient(5, 4).Save(dir.File("picture.bmp")).Ok());
    std::filesystem::copy_file(dir.File("picture.bmp"), dir.File("picture.txt"));
    for (const char* name : {"missing.jpg", "folder.png", "picture.txt"})
        EXPECT_FALSE(Queried(dir.File(name))) << name;
    EXPECT_EQ(Queried(dir.File("picture.bmp")), (Size{5, 4}));
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
    ASSERT_TRUE(test::Gradient(300, 200).Save(dir.File("seed.png")).Ok());
    const std::vector<uint8_t> seed = test::ReadAll(dir.File("seed.png"));
    ASSERT_GT(seed.size(), 100u);

    // Only the signature and the header chunk: the reader refuses it.
    const std::string cut = WriteFile(dir, "cut.png", std::vector<uint8_t>(seed.begin(), seed.begin() + 33));
    EXPECT_FALSE(Loaded(cut));
    EXPECT_EQ(Queried(cut), (Size{300, 200}));
    EXPECT_FALSE(Queried(WriteFile(dir, "shorter.png", std::vector<uint8_t>(seed.begin(), seed.begin() + 32))));

    // Over 2^28 pixels: beyond our limit, refused by both from the header.
    std::vector<uint8_t> over = seed;
    SetHeaderByte(over, 17, 0x40);
    const std::string overPath = WriteFile(dir, "over.png", over);
    EXPECT_FALSE(Loaded(overPath));
    EXPECT_FALSE(Queried(overPath));

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
    test::GifBuilder gif("89a", 100, 80, table);
    gif.Transparency(0).Comment("first").Image(6, 4, std::vector<int>(24, 1), 2, table, true);
    gif.Image(50, 50, {}, 2).Trailer();
    const std::string path = WriteFile(dir, "first.gif", gif.bytes);
    ASSERT_EQ(Loaded(path), (Size{6, 4}));
    EXPECT_EQ(Queried(path), (Size{6, 4}));

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
    const std::string path = WriteFile(dir, "long.gif", gif.bytes);
    ASSERT_EQ(Loaded(path), (Size{9, 3}));
    EXPECT_EQ(Queried(path), (Size{9, 3}));
    // Cut inside the extension, and before the image's code size.
    for (size_t keep : {size_t{150000}, imageAt + 10}) {
        const auto cut = WriteFile(dir, "cut.gif", {gif.bytes.begin(), gif.bytes.begin() + static_cast<long>(keep)});
        EXPECT_FALSE(Loaded(cut)) << keep;
        EXPECT_FALSE(Queried(cut)) << keep;
    }
}

// ---------------------------------------------------------------------------
// JPEG and TIFF.

TEST(ImageSizeQuery, JpegAnswersFromTheMarkersBeforeTheScan)
{
    test::TempDir dir;
    ASSERT_TRUE(test::Gradient(120, 90).Save(dir.File("seed.jpg")).Ok());
    const std::vector<uint8_t> seed = test::ReadAll(dir.File("seed.jpg"));
    const size_t sos = test::FindSegment(seed, 0xDA);
    const size_t sof = test::FindSegment(seed, 0xC0);
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

TEST(ImageSizeQuery, TiffNeedsNoPixelData)
{
    test::TempDir dir;
    ASSERT_TRUE(test::Gradient(70, 40).Save(dir.File("seed.tif")).Ok());
    std::vector<uint8_t> file = test::ReadAll(dir.File("seed.tif"));
    // libtiff writes the strip before the directory; damage it.
    ASSERT_GT(test::U32At(file, 4), 200u);
    std::fill(file.begin() + 8, file.begin() + 200, 0xFF);
    EXPECT_EQ(Queried(WriteFile(dir, "damaged.tif", file)), (Size{70, 40}));
}

}  // namespace
}  // namespace pix
