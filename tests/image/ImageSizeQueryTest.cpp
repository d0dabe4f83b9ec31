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

// Sets a byte of a PNG file's header chunk and its CRC to match.
void SetHeaderByte(std::vector<uint8_t>& png, size_t offset, uint8_t value)
{
    png[offset] = value;
    const uLong crc = crc32(0, png.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

// The query reads no pixel data, and refuses from the headers what the
// reader refuses before decoding.
TEST(ImageSizeQuery, HeadersAloneDecide)
{
    test::TempDir dir;
    ASSERT_TRUE(test::Gradient(300, 200).Save(dir.File("seed.png")).Ok());
    ASSERT_TRUE(test::Gradient(120, 90).Save(dir.File("seed.jpg")).Ok());
    ASSERT_TRUE(test::Gradient(70, 40).Save(dir.File("seed.tif")).Ok());
    const std::vector<uint8_t> png = test::ReadAll(dir.File("seed.png")), jpeg = test::ReadAll(dir.File("seed.jpg"));
    auto head = [](const std::vector<uint8_t>& file, size_t n) {
        return std::vector<uint8_t>(file.begin(), file.begin() + static_cast<long>(n));
    };

    // Over 2^28 pixels; 16000 x 16000 at 16-bit RGBA, within the pixel
    // limit but far beyond what a file this small can inflate to.
    std::vector<uint8_t> over = png, claims = png;
    SetHeaderByte(over, 17, 0x40);
    for (auto [offset, value] : {std::pair<size_t, uint8_t>{16, 0}, {17, 0}, {18, 0x3E}, {19, 0x80}, {20, 0},
                                 {21, 0}, {22, 0x3E}, {23, 0x80}, {24, 16}, {25, 6}})
        SetHeaderByte(claims, offset, value);
    uint32_t w = 0, h = 0;
    EXPECT_TRUE(PngSizeFromBytes(claims, uint64_t{1} << 32, w, h));
    EXPECT_EQ(Size(w, h), Size(16000, 16000));

    const size_t sos = test::FindSegment(jpeg, 0xDA), sof = test::FindSegment(jpeg, 0xC0);
    ASSERT_TRUE(sos > 0 && sof > 0);
    const size_t scanStart = sos + 2 + ((jpeg[sos + 2] << 8) | jpeg[sos + 3]);
    std::vector<uint8_t> huge = jpeg;  // 65000 x 65000
    for (size_t at : {sof + 5, sof + 7}) {
        huge[at] = 0xFD;
        huge[at + 1] = 0xE8;
    }
    // libtiff writes the strip before the directory; damage it.
    std::vector<uint8_t> tiff = test::ReadAll(dir.File("seed.tif"));
    ASSERT_GT(test::U32At(tiff, 4), 200u);
    std::fill(tiff.begin() + 8, tiff.begin() + 200, 0xFF);

    // About 200 KiB of application data before an image with its own
    // table, longer than the query's first read.
    const std::vector<test::Rgb> table = {{0, 0, 0}, {255, 255, 255}};
    test::GifBuilder gif("89a", 9, 9, table);
    gif.bytes.insert(gif.bytes.end(), {0x21, 0xFF});
    for (int block = 0; block < 800; ++block) {
        gif.bytes.push_back(255);
        gif.bytes.insert(gif.bytes.end(), 255, static_cast<uint8_t>(block));
    }
    gif.bytes.push_back(0);
    gif.Transparency(0).Comment("first");
    const size_t descriptorAt = gif.bytes.size();
    gif.Image(9, 3, std::vector<int>(27, 1), 2, table, true);
    gif.Image(50, 50, {}, 2).Trailer();
    ASSERT_EQ(Loaded(WriteFile(dir, "long.gif", gif.bytes)), (Size{9, 3}));

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        std::optional<Size> size;  // none: the reader refuses the file too
    } cases[] = {
        {"cut.png", head(png, 33), Size{300, 200}},  // the signature and the header chunk
        {"shorter.png", head(png, 32), {}},
        {"over.png", over, {}},
        {"claims.png", claims, {}},
        {"cut-after-scan-header.jpg", head(jpeg, scanStart), Size{120, 90}},
        {"cut-before-scan-header.jpg", head(jpeg, sos), {}},
        {"huge.jpg", huge, {}},
        {"damaged.tif", tiff, Size{70, 40}},
        {"long.gif", gif.bytes, Size{9, 3}},
        {"cut-in-extension.gif", head(gif.bytes, 150000), {}},
        {"cut-in-local-table.gif", head(gif.bytes, descriptorAt + 10 + 3), {}},
    };
    for (const auto& c : cases) {
        const std::string path = WriteFile(dir, c.name, c.bytes);
        EXPECT_EQ(Queried(path), c.size) << c.name;
        EXPECT_TRUE(c.size || !Loaded(path)) << c.name;
    }
}

}  // namespace
}  // namespace pix
