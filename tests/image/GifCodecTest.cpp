#include "image/GifCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "CodecTestHelpers.h"
#include "GifTestFiles.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
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
    std::string error;
};

Decoded Decode(const std::vector<uint8_t>& file, uint64_t maxPixels = kMaxPixels)
{
    Decoded d;
    CGifFile gif;
    d.rgb = gif.ReadBytes(file, "pic.gif", d.width, d.height, maxPixels);
    d.error = gif.ErrorText();
    return d;
}

Rgb Pixel(const Decoded& d, uint32_t x, uint32_t y)
{
    const uint8_t* p = d.rgb.data() + (static_cast<size_t>(y) * d.width + x) * 3;
    return {{p[0], p[1], p[2]}};
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

TEST(GifRead, DecodesEveryCodeSizeWithGlobalOrLocalTable)
{
    for (int codeSize = 2; codeSize <= 8; ++codeSize) {
        SCOPED_TRACE(codeSize);
        // Long enough to pass several code widths and one table reset.
        std::vector<int> pixels;
        for (int i = 0; i < 5000; ++i)
            pixels.push_back((i * 7 + i / 13) % 4);
        GifBuilder g("89a", 100, 50, kFour);
        g.Image(100, 50, pixels, codeSize).Trailer();
        Decoded d = Decode(g.bytes);
        ASSERT_EQ(d.width, 100u);
        ASSERT_EQ(d.height, 50u);
        EXPECT_EQ(AsIndices(d, kFour), pixels);
    }
    // A local table replaces the global one for its image.
    const std::vector<Rgb> local = {{{1, 2, 3}}, {{4, 5, 6}}};
    GifBuilder g("87a", 4, 1, kFour);
    g.Image(4, 1, {1, 0, 1, 0}, 2, local).Trailer();
    Decoded d = Decode(g.bytes);
    EXPECT_EQ(AsIndices(d, local), (std::vector<int>{1, 0, 1, 0}));
}

TEST(GifRead, TakesTheFirstImageAtItsOwnSizeAndSkipsExtensions)
{
    GifBuilder g("89a", 40, 30, kFour);
    g.Comment("made by hand").Transparency(2);
    g.Image(3, 2, {0, 1, 2, 3, 2, 1});
    g.Image(3, 2, {3, 3, 3, 3, 3, 3}).Trailer();
    Decoded d = Decode(g.bytes);
    ASSERT_EQ(d.width, 3u);  // the image's size, not the screen's
    ASSERT_EQ(d.height, 2u);
    // The transparent index keeps its table colour; the second image is
    // never read.
    EXPECT_EQ(AsIndices(d, kFour), (std::vector<int>{0, 1, 2, 3, 2, 1}));

    // Unknown bytes between blocks are skipped.
    GifBuilder s("89a", 2, 1, kFour);
    s.bytes.insert(s.bytes.end(), {0x00, 0x42, 0x17});
    s.Image(2, 1, {3, 1}).Trailer();
    EXPECT_EQ(AsIndices(Decode(s.bytes), kFour), (std::vector<int>{3, 1}));
}

TEST(GifRead, InterlacedRowsLandInTheirPlaces)
{
    // Eleven rows, stored in the order of the four passes.
    const uint32_t height = 11;
    const std::vector<uint32_t> order = {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9};
    std::vector<Rgb> table;
    for (int i = 0; i < 16; ++i)
        table.push_back({{static_cast<uint8_t>(i * 10), 0, 0}});
    std::vector<int> stored;
    for (uint32_t r : order)
        for (int x = 0; x < 2; ++x)
            stored.push_back(static_cast<int>(r));
    GifBuilder g("89a", 2, height, table);
    g.Image(2, height, stored, 4, {}, true).Trailer();

    // Through Load, so the rows also come out of the buffer the right way up.
    test::TempDir dir;
    test::WriteAll(dir.File("interlaced.gif"), g.bytes);
    CImageBuffer buf;
    buf.Load(dir.File("interlaced.gif"));
    ASSERT_EQ(buf.Width(), 2u);
    ASSERT_EQ(buf.Height(), height);
    EXPECT_FALSE(buf.HasIndexPlane());
    for (uint32_t top = 0; top < height; ++top) {
        uint8_t r, gr, b;
        buf.GetPixel(1, height - 1 - top, r, gr, b);
        EXPECT_EQ(r, top * 10) << "row " << top;
    }
}

TEST(GifRead, NonSquarePixelsAreNotedAndStillLoad)
{
    // Aspect 0 says nothing, 49 is square, 17 is wide.
    const std::string untroubled = CGifFile().ErrorText();
    for (uint8_t aspect : {0, 49, 17}) {
        GifBuilder g("89a", 2, 1, kFour, aspect);
        g.Image(2, 1, {0, 1}).Trailer();
        const Decoded d = Decode(g.bytes);
        EXPECT_EQ(d.width, 2u);
        EXPECT_EQ(d.error == untroubled, aspect != 17) << int{aspect};
    }
}

TEST(GifRead, DamagedRastersEndSafely)
{
    const std::vector<int> pixels = {1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3};
    // Data cut short: the decoded part stands, the rest stays black.
    GifBuilder full("89a", 4, 3, kFour);
    full.Image(4, 3, pixels, 2);
    for (size_t keep : {size_t{5}, size_t{2}}) {
        // Header, table, descriptor, code size, block length, 'keep' bytes.
        const size_t rasterStart = 13 + 12 + 10 + 1 + 1;
        std::vector<uint8_t> cut(full.bytes.begin(), full.bytes.begin() + static_cast<ptrdiff_t>(rasterStart + keep));
        Decoded d = Decode(cut);
        ASSERT_EQ(d.width, 4u) << keep;
        std::vector<int> got = AsIndices(d, kFour);
        int decoded = 0;
        while (decoded < 12 && got[decoded] == pixels[decoded])
            ++decoded;
        EXPECT_GT(decoded, 0);
        EXPECT_LT(decoded, 12);
        for (int i = decoded; i < 12; ++i)
            EXPECT_EQ(Pixel(d, i % 4, i / 4), (Rgb{{0, 0, 0}}));
    }

    // A code naming an entry that does not exist yet ends the raster there:
    // after three single-pixel codes the table ends at entry 7 and codes
    // are four bits wide, so 15 names nothing.
    auto bad = GifBuilder::LiteralCodeList({1, 2, 3}, 2, false);
    bad.push_back({15, 4});
    GifBuilder outOfRange("89a", 4, 1, kFour);
    outOfRange.RawImage(4, 1, 2, bad).Trailer();
    Decoded o = Decode(outOfRange.bytes);
    ASSERT_EQ(o.width, 4u);
    EXPECT_EQ(AsIndices(o, kFour), (std::vector<int>{1, 2, 3, -1}));
    EXPECT_EQ(Pixel(o, 3, 0), (Rgb{{0, 0, 0}}));

    // Code sizes the decoder cannot start with give no picture.
    for (int size : {0, 12, 13, 200}) {
        GifBuilder g("89a", 2, 1, kFour);
        g.RawImage(2, 1, size, {});
        EXPECT_TRUE(Decode(g.bytes).rgb.empty()) << size;
    }

    // Indices beyond the table, or no table at all, are black.
    GifBuilder noTable("87a", 3, 1, {});
    noTable.Image(3, 1, {0, 1, 2}, 2).Trailer();
    Decoded n = Decode(noTable.bytes);
    ASSERT_EQ(n.rgb.size(), 9u);
    EXPECT_EQ(n.rgb, std::vector<uint8_t>(9, 0));
}

TEST(GifRead, SizesAreCheckedBeforeAllocating)
{
    // Zero-sized images load nothing.
    GifBuilder zero("89a", 2, 1, kFour);
    zero.RawImage(0, 5, 2, {{4, 3}, {5, 3}}).Trailer();
    EXPECT_TRUE(Decode(zero.bytes).rgb.empty());

    // A picture larger than its data loads with the data's part when it is
    // of a sensible size...
    GifBuilder modest("89a", 2, 1, kFour);
    modest.Image(1000, 1000, {3, 3}, 2).Trailer();
    Decoded m = Decode(modest.bytes);
    ASSERT_EQ(m.width, 1000u);
    EXPECT_EQ(Pixel(m, 1, 0), kFour[3]);
    EXPECT_EQ(Pixel(m, 2, 0), (Rgb{{0, 0, 0}}));
    // ... but a few bytes cannot claim a huge picture.
    GifBuilder huge("89a", 2, 1, kFour);
    huge.Image(65535, 4096, {3, 3}, 2).Trailer();
    EXPECT_TRUE(Decode(huge.bytes).rgb.empty());
    // The caller's own cap.
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

struct Palette {
    std::array<uint8_t, 256> r{}, g{}, b{};
    Palette()
    {
        for (int i = 0; i < 256; ++i) {
            r[i] = static_cast<uint8_t>(i);
            g[i] = static_cast<uint8_t>(255 - i);
            b[i] = static_cast<uint8_t>(i * 7);
        }
    }
};

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
    Palette pal;
    const uint8_t plane[6] = {0, 1, 1, 0, 1, 0};
    // Screen 3 x 2, a global table of 256 entries, background 5.
    std::vector<uint8_t> expected = {'G', 'I', 'F', '8', '7', 'a', 3, 0, 2, 0, 0xE7, 5, 0};
    for (int i = 0; i < 256; ++i)
        expected.insert(expected.end(), {pal.r[i], pal.g[i], pal.b[i]});
    // The image at 0,0, 3 x 2, no local table; code size 8, then one
    // sub-block of the 9-bit codes clear, 0, 1, 1, 258 (0 1), 0, end.
    expected.insert(expected.end(), {',', 0, 0, 0, 0, 3, 0, 2, 0, 0, 8,
                                     8, 0x00, 0x01, 0x04, 0x08, 0x20, 0x10, 0x40, 0x40, 0, ';'});
    EXPECT_EQ(CGifFile::Encode(plane, 3, 2, 5, pal.r.data(), pal.g.data(), pal.b.data()), expected);
}

TEST(GifWrite, LzwRoundTripsThroughTableResetsAndPackets)
{
    Palette pal;
    for (auto [w, h] : {std::pair{1u, 1u}, std::pair{300u, 200u}, std::pair{1u, 5000u}, std::pair{777u, 3u}}) {
        SCOPED_TRACE(w * h);
        std::vector<uint8_t> plane = NoisyPlane(w, h, w + h);
        std::vector<uint8_t> file = CGifFile::Encode(plane.data(), w, h, 0, pal.r.data(), pal.g.data(), pal.b.data());
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
    std::vector<uint8_t> file = CGifFile::Encode(flat.data(), 1000, 100, 0, pal.r.data(), pal.g.data(), pal.b.data());
    EXPECT_LT(file.size(), 2000u);
    std::vector<uint16_t> got = DecodeIndices(file, flat.size());
    EXPECT_EQ(got, std::vector<uint16_t>(flat.begin(), flat.end()));
}

// A 256-colour picture of a noisy plane.
CImageBuffer NoisyIndexed(uint32_t w, uint32_t h, unsigned seed)
{
    CImageBuffer buf = test::Indexed(w, h, 256);
    std::vector<uint8_t> plane = NoisyPlane(w, h, seed);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t i = plane[static_cast<size_t>(y) * w + x];
            buf.SetPixel(x, h - 1 - y, buf.Red()[i], buf.Green()[i], buf.Blue()[i]);
        }
    EXPECT_TRUE(buf.SetIndexPlane(std::move(plane), 256));
    return buf;
}

TEST(GifWrite, PicturesWithAnIndexPlaneRoundTrip)
{
    test::TempDir dir;
    for (CImageBuffer& buf : std::vector{test::Indexed(1, 1, 256), test::Indexed(5, 3, 1), NoisyIndexed(64, 48, 3)}) {
        SCOPED_TRACE(buf.Width());
        const std::vector<uint8_t> plane = buf.IndexPlane();
        test::RecordingPrompter prompter;
        buf.Save(dir.File("out.gif"), prompter);
        EXPECT_TRUE(prompter.texts.empty());
        EXPECT_EQ(buf.IndexPlane(), plane);  // saved as it stands
        CImageBuffer back;
        back.Load(dir.File("out.gif"));
        ASSERT_FALSE(back.IsEmpty());
        EXPECT_FALSE(back.HasIndexPlane());
        EXPECT_TRUE(test::SamePixels(buf, back));
    }
}

TEST(GifWrite, FailuresAreReportedAndKeepTheOldFile)
{
    test::TempDir dir;
    const std::string path = dir.File("keep.gif");
    test::WriteAll(path, {'o', 'l', 'd'});
    CImageBuffer plain = test::Gradient(4, 4);  // no index plane: this layer's writer cannot reduce colours
    CImageBuffer noisy = NoisyIndexed(300, 200, 9);
    CImageBuffer wide = test::Indexed(70000, 1, 2);
    test::RecordingPrompter prompter;
    WriteGif(plain, path, prompter);
    WriteGif(noisy, dir.File("no/such/folder.gif"), prompter);
    {
        test::FileSizeLimit limit(4000);  // the disk fills up part way
        WriteGif(noisy, path, prompter);
    }
    WriteGif(wide, path, prompter);
    EXPECT_EQ(prompter.ids, (std::vector<MsgId>{MsgId::GifNeeds256Colors, MsgId::GifCantOpenForWriting,
                                                MsgId::GifWriteError, MsgId::GifTooLarge}));
    EXPECT_EQ(test::ReadAll(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(test::CountEntries(dir.Path()), 1u);  // no temporary files left
}

// Another decoder (giftext from giflib) reads our files to exactly our
// index plane and palette.
TEST(GifWrite, GiflibDecodesOurFilesToTheSameIndicesAndPalette)
{
    if (std::system("command -v giftext >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "giftext (giflib-tools) not installed";
    test::TempDir dir;
    // The last one has tens of thousands of pairs.
    for (CImageBuffer& buf : std::vector{test::Indexed(1, 1, 256), test::Indexed(9, 4, 256), NoisyIndexed(320, 240, 11)}) {
        SCOPED_TRACE(buf.Width());
        test::RecordingPrompter prompter;
        const std::string path = dir.File("ours.gif");
        buf.Save(path, prompter);
        ASSERT_TRUE(prompter.texts.empty());

        const std::string raw = dir.File("raw.bin");
        ASSERT_EQ(std::system(("giftext -r '" + path + "' > '" + raw + "' 2>/dev/null").c_str()), 0);
        EXPECT_EQ(test::ReadAll(raw), buf.IndexPlane());

        const std::string text = dir.File("map.txt");
        ASSERT_EQ(std::system(("giftext -c '" + path + "' > '" + text + "' 2>/dev/null").c_str()), 0);
        std::vector<uint8_t> listing = test::ReadAll(text);
        std::string s(listing.begin(), listing.end());
        // After "Sort Flag: off" come the entries, "  i: RRh GGh BBh".
        size_t at = s.find("Sort Flag:");
        ASSERT_NE(at, std::string::npos);
        const char* p = s.c_str() + s.find('\n', at);
        int entries = 0;
        int index = 0, used = 0;
        unsigned r = 0, g = 0, b = 0;
        while (std::sscanf(p, " %d: %xh %xh %xh%n", &index, &r, &g, &b, &used) == 4) {
            ASSERT_EQ(index, entries);
            EXPECT_EQ(r, buf.Red()[index]);
            EXPECT_EQ(g, buf.Green()[index]);
            EXPECT_EQ(b, buf.Blue()[index]);
            ++entries;
            p += used;
        }
        EXPECT_EQ(entries, 256);
    }
}

}  // namespace
}  // namespace pix
