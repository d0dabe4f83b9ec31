#include "image/PxfCodec.h"

#include <gtest/gtest.h>

#include <random>

#include "image/AdaptiveHuffman.h"
#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using test::SamePixels;

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
        for (const CImageBuffer& buf :
             {test::Noise(w, h, seed), test::SmoothGradient(w, h), test::SolidPicture(w, h, 12, 200, 77)})
            EXPECT_TRUE(SamePixels(buf, RoundTrip(buf)));
    }
    // Large enough for every symbol to be seen, so the escape node goes away.
    CImageBuffer big = test::Noise(257, 131, 99);
    EXPECT_TRUE(SamePixels(big, RoundTrip(big)));
}

// After the magic and the size, each plane's codes fill little-endian
// words from bit 0 upward, every code most significant bit first. A
// residual r is the symbol 256 + r, a run of n zeros the symbol n - 1; a
// symbol not seen before is sent as its position among the unseen ones (9
// bits while more than 256 are left), after the escape path once the tree
// has other leaves.
TEST(PxfLayout, TinyPicturesAreCodedBitForBit)
{
    CImageBuffer across = test::SolidPicture(2, 1, 0, 0, 0);
    across.SetPixel(1, 0, 5, 5, 5);
    CImageBuffer up = test::SolidPicture(1, 2, 0, 0, 0);
    up.SetPixel(0, 1, 5, 5, 5);
    struct Case {
        const char* what;
        CImageBuffer picture;
        std::vector<uint8_t> planes;
    } cases[] = {
        // One literal per plane: green 50, blue - green 216, red - green 150.
        {"one pixel", test::SolidPicture(1, 1, 200, 50, 10), {153, 0, 0, 0, 55, 0, 0, 0, 211, 0, 0, 0}},
        // Green: 90, then a run of two zeros (symbol 1: escape "0", then
        // position 1 of the 511 unseen); the colour planes: three zeros.
        {"grey", test::SolidPicture(3, 1, 90, 90, 90), {181, 0, 4, 0, 128, 0, 0, 0, 128, 0, 0, 0}},
        // Green 0 then 5: the second pixel sits on an odd square of the
        // checkerboard (x + y odd) and is stored as -5 = 251. The colour
        // planes: a run of two zeros.
        {"across", across, {1, 252, 2, 0, 0, 1, 0, 0, 0, 1, 0, 0}},
        {"up", up, {1, 252, 2, 0, 0, 1, 0, 0, 0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> expected = {'P', 'X', 'F', '!', static_cast<uint8_t>(c.picture.Width()), 0, 0, 0,
                                         static_cast<uint8_t>(c.picture.Height()), 0, 0, 0};
        expected.insert(expected.end(), c.planes.begin(), c.planes.end());
        EXPECT_EQ(EncodePxf(c.picture), expected);
        EXPECT_TRUE(SamePixels(c.picture, RoundTrip(c.picture)));
    }
}

TEST(PxfLayout, LongRunsAndPlanesOfPredictablePixels)
{
    // Grey 600 x 1: the colour planes are 600 zeros = runs of 256, 256, 88:
    // symbol 255 (9 bits), 255 again (its leaf is the root's right child:
    // "1"), then 87 (escape "0" + position 87 in 9 bits).
    const std::vector<uint8_t> file = EncodePxf(test::SolidPicture(600, 1, 5, 5, 5));
    ASSERT_GE(file.size(), 12u + 8);
    EXPECT_EQ(std::vector<uint8_t>(file.end() - 8, file.end()), (std::vector<uint8_t>{254, 163, 14, 0, 254, 163, 14, 0}));
    // A picture equal to its prediction everywhere but the first row and
    // column codes nothing but runs after them, whatever the flip.
    CImageBuffer plane = test::SolidPicture(64, 64, 0, 0, 0);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            plane.SetPixel(x, y, 0, static_cast<uint8_t>(3 * x + 5 * y), 0);
    EXPECT_LT(EncodePxf(plane).size(), 200u);  // of 12 KB of pixels
    EXPECT_TRUE(SamePixels(plane, RoundTrip(plane)));
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
        for (int node = 0; node < n; ++node) {
            ASSERT_TRUE(node == 0 || coder.Weight(node - 1) >= coder.Weight(node)) << node << " after symbol " << i;
            const int l = coder.Child(node, 0), r = coder.Child(node, 1);
            ASSERT_TRUE(l < 0 || (coder.Parent(l) == node && coder.Parent(r) == node &&
                                  coder.Weight(node) == coder.Weight(l) + coder.Weight(r)))
                << node << " after symbol " << i;
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

}  // namespace
}  // namespace pix
