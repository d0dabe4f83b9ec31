#include "image/PngCodec.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <optional>

#include "CodecTestHelpers.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::Chunk;
using test::Gradient;
using test::WithChunk;

// What libpng is asked to write for a test file; rows are in the file's
// own sample layout, top row first.
struct PngFileContent {
    uint32_t width = 1;
    uint32_t height = 1;
    int colorType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    bool interlaced = false;
    std::vector<std::vector<uint8_t>> rows;
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha;
    std::optional<double> gamma;
};

void Append(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

std::vector<uint8_t> MakePng(const PngFileContent& params)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test file";
        return {};
    }
    png_set_write_fn(png, &out, Append, nullptr);
    png_set_check_for_invalid_index(png, -1);  // some files break that rule on purpose
    png_set_IHDR(png, info, params.width, params.height, params.depth, params.colorType,
                 params.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!params.palette.empty())
        png_set_PLTE(png, info, params.palette.data(), static_cast<int>(params.palette.size()));
    if (!params.paletteAlpha.empty())
        png_set_tRNS(png, info, params.paletteAlpha.data(), static_cast<int>(params.paletteAlpha.size()), nullptr);
    if (params.gamma)
        png_set_gAMA(png, info, *params.gamma);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (const auto& row : params.rows)
        rows.push_back(const_cast<png_bytep>(row.data()));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

CImageBuffer Read(const std::vector<uint8_t>& file, uint64_t maxPixels = kMaxPixels)
{
    CImageBuffer buf = Gradient(2, 2);  // a previous picture that must go
    ReadPngBytes(file, buf, maxPixels);
    return buf;
}

// The image data deflated afresh in one go at a level with the writer's
// other settings (memory level 9, default strategy); deflate output does
// not depend on how its input was handed over.
std::vector<uint8_t> Recompressed(const std::vector<uint8_t>& stream, int level)
{
    std::vector<uint8_t> raw(64 << 20);
    uLongf rawSize = static_cast<uLongf>(raw.size());
    EXPECT_EQ(uncompress(raw.data(), &rawSize, stream.data(), static_cast<uLong>(stream.size())), Z_OK);
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, 15, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::vector<uint8_t> out(deflateBound(&z, rawSize));
    z.next_in = raw.data();
    z.avail_in = static_cast<uInt>(rawSize);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

TEST(PngWriter, CompressionLevelFollowsThePixelCountRule)
{
    EXPECT_EQ(PngCompressionLevel(0x140000, false), 9);
    EXPECT_EQ(PngCompressionLevel(0x140001, false), 7);
    EXPECT_EQ(PngCompressionLevel(0x3C0000, true), 9);
    EXPECT_EQ(PngCompressionLevel(0x3C0001, true), 7);

    // And the files show it: a 1300 x 1100 true-colour picture is deflated
    // at level 7, the same picture with an index plane at level 9.
    test::TempDir dir;
    CImageBuffer photo = Gradient(1300, 1100);
    ASSERT_TRUE(WritePng(photo, dir.File("photo.png")));
    const auto photoData = test::ChunkData(test::ReadAll(dir.File("photo.png")), "IDAT");
    ASSERT_GT(photoData.size(), 2u);
    EXPECT_EQ(photoData[1] >> 6, 3);  // zlib header: one of the slow levels
    EXPECT_EQ(photoData, Recompressed(photoData, 7));
    EXPECT_NE(photoData, Recompressed(photoData, 9));

    CImageBuffer indexed = test::Indexed(1300, 1100, 200);
    std::vector<uint8_t> plane = indexed.IndexPlane();
    for (size_t i = 0; i < plane.size(); ++i) {  // long repeats at varying distances: the levels differ
        const size_t x = i % 1300, y = i / 1300;
        plane[i] = static_cast<uint8_t>(((x / 3) * (y / 5) + x % 17) % 200);
    }
    ASSERT_TRUE(indexed.SetIndexPlane(std::move(plane), 200));
    ASSERT_TRUE(WritePng(indexed, dir.File("indexed.png")));
    const auto indexedData = test::ChunkData(test::ReadAll(dir.File("indexed.png")), "IDAT");
    EXPECT_EQ(indexedData, Recompressed(indexedData, 9));
    EXPECT_NE(indexedData, Recompressed(indexedData, 7));
}

// A palette picture gets the fewest bits its colour count needs, true
// colour (0 colours here) 8-bit RGB; neither is interlaced, and each reads
// back as it was.
TEST(PngWriter, BitDepthAndColourTypeFollowThePicture)
{
    test::TempDir dir;
    const std::pair<int, int> cases[] = {{1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 4}, {16, 4}, {17, 8}, {256, 8}, {0, 8}};
    for (auto [colors, depth] : cases) {
        SCOPED_TRACE(colors);
        const CImageBuffer buf = colors ? test::Indexed(13, 7, colors) : Gradient(13, 7);  // 13: rows end mid-byte
        ASSERT_TRUE(WritePng(buf, dir.File("out.png")));
        const auto file = test::ReadAll(dir.File("out.png"));
        ASSERT_GT(file.size(), 33u);
        EXPECT_EQ(file[24], depth);            // header chunk: bit depth,
        EXPECT_EQ(file[25], colors ? 3 : 2);   // palette or RGB,
        EXPECT_EQ(file[28], 0);                // not interlaced
        CImageBuffer back;
        back.Load(dir.File("out.png"));
        EXPECT_EQ(back.ColorCount(), colors);
        EXPECT_EQ(back.IndexPlane(), buf.IndexPlane());
        EXPECT_TRUE(test::SamePixels(back, buf));
        EXPECT_TRUE(back.Red() == buf.Red() && back.Green() == buf.Green() && back.Blue() == buf.Blue());
    }
}

// Pixels and index plane of each kind of sample, top row first: alpha is
// composed on black; samples become eight bits and grey three equal bytes;
// warnings current libpng gives about what the old library took without a
// word do not stop the load.
TEST(PngReader, EverySampleLayoutBecomesEightBitRgb)
{
    const auto grey1 = MakePng({.width = 2, .colorType = PNG_COLOR_TYPE_GRAY, .depth = 1, .rows = {{0b10000000}}});
    const std::vector<uint8_t> whiteBlack{255, 255, 255, 0, 0, 0};
    std::vector<uint8_t> bits(60, 0);  // 10 x 2, the top row 1011000001
    for (int x : {0, 2, 3, 9})
        std::fill_n(bits.begin() + 3 * x, 3, 255);
    // 13 x 11 interlaced, in 2-bit palette indices (every pass reads into
    // the same rows, whether of the index plane or of the pixels).
    const uint32_t w = 13, h = 11;
    PngFileContent indexed{
        .width = w, .height = h, .colorType = PNG_COLOR_TYPE_PALETTE, .depth = 2, .interlaced = true};
    for (int i = 0; i < 4; ++i)
        indexed.palette.push_back({static_cast<png_byte>(i * 60), static_cast<png_byte>(255 - i * 50), 7});
    std::vector<uint8_t> plane, colours;
    for (uint32_t y = 0; y < h; ++y) {
        std::vector<uint8_t> packed((w * 2 + 7) / 8);
        for (uint32_t x = 0; x < w; ++x) {
            plane.push_back(static_cast<uint8_t>((x + 2 * y) % 4));
            packed[x / 4] |= static_cast<uint8_t>(plane.back() << (6 - 2 * (x % 4)));
            const png_color& c = indexed.palette[plane.back()];
            colours.insert(colours.end(), {c.red, c.green, c.blue});
        }
        indexed.rows.push_back(packed);
    }
    struct Case {
        const char* what;
        uint32_t width;
        std::vector<uint8_t> file, rgb, plane;
        int colors = 0;
    } cases[] = {
        {"RGBA", 3,
         MakePng({.width = 3, .colorType = PNG_COLOR_TYPE_RGBA,
                  .rows = {{255, 0, 0, 255, 0, 255, 0, 0, 255, 255, 255, 128}}}),
         {255, 0, 0, 0, 0, 0, 128, 128, 128}},
        {"grey and alpha", 2,
         MakePng({.width = 2, .colorType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {{200, 255, 200, 0}}}),
         {200, 200, 200, 0, 0, 0}},
        // A transparent palette entry keeps its index; its colour is black.
        {"palette alpha", 2,
         MakePng({.width = 2, .colorType = PNG_COLOR_TYPE_PALETTE, .rows = {{0, 1}},
                  .palette = {{10, 20, 30}, {200, 100, 50}}, .paletteAlpha = {255, 0}}),
         {10, 20, 30, 0, 0, 0}, {0, 1}, 2},
        // Indices past the palette: the colour count covers them, in black.
        {"index past the palette", 3,
         MakePng({.width = 3, .colorType = PNG_COLOR_TYPE_PALETTE, .rows = {{0, 1, 5}},
                  .palette = {{1, 2, 3}, {4, 5, 6}}}),
         {1, 2, 3, 4, 5, 6, 0, 0, 0}, {0, 1, 5}, 6},
        {"16-bit RGB", 1, MakePng({.depth = 16, .rows = {{0xAB, 0xCD, 0x01, 0x02, 0x80, 0xFF}}}), {0xAB, 0x01, 0x80}},
        {"1-bit grey", 10, MakePng({.width = 10, .height = 2, .colorType = PNG_COLOR_TYPE_GRAY, .depth = 1,
                                .rows = {{0b10110000, 0b01000000}, {0, 0}}}),
         bits},
        {"interlaced palette", w, MakePng(indexed), colours, plane, 4},
        {"broken colour profile", 2, WithChunk(grey1, Chunk("iCCP", {'x', 0, 0, 1, 2, 3, 4, 5})), whiteBlack},
        {"transparent grey beyond the depth", 2, WithChunk(grey1, Chunk("tRNS", {0, 2})), whiteBlack},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CImageBuffer buf = Read(c.file);
        EXPECT_EQ(buf.Width(), c.width);
        EXPECT_EQ(test::TopDownRgb(buf), c.rgb);
        EXPECT_EQ(buf.IndexPlane(), c.plane);
        EXPECT_EQ(buf.ColorCount(), c.colors);
    }
}

TEST(PngReader, StatedGammaIsCorrectedForTheScreen)
{
    PngFileContent grey{.width = 1, .colorType = PNG_COLOR_TYPE_GRAY};
    grey.rows = {{128}};
    EXPECT_EQ(Read(MakePng(grey)).Bits()[0], 128);  // no gamma chunk: as it is
    grey.gamma = 1.0;  // linear samples brighten on a 2.2 screen
    const uint8_t linear = Read(MakePng(grey)).Bits()[0];
    EXPECT_GT(linear, 180);
    EXPECT_LT(linear, 192);
    grey.gamma = 1 / 2.2;  // already for the screen
    EXPECT_NEAR(Read(MakePng(grey)).Bits()[0], 128, 1);
}

TEST(PngReader, APictureOverTheLimitLeavesAnEmptyBuffer)
{
    const auto good = MakePng({.width = 40, .height = 30, .rows = std::vector<std::vector<uint8_t>>(
                                                              30, std::vector<uint8_t>(120, 77))});
    ASSERT_FALSE(Read(good).IsEmpty());
    EXPECT_TRUE(Read(good, 40 * 30 - 1).IsEmpty());
}

}  // namespace
}  // namespace pix
