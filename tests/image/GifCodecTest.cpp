#include "image/GifCodec.h"

#include <gtest/gtest.h>

#include <random>

#include "CodecTestHelpers.h"
#include "GifTestFiles.h"
#include "image/CImageBuffer.h"
#include "image/GifLzw.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::GifBuilder;
using test::Rgb;

const std::vector<Rgb> kFour = {{{10, 20, 30}}, {{200, 0, 0}}, {{0, 200, 0}}, {{0, 0, 200}}};

struct Decoded {
    std::vector<uint8_t> rgb;
    uint32_t width = 0;
    uint32_t height = 0;
};

Decoded Decode(const std::vector<uint8_t>& file, uint64_t maxPixels = kMaxPixels)
{
    Decoded d;
    CGifFile gif;
    d.rgb = gif.ReadBytes(file, "pic.gif", d.width, d.height, maxPixels);
    return d;
}

// The colours of a decoded picture as palette indices of table (-1 when
// the colour is not in it).
std::vector<int> AsIndices(const Decoded& d, const std::vector<Rgb>& table)
{
    std::vector<int> out;
    for (size_t i = 0; i + 2 < d.rgb.size(); i += 3) {
        int found = -1;
        for (size_t t = 0; t < table.size() && found < 0; ++t)
            if (table[t] == Rgb{{d.rgb[i], d.rgb[i + 1], d.rgb[i + 2]}})
                found = static_cast<int>(t);
        out.push_back(found);
    }
    return out;
}

TEST(GifRead, DecodesEveryCodeSize)
{
    // Long enough to pass several code widths and one table reset.
    std::vector<int> pixels;
    for (int i = 0; i < 5000; ++i)
        pixels.push_back((i * 7 + i / 13) % 4);
    for (int codeSize = 2; codeSize <= 8; ++codeSize) {
        GifBuilder g("89a", 100, 50, kFour);
        g.Image(100, 50, pixels, codeSize).Trailer();
        const Decoded d = Decode(g.bytes);
        EXPECT_TRUE(d.width == 100 && d.height == 50) << codeSize;
        EXPECT_EQ(AsIndices(d, kFour), pixels) << codeSize;
    }
}

// The first image at its own size, not the screen's: extensions and stray
// bytes before it are skipped, its transparent index keeps its colour, a
// local table replaces the global one, and interlaced rows land in their
// places.
TEST(GifRead, TakesTheFirstImageWithItsOwnSizeTableAndRowOrder)
{
    const std::vector<Rgb> local = {{{1, 2, 3}}, {{4, 5, 6}}};
    std::vector<Rgb> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.push_back({{static_cast<uint8_t>(i * 10), 0, 0}});
    std::vector<int> passes, rows;  // eleven rows of two pixels, row r in colour r
    for (int r : {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9})
        passes.insert(passes.end(), 2, r);
    for (int r = 0; r < 11; ++r)
        rows.insert(rows.end(), 2, r);
    GifBuilder first("89a", 40, 30, kFour), stray("89a", 2, 1, kFour), withLocal("87a", 4, 1, kFour),
        interlaced("89a", 2, 11, sixteen);
    first.Comment("made by hand").Transparency(2).Image(3, 2, {0, 1, 2, 3, 2, 1}).Image(3, 2, {3, 3, 3, 3, 3, 3});
    stray.bytes.insert(stray.bytes.end(), {0x00, 0x42, 0x17});
    stray.Image(2, 1, {3, 1});
    withLocal.Image(4, 1, {1, 0, 1, 0}, 2, local);
    interlaced.Image(2, 11, passes, 4, {}, true);
    struct Case {
        const char* what;
        const GifBuilder& gif;
        const std::vector<Rgb>& table;
        uint32_t width, height;
        std::vector<int> indices;
    } cases[] = {
        {"first of two", first.Trailer(), kFour, 3, 2, {0, 1, 2, 3, 2, 1}},
        {"stray bytes", stray.Trailer(), kFour, 2, 1, {3, 1}},
        {"local table", withLocal.Trailer(), local, 4, 1, {1, 0, 1, 0}},
        {"interlaced", interlaced.Trailer(), sixteen, 2, 11, rows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Decoded d = Decode(c.gif.bytes);
        EXPECT_TRUE(d.width == c.width && d.height == c.height) << d.width << "x" << d.height;
        EXPECT_EQ(AsIndices(d, c.table), c.indices);
    }
}

// A raster that ends early keeps what was decoded; the rest, and indices
// beyond the table, are black (-1 here). A large image that a few bytes of
// data could never fill gives no picture (images of no size and code sizes
// the decoder cannot start with are in fuzz/refused/gif).
TEST(GifRead, DamagedRastersKeepWhatWasDecoded)
{
    GifBuilder full("89a", 4, 3, kFour);
    full.Image(4, 3, {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3}, 2);
    const size_t rasterStart = 13 + 12 + 10 + 1 + 1;  // header, table, descriptor, code size, block length
    auto cut = [&](size_t keep) {
        return std::vector<uint8_t>(full.bytes.begin(), full.bytes.begin() + static_cast<long>(rasterStart + keep));
    };
    // After the clear code and three 3-bit codes the table ends at entry 7
    // and codes are four bits wide, so 15 names nothing.
    GifBuilder outOfRange("89a", 4, 1, kFour);
    outOfRange.RawImage(4, 1, 2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {15, 4}}).Trailer();
    GifBuilder noTable("87a", 3, 1, {}), huge("89a", 2, 1, kFour);
    noTable.Image(3, 1, {0, 1, 2}, 2).Trailer();
    huge.Image(65535, 4096, {3, 3}, 2).Trailer();
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::vector<int> indices;
    } cases[] = {
        // 12 bits of 3-bit codes, then 4-bit ones: 40 bits hold 10 pixels.
        {"cut after 5 bytes", cut(5), {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, -1, -1}},
        {"code naming no entry", outOfRange.bytes, {1, 2, 3, -1}},
        {"no table", noTable.bytes, {-1, -1, -1}},
        {"huge for its data", huge.bytes, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AsIndices(Decode(c.file), kFour), c.indices) << c.what;
}

// A picture larger than its data loads with the data's part when it is of
// a sensible size, within the caller's cap.
TEST(GifRead, APictureLargerThanItsDataKeepsItsSize)
{
    GifBuilder modest("89a", 2, 1, kFour);
    modest.Image(1000, 1000, {3, 3}, 2).Trailer();
    const Decoded m = Decode(modest.bytes);
    ASSERT_EQ(m.width, 1000u);
    const std::vector<int> got = AsIndices(m, kFour);
    EXPECT_TRUE(got[1] == 3 && got[2] == -1);
    EXPECT_TRUE(Decode(modest.bytes, 999999).rgb.empty());
}

// A 256-colour index plane whose neighbouring pixels form many thousands of
// different pairs, so the encoder has to reset its table.
std::vector<uint8_t> NoisyPlane(uint32_t w, uint32_t h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < plane.size(); ++i)
        plane[i] = (i / w) % 7 == 0 ? static_cast<uint8_t>(i % 3) : static_cast<uint8_t>(rng() & 0xFF);
    return plane;
}

// The indices of our decoder straight from an encoded file.
std::vector<uint16_t> DecodeIndices(const std::vector<uint8_t>& file, size_t count)
{
    const size_t rasterAt = 13 + 768 + 10;
    ByteReader in(file.data() + rasterAt + 1, file.size() - rasterAt - 1);
    GifLzwDecoder decoder;
    EXPECT_TRUE(decoder.Start(in, file[rasterAt]));
    std::vector<uint16_t> out;
    uint16_t v = 0;
    while (out.size() <= count && decoder.Next(v))
        out.push_back(v);
    return out;
}

TEST(GifWrite, FileIsGif87aWithAFullTableAndCodeSize8)
{
    const CImageBuffer pal = test::Indexed(1, 1, 256);
    const uint8_t plane[6] = {0, 1, 1, 0, 1, 0};
    // Screen 3 x 2, a global table of 256 entries, background 5.
    std::vector<uint8_t> expected = {'G', 'I', 'F', '8', '7', 'a', 3, 0, 2, 0, 0xE7, 5, 0};
    for (int i = 0; i < 256; ++i)
        expected.insert(expected.end(), {pal.Red()[i], pal.Green()[i], pal.Blue()[i]});
    // The image at 0,0, 3 x 2, no local table; code size 8, then one
    // sub-block of the 9-bit codes clear, 0, 1, 1, 258 (0 1), 0, end.
    expected.insert(expected.end(), {',', 0, 0, 0, 0, 3, 0, 2, 0, 0, 8,
                                     8, 0x00, 0x01, 0x04, 0x08, 0x20, 0x10, 0x40, 0x40, 0, ';'});
    EXPECT_EQ(CGifFile::Encode(plane, 3, 2, 5, pal.Red().data(), pal.Green().data(), pal.Blue().data()), expected);
}

TEST(GifWrite, LzwRoundTripsThroughTableResetsAndPackets)
{
    const CImageBuffer pal = test::Indexed(1, 1, 256);
    for (auto [w, h] : {std::pair{1u, 1u}, std::pair{300u, 200u}, std::pair{1u, 5000u}, std::pair{777u, 3u}}) {
        SCOPED_TRACE(w * h);
        std::vector<uint8_t> plane = NoisyPlane(w, h, w + h);
        const std::vector<uint8_t> file =
            CGifFile::Encode(plane.data(), w, h, 0, pal.Red().data(), pal.Green().data(), pal.Blue().data());
        std::vector<uint16_t> got = DecodeIndices(file, plane.size());
        ASSERT_EQ(got.size(), plane.size());
        EXPECT_TRUE(std::equal(got.begin(), got.end(), plane.begin()));
        // Every data sub-block but the last holds 254 bytes.
        size_t at = 13 + 768 + 11;
        while (file[at] != 0) {
            const size_t length = file[at];
            at += length + 1;
            if (file[at] != 0) {
                EXPECT_EQ(length, 254u);
            }
        }
        EXPECT_EQ(at, file.size() - 2);
    }
    // Long runs of one colour use the longest codes.
    std::vector<uint8_t> flat(100000, 9);
    const std::vector<uint8_t> file =
        CGifFile::Encode(flat.data(), 1000, 100, 0, pal.Red().data(), pal.Green().data(), pal.Blue().data());
    EXPECT_LT(file.size(), 2000u);
    std::vector<uint16_t> got = DecodeIndices(file, flat.size());
    EXPECT_EQ(got, std::vector<uint16_t>(flat.begin(), flat.end()));
}

}  // namespace
}  // namespace pix
