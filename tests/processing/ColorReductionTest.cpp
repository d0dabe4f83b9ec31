#include "processing/ColorReduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "ProcessingTestSupport.h"
#include "processing/PreservingPalette.h"

namespace pix {
namespace {

using test::Picture;

// A smooth picture with some texture, like a photograph.
CImageBuffer PhotoLike(uint32_t w, uint32_t h)
{
    return Picture(w, h, [&](uint32_t x, uint32_t y) {
        const double fx = double(x) / w, fy = double(y) / h;
        return std::array<int, 3>{int(40 + 180 * fx + 20 * std::sin(y * 0.3)),
                                  int(200 - 150 * fy + 15 * std::cos(x * 0.2)), int(90 + 100 * fx * fy)};
    });
}

size_t DistinctIndices(const CImageBuffer& buf)
{
    return std::set<uint8_t>(buf.IndexPlane().begin(), buf.IndexPlane().end()).size();
}

double Psnr(const CImageBuffer& a, const CImageBuffer& b)
{
    double sum = 0;
    for (uint32_t y = 0; y < a.Height(); ++y)
        for (uint32_t i = 0; i < a.Width() * 3; ++i) {
            const double d = double(a.Row(y)[i]) - double(b.Row(y)[i]);
            sum += d * d;
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

TEST(ColorReduction, SliderTableAndYCbCrConversion)
{
    struct Row {
        int s;
        ColorWeights w;
    };
    for (Row row : {Row{-16, {0, 20, 20}}, Row{-15, {4, 19, 19}}, Row{-1, {4, 5, 5}}, Row{0, {4, 4, 4}},
                    Row{1, {5, 4, 4}}, Row{15, {19, 4, 4}}, Row{16, {20, 0, 0}}}) {
        const ColorWeights w = WeightsForPreference(row.s);
        EXPECT_EQ(std::tie(w.w0, w.w1, w.w2), std::tie(row.w.w0, row.w.w1, row.w.w2)) << row.s;
    }
    // Greys have neutral chroma.
    uint8_t grey[3] = {77, 77, 77};
    RgbToYCbCr(grey, 1);
    EXPECT_EQ(std::vector<int>(grey, grey + 3), (std::vector<int>{77, 128, 128}));
}

TEST(ColorReduction, FewColoursAreKeptExactlyAndPreservedOnesAreCellCorners)
{
    for (auto colour : {std::array<int, 3>{255, 255, 255}, std::array<int, 3>{0, 0, 0},
                        std::array<int, 3>{37, 201, 90}, std::array<int, 3>{128, 128, 128}}) {
        // Without preserved colours the options do not matter: the colour
        // is kept exactly before any median cut.
        for (ReduceOptions o : {ReduceOptions{256, true}, ReduceOptions{2, false}, ReduceOptions{256, true, 0, true},
                                ReduceOptions{3, false, 0, true}}) {
            SCOPED_TRACE(colour[1] * 1000 + o.colors);
            CImageBuffer buf = Picture(31, 7, [&](uint32_t, uint32_t) { return colour; });
            ASSERT_TRUE(ReduceColors(buf, o));
            EXPECT_EQ(buf.ColorCount(), o.colors);
            EXPECT_EQ(buf.IndexPlane(), std::vector<uint8_t>(31 * 7, 0));
            // Entry 0 is the colour itself, or with preserved colours its
            // cell's corner. The other entries are not used: with preserved
            // colours they repeat entry 0, else they are black.
            const std::array<int, 3> entry{buf.Red()[0], buf.Green()[0], buf.Blue()[0]};
            if (o.preserve)
                EXPECT_EQ(entry, (std::array<int, 3>{colour[0] & ~3, colour[1] & ~7, colour[2] & ~7}));
            else
                EXPECT_EQ(entry, colour);
            for (int p = 1; p < o.colors; ++p) {
                EXPECT_EQ(buf.Red()[p], o.preserve ? buf.Red()[0] : 0);
                EXPECT_EQ(buf.Green()[p], o.preserve ? buf.Green()[0] : 0);
            }
        }
    }

    // Two neighbouring greys share a histogram cell yet keep their own
    // entries, in order of first appearance from the top row.
    CImageBuffer pair = Picture(4, 2, [](uint32_t x, uint32_t y) {
        const int v = y == 0 && x < 3 ? 201 : 200;
        return std::array<int, 3>{v, v, v};
    });
    const CImageBuffer original = pair;
    ASSERT_TRUE(ReduceColors(pair, {2, true, 0, false, true}));
    EXPECT_EQ(pair.IndexPlane(), (std::vector<uint8_t>{0, 0, 0, 1, 1, 1, 1, 1}));
    EXPECT_EQ(pair.Red()[0], 201);
    EXPECT_TRUE(test::SamePixels(pair, original));
}

TEST(ColorReduction, SliderAtTheEndsSplitsOnlyAlongLumaOrChroma)
{
    // A grey ramp differs in luma only: with the luma weight 0 nothing can
    // be split; with all weight on luma every grey level can.
    const CImageBuffer ramp = Picture(256, 4, [](uint32_t x, uint32_t) { return std::array<int, 3>{int(x), int(x), int(x)}; });
    // Colours of one luma cell and many chromas: the other way round.
    const CImageBuffer hues = Picture(64, 64, [](uint32_t x, uint32_t y) {
        const int r = 60 + 2 * int(x), b = 60 + 2 * int(y);
        const int g = (130 * 65536 - 19595 * r - 7471 * b + 19235) / 38470;  // Y = 130 (cell 32)
        return std::array<int, 3>{r, g, b};
    });
    for (auto [picture, preference, distinct] : {std::tuple{&ramp, -16, 1u}, std::tuple{&ramp, 16, 64u},
                                                 std::tuple{&hues, 16, 1u}, std::tuple{&hues, -16, 64u}}) {
        CImageBuffer buf = *picture;
        ASSERT_TRUE(ReduceColors(buf, {64, false, preference}));
        EXPECT_EQ(DistinctIndices(buf), distinct) << preference;
    }
}

TEST(ColorReduction, WriteBackPutsThePaletteColoursIntoThePixels)
{
    const CImageBuffer original = PhotoLike(120, 80);
    CImageBuffer kept = original;
    ASSERT_TRUE(ReduceColors(kept, {32, true}));
    EXPECT_TRUE(test::SamePixels(kept, original));  // no write-back

    CImageBuffer written = original;
    ASSERT_TRUE(ReduceColors(written, {32, true, 0, false, true}));
    EXPECT_EQ(written.IndexPlane(), kept.IndexPlane());  // same seed, same result
    std::set<std::array<uint8_t, 3>> colours;
    for (uint32_t top = 0; top < 80; ++top)
        for (uint32_t x = 0; x < 120; ++x) {
            const uint8_t i = written.IndexPlane()[top * 120 + x];
            ASSERT_LT(i, 32);
            const auto px = test::Top(written, x, top);
            ASSERT_EQ(px, (std::array<uint8_t, 3>{written.Red()[i], written.Green()[i], written.Blue()[i]}));
            colours.insert(px);
        }
    EXPECT_LE(colours.size(), 32u);
    EXPECT_GT(colours.size(), 24u);
    EXPECT_GT(Psnr(original, written), 25.0);

    // 256 colours of a smooth picture: close to the original.
    CImageBuffer fine = original;
    ASSERT_TRUE(ReduceColors(fine, {256, true, 0, false, true}));
    EXPECT_GT(Psnr(original, fine), 30.0);
}

TEST(ColorReduction, FailureLeavesNoIndexPlaneAndThePixelsAlone)
{
    CImageBuffer empty;
    EXPECT_FALSE(ReduceColors(empty, {}));
    EXPECT_FALSE(empty.HasIndexPlane());

    CImageBuffer buf = PhotoLike(20, 10);
    ASSERT_TRUE(ReduceColors(buf, {16, true}));
    const CImageBuffer before = buf;
    for (int colors : {1, 257, 0}) {
        EXPECT_FALSE(ReduceColors(buf, {colors, true, 0, false, true}));
        EXPECT_FALSE(buf.HasIndexPlane());
        EXPECT_TRUE(test::SamePixels(buf, before));
    }
}

// Three colours in three far-apart cells, eight entries asked for: the
// cells' corners, then the last of them again.
TEST(ColorReduction, PreservedColoursAreCellCornersAndTheLastRepeatsWhenCellsRunOut)
{
    const std::array<int, 3> colours[3] = {{201, 10, 10}, {10, 205, 12}, {60, 60, 250}};
    CImageBuffer three = Picture(30, 3, [&](uint32_t x, uint32_t) { return colours[x % 3]; });
    ASSERT_TRUE(ReduceColors(three, {8, true, 0, true}));
    std::set<std::array<int, 3>> chosen;
    for (int p = 0; p < 3; ++p)
        chosen.insert({three.Red()[p], three.Green()[p], three.Blue()[p]});
    EXPECT_EQ(chosen, (std::set<std::array<int, 3>>{{200, 8, 8}, {8, 200, 8}, {60, 56, 248}}));
    for (int p = 3; p < 8; ++p)
        EXPECT_EQ(std::tie(three.Red()[p], three.Green()[p], three.Blue()[p]),
                  std::tie(three.Red()[2], three.Green()[2], three.Blue()[2]));
    EXPECT_EQ(DistinctIndices(three), 3u);
}

TEST(ColorReduction, PreservingSelectionTakesTheWorstRepresentedCellFirst)
{
    // One bright pixel and many mid-grey ones. Judged by diffusion the
    // brightest colour is the worst represented by black; judged by the
    // nearest colour the count weighs in and the large grey area wins.
    std::vector<uint8_t> pixels = {250, 250, 250};
    for (int i = 0; i < 10000; ++i)
        pixels.insert(pixels.end(), {130, 130, 130});
    std::array<uint8_t, 256> r{}, g{}, b{};
    ChoosePreservingPalette(pixels.data(), pixels.size() / 3, 2, true, r.data(), g.data(), b.data());
    EXPECT_EQ(std::pair(r[0], r[1]), (std::pair<uint8_t, uint8_t>(248, 128)));
    ChoosePreservingPalette(pixels.data(), pixels.size() / 3, 2, false, r.data(), g.data(), b.data());
    EXPECT_EQ(std::pair(r[0], r[1]), (std::pair<uint8_t, uint8_t>(128, 248)));

    // Equal scores: the cell visited first (lower red cell) wins.
    const std::vector<uint8_t> twin = {0, 248, 0, 248, 0, 0};
    ChoosePreservingPalette(twin.data(), 2, 1, true, r.data(), g.data(), b.data());
    EXPECT_EQ(std::pair(r[0], g[0]), (std::pair<uint8_t, uint8_t>(0, 248)));

    // Nothing but black: entry 0 is black, and so is every later one.
    const std::vector<uint8_t> black(30, 1);
    r.fill(9);
    ChoosePreservingPalette(black.data(), 10, 4, true, r.data(), g.data(), b.data());
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ(r[p] + g[p] + b[p], 0);
}

}  // namespace
}  // namespace pix
