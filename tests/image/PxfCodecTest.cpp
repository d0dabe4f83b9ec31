#include "image/PxfCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "image/AdaptiveHuffman.h"
#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

uint32_t WordAt(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Bits laid into a word from bit `first` upward, most significant first:
// how a code of count bits appears in the file.
uint32_t MsbFirstAt(uint32_t value, int count, int first)
{
    uint32_t word = 0;
    for (int i = 0; i < count; ++i)
        word |= ((value >> (count - 1 - i)) & 1u) << (first + i);
    return word;
}

CImageBuffer Noise(uint32_t w, uint32_t h, uint32_t seed)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    std::mt19937 rng(seed);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()));
    return buf;
}

// Smooth ramps with a little grain: mostly small residuals and some runs.
CImageBuffer Smooth(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    std::mt19937 rng(7);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t grain = (x / 8 + y / 8) % 3 == 0 ? static_cast<uint8_t>(rng() % 3) : 0;
            buf.SetPixel(x, y, static_cast<uint8_t>(x + grain), static_cast<uint8_t>(x / 2 + y),
                         static_cast<uint8_t>(200 - y / 3));
        }
    return buf;
}

void ExpectSamePixels(const CImageBuffer& a, const CImageBuffer& b)
{
    ASSERT_FALSE(b.IsEmpty());
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (uint32_t y = 0; y < a.Height(); ++y)
        ASSERT_EQ(std::memcmp(a.Row(y), b.Row(y), a.Width() * 3), 0) << "row " << y;
}

CImageBuffer RoundTrip(const CImageBuffer& buf)
{
    CImageBuffer back;
    ReadPxfBytes(EncodePxf(buf), back);
    return back;
}

TEST(PxfRoundTrip, OddAndEvenWidthsTinyOneColourNoiseAndSmooth)
{
    const std::pair<uint32_t, uint32_t> sizes[] = {{1, 1}, {2, 1}, {1, 2}, {3, 3}, {4, 2}, {5, 7}, {16, 9}, {33, 17}, {300, 4}};
    uint32_t seed = 1;
    for (auto [w, h] : sizes) {
        SCOPED_TRACE(testing::Message() << w << " x " << h);
        ++seed;
        ExpectSamePixels(Noise(w, h, seed), RoundTrip(Noise(w, h, seed)));
        ExpectSamePixels(Smooth(w, h), RoundTrip(Smooth(w, h)));
        ExpectSamePixels(test::SolidPicture(w, h, 12, 200, 77), RoundTrip(test::SolidPicture(w, h, 12, 200, 77)));
    }
    // Large enough for every symbol to be seen, so the escape node goes away.
    CImageBuffer big = Noise(257, 131, 99);
    ExpectSamePixels(big, RoundTrip(big));
}

TEST(PxfRoundTrip, ThroughTheFormatTableAndWithoutThePalette)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer buf = Smooth(21, 10);
    std::vector<uint8_t> plane(21 * 10, 3);
    buf.Red()[3] = 1;
    ASSERT_TRUE(buf.SetIndexPlane(std::move(plane), 4));
    const std::string path = dir.File("pic.PXF");
    buf.Save(path, prompter);
    EXPECT_TRUE(prompter.texts.empty());
    EXPECT_EQ(test::ReadAll(path), EncodePxf(buf));
    CImageBuffer back;
    back.Load(path);
    ExpectSamePixels(buf, back);
    EXPECT_FALSE(back.HasIndexPlane());
}

TEST(PxfRoundTrip, CorpusPhotos)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty() || !std::filesystem::is_directory(corpus / "photos"))
        GTEST_SKIP() << "no corpus photos";
    int tried = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus / "photos")) {
        if (entry.path().extension() != ".jpg")
            continue;
        CImageBuffer photo;
        photo.Load(entry.path().string(), 512, 512);  // a reduced-scale decode keeps this quick
        ASSERT_FALSE(photo.IsEmpty()) << entry.path();
        const std::vector<uint8_t> file = EncodePxf(photo);
        CImageBuffer back;
        ReadPxfBytes(file, back);
        ExpectSamePixels(photo, back);
        // A photo compresses: well under the 24 bits per pixel it holds.
        EXPECT_LT(file.size() * 8.0 / (photo.Width() * photo.Height()), 20.0) << entry.path();
        ++tried;
    }
    EXPECT_GT(tried, 0);
}

TEST(PxfLayout, OnePixelCodesEachPlaneInOneWord)
{
    CImageBuffer buf = test::SolidPicture(1, 1, 200, 50, 10);
    const std::vector<uint8_t> file = EncodePxf(buf);
    ASSERT_EQ(file.size(), 24u);
    EXPECT_EQ(std::memcmp(file.data(), "PXF!", 4), 0);
    EXPECT_EQ(WordAt(file, 4), 1u);
    EXPECT_EQ(WordAt(file, 8), 1u);
    // The lone residual is the value itself: a literal 256 + V, sent as its
    // position among all 512 unseen symbols in 9 bits.
    EXPECT_EQ(WordAt(file, 12), MsbFirstAt(256 + 50, 9, 0));               // green
    EXPECT_EQ(WordAt(file, 16), MsbFirstAt(256 + ((10 - 50) & 255), 9, 0));  // blue - green
    EXPECT_EQ(WordAt(file, 20), MsbFirstAt(256 + 150, 9, 0));              // red - green
}

TEST(PxfLayout, RunsEscapesAndSeenSymbols)
{
    // Grey 3 x 1: green residuals g, 0, 0 -> literal 256 + g, then a run of
    // two zeros (symbol 1) sent as the escape path "0" (left of the root)
    // and its position 1 among the 511 still unseen, in 9 bits.
    {
        const std::vector<uint8_t> file = EncodePxf(test::SolidPicture(3, 1, 90, 90, 90));
        ASSERT_EQ(file.size(), 24u);
        EXPECT_EQ(WordAt(file, 12), MsbFirstAt(256 + 90, 9, 0) | MsbFirstAt(1, 9, 10));
        EXPECT_EQ(WordAt(file, 16), MsbFirstAt(2, 9, 0));  // three zeros: symbol 2
        EXPECT_EQ(WordAt(file, 20), MsbFirstAt(2, 9, 0));
    }
    // Grey 600 x 1: the colour planes are 600 zeros = runs of 256, 256, 88:
    // symbol 255 (9 bits), 255 again (its leaf is the root's right child:
    // "1"), then 87 (escape "0" + position 87 in 9 bits).
    {
        const std::vector<uint8_t> file = EncodePxf(test::SolidPicture(600, 1, 5, 5, 5));
        ASSERT_GE(file.size(), 12u + 4);
        const size_t plane3 = file.size() - 4;
        const uint32_t expected = MsbFirstAt(255, 9, 0) | MsbFirstAt(1, 1, 9) | MsbFirstAt(87, 9, 11);
        EXPECT_EQ(WordAt(file, plane3), expected);
        EXPECT_EQ(WordAt(file, plane3 - 4), expected);
    }
}

TEST(PxfLayout, ResidualSignFlipsOnTheCheckerboard)
{
    // Green 0 then 5: residuals 0 and 5. The second pixel sits on an odd
    // square (x = 1, y = 0 or x = 0, y = 1) and is stored as -5 = 251.
    const uint32_t expected = MsbFirstAt(256, 9, 0) | MsbFirstAt(256 + 251 - 1, 9, 10);
    CImageBuffer across = test::SolidPicture(2, 1, 0, 0, 0);
    across.SetPixel(1, 0, 5, 5, 5);
    CImageBuffer up = test::SolidPicture(1, 2, 0, 0, 0);
    up.SetPixel(0, 1, 5, 5, 5);
    for (const CImageBuffer* buf : {&across, &up}) {
        const std::vector<uint8_t> file = EncodePxf(*buf);
        ASSERT_EQ(file.size(), 24u);
        EXPECT_EQ(WordAt(file, 12), expected);
        ExpectSamePixels(*buf, RoundTrip(*buf));
    }
    // A picture equal to its prediction everywhere but the first row and
    // column codes nothing but runs after them, whatever the flip.
    CImageBuffer plane;
    ASSERT_TRUE(plane.Create(64, 64));
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            plane.SetPixel(x, y, 0, static_cast<uint8_t>(3 * x + 5 * y), 0);
    const std::vector<uint8_t> file = EncodePxf(plane);
    EXPECT_LT(file.size(), 200u);  // of 12 KB of pixels
    ExpectSamePixels(plane, RoundTrip(plane));
}

TEST(PxfReader, RefusesForeignTruncatedAndHostileFiles)
{
    const std::vector<uint8_t> good = EncodePxf(Smooth(7, 5));
    CImageBuffer buf;
    ReadPxfBytes(good, buf);
    ASSERT_FALSE(buf.IsEmpty());

    for (size_t length = 0; length < good.size(); ++length) {
        ReadPxfBytes({good.data(), length}, buf);
        EXPECT_TRUE(buf.IsEmpty()) << "truncated to " << length;
    }
    for (int i = 0; i < 4; ++i) {
        std::vector<uint8_t> foreign = good;
        foreign[i] ^= 0x20;
        ReadPxfBytes(foreign, buf);
        EXPECT_TRUE(buf.IsEmpty()) << "magic byte " << i;
    }
    // Sizes that are refused, or that the file is far too short to hold.
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{0, 5}, {7, 0}, {1u << 16, 1u << 13}, {4000, 3000}}) {
        std::vector<uint8_t> big = good;
        std::memcpy(big.data() + 4, &w, 4);
        std::memcpy(big.data() + 8, &h, 4);
        ReadPxfBytes(big, buf);
        EXPECT_TRUE(buf.IsEmpty()) << w << " x " << h;
    }
    // A position past the end of the unseen list (511 of 511 left).
    {
        std::vector<uint8_t> hostile = {'P', 'X', 'F', '!', 1, 0, 0, 0, 2, 0, 0, 0};
        WordBitWriter bits(hostile);
        bits.PutBitsMsbFirst(300, 9);
        bits.PutBit(0);
        bits.PutBitsMsbFirst(511, 9);
        bits.Finish();
        hostile.resize(hostile.size() + 8, 0);
        ReadPxfBytes(hostile, buf);
        EXPECT_TRUE(buf.IsEmpty());
    }
}

TEST(PxfWriter, ReportsAFileItCannotWriteAndKeepsTheOldOne)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer buf = Smooth(4, 4);
    buf.Save(dir.File("missing/folder/pic.pxf"), prompter);
    ASSERT_EQ(prompter.ids.size(), 1u);
    EXPECT_EQ(prompter.ids[0], MsgId::PxfWriteFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing/folder/pic.pxf")));
}

// The coder's tree after every symbol: weights never decrease up the order,
// each inner node weighs its children's sum, links agree, and the escape
// node is the lowest and weighs 0. Coding and decoding agree throughout.
TEST(AdaptiveHuffmanTree, KeepsTheSiblingPropertyAndDecodesWhatItCoded)
{
    std::mt19937 rng(5);
    std::vector<int> symbols;
    for (int i = 0; i < 6000; ++i) {
        // Skewed toward a few symbols, with every symbol turning up at last.
        const int s = i % 7 == 0 ? static_cast<int>(rng() % 512) : static_cast<int>(256 + (rng() % 9) * (rng() % 3));
        symbols.push_back(s);
    }
    for (int s = 0; s < 512; ++s)
        symbols.push_back(s);

    AdaptiveHuffman coder;
    std::vector<uint8_t> bytes;
    WordBitWriter out(bytes);
    for (size_t i = 0; i < symbols.size(); ++i) {
        coder.Encode(symbols[i], out);
        const int n = coder.NodeCount();
        for (int node = 1; node < n; ++node)
            ASSERT_GE(coder.Weight(node - 1), coder.Weight(node)) << "after symbol " << i;
        for (int node = 0; node < n; ++node) {
            if (coder.Child(node, 0) < 0)
                continue;
            const int l = coder.Child(node, 0);
            const int r = coder.Child(node, 1);
            ASSERT_EQ(coder.Parent(l), node);
            ASSERT_EQ(coder.Parent(r), node);
            ASSERT_EQ(coder.Weight(node), coder.Weight(l) + coder.Weight(r));
        }
        ASSERT_EQ(coder.LeafOf(symbols[i]) >= 0 ? coder.SymbolAt(coder.LeafOf(symbols[i])) : -2, symbols[i]);
        if (coder.EscapeNode() >= 0) {
            ASSERT_EQ(coder.EscapeNode(), n - 1);
            ASSERT_EQ(coder.Weight(n - 1), 0u);
        }
        ASSERT_EQ(coder.Weight(0), i + 1);
    }
    EXPECT_EQ(coder.UnseenCount(), 0);
    EXPECT_EQ(coder.EscapeNode(), -1);
    EXPECT_EQ(coder.NodeCount(), AdaptiveHuffman::kMaxNodes);
    out.Finish();

    AdaptiveHuffman decoder;
    WordBitReader in(bytes.data(), bytes.size());
    for (size_t i = 0; i < symbols.size(); ++i)
        ASSERT_EQ(decoder.Decode(in), symbols[i]) << "symbol " << i;
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(in.Position(), bytes.size());  // every word, and no more, was read
}

TEST(AdaptiveHuffmanTree, IndexBitsFollowTheUnseenCount)
{
    const std::pair<int, int> cases[] = {{512, 9}, {511, 9}, {257, 9}, {256, 8}, {255, 8}, {3, 2}, {2, 1}, {1, 0}};
    for (auto [m, e] : cases)
        EXPECT_EQ(AdaptiveHuffman::IndexBits(m), e) << m;
}

}  // namespace
}  // namespace pix
