#include "processing/ColorQuantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <random>
#include <vector>

namespace pix {
namespace {

using Packed = std::vector<uint8_t>;

// Pixels at the centres of the given cells (jitter cannot move a centre
// into another cell), count copies of each.
Packed AtCentres(const std::vector<std::array<int, 3>>& cells, int count = 1)
{
    Packed p;
    for (const auto& c : cells)
        for (int n = 0; n < count; ++n) {
            p.push_back(static_cast<uint8_t>(4 * c[0] + 2));
            p.push_back(static_cast<uint8_t>(8 * c[1] + 4));
            p.push_back(static_cast<uint8_t>(8 * c[2] + 4));
        }
    return p;
}

struct Result {
    int made = 0;
    std::vector<uint8_t> index;
    std::array<uint8_t, 256> p0{}, p1{}, p2{};
    std::vector<ColorBox> boxes;
};

Result Build(const Packed& pixels, int colors, ColorWeights w, bool dither = false, uint64_t seed = kDefaultJitterSeed)
{
    Result r;
    const auto n = static_cast<uint32_t>(pixels.size() / 3);
    r.index.assign(n, 0xEE);
    ColorQuantizer q(seed);
    r.made = q.Quantize(pixels.data(), r.index.data(), n, 1, colors, dither, true, r.p0.data(), r.p1.data(),
                        r.p2.data(), w, true);
    r.boxes = q.Boxes();
    return r;
}

int AxisOfSplit(const Result& r)
{
    // Two boxes from one: the component along which they no longer overlap.
    EXPECT_EQ(r.boxes.size(), 2u);
    for (int c = 0; c < 3; ++c)
        if (r.boxes[0].max[c] < r.boxes[1].min[c])
            return c;
    return -1;
}

TEST(ColorQuantizer, SplitsAlongTheLargestWeightedExtentWithTheTieOrder)
{
    // Cells A (0,0,0), C (0,1,0), B (2,1,0): with equal weights the extents
    // 4·4·2 along component 0 and 8·4·1 along component 1 tie.
    const Packed abc = AtCentres({{0, 0, 0}, {0, 1, 0}, {2, 1, 0}});
    EXPECT_EQ(AxisOfSplit(Build(abc, 2, {4, 4, 4})), 1);  // tie: component 1 first
    EXPECT_EQ(AxisOfSplit(Build(abc, 2, {5, 4, 4})), 0);
    EXPECT_EQ(AxisOfSplit(Build(abc, 2, {4, 3, 4})), 0);

    // Components 0 and 2 tie: 0 before 2. Components 1 and 2: 1 before 2.
    const Packed ac = AtCentres({{0, 0, 0}, {0, 0, 1}, {2, 0, 1}});
    EXPECT_EQ(AxisOfSplit(Build(ac, 2, {4, 4, 4})), 0);
    EXPECT_EQ(AxisOfSplit(Build(ac, 2, {4, 4, 5})), 2);
    const Packed bc = AtCentres({{0, 0, 0}, {0, 0, 1}, {0, 1, 1}});
    EXPECT_EQ(AxisOfSplit(Build(bc, 2, {4, 4, 4})), 1);

    // The lower half keeps min..(min+max)/2 and stays first in the list;
    // both halves are shrunk to their occupied cells.
    const Packed far = AtCentres({{3, 5, 7}, {3, 5, 9}, {3, 5, 20}});
    Result r = Build(far, 2, {4, 4, 4});
    ASSERT_EQ(r.boxes.size(), 2u);
    using Corners = std::pair<std::array<int, 3>, std::array<int, 3>>;
    EXPECT_EQ(Corners(r.boxes[0].min, r.boxes[0].max), Corners({3, 5, 7}, {3, 5, 9}));
    EXPECT_EQ(Corners(r.boxes[1].min, r.boxes[1].max), Corners({3, 5, 20}, {3, 5, 20}));
    EXPECT_EQ(r.boxes[0].occupied, 2);
    EXPECT_EQ(r.boxes[0].volume, (8 * 4 * 2) * (8 * 4 * 2));
    EXPECT_EQ(r.boxes[1].volume, 0);
}

std::vector<int> Occupied(const Result& r)
{
    std::vector<int> cells;
    for (const ColorBox& box : r.boxes)
        cells.push_back(box.occupied);
    return cells;
}

TEST(ColorQuantizer, ChoosesByOccupiedCellsFirstThenByVolume)
{
    // P: eight cells packed in a corner (many cells, small volume); Q: two
    // cells far apart along component 0 (few cells, large volume). The
    // first split separates them.
    std::vector<std::array<int, 3>> cells;
    for (int a = 0; a < 2; ++a)
        for (int b = 0; b < 2; ++b)
            for (int c = 0; c < 2; ++c)
                cells.push_back({a, b, c});
    cells.push_back({40, 20, 20});
    cells.push_back({63, 20, 20});
    const Packed pixels = AtCentres(cells);

    // Three colours: 2 · 2 > 3, so the largest volume (Q) is split.
    EXPECT_EQ(Occupied(Build(pixels, 3, {4, 4, 4})), (std::vector<int>{8, 1, 1}));

    // Four colours: 2 · 2 <= 4, so the box with most cells (P) goes first,
    // its upper half appended; then (2 · 3 > 4) the largest volume, Q,
    // whose upper half comes last.
    Result four = Build(pixels, 4, {4, 4, 4});
    EXPECT_EQ(Occupied(four), (std::vector<int>{4, 1, 4, 1}));
    EXPECT_EQ(four.boxes.at(3).min[0], 63);

    // Fewer cells than colours: splitting stops when no box has volume.
    Result many = Build(pixels, 256, {4, 4, 4});
    EXPECT_EQ(many.made, 10);
}

void Invert(uint8_t* packed, size_t pixels)
{
    for (size_t i = 0; i < 3 * pixels; ++i)
        packed[i] = static_cast<uint8_t>(255 - packed[i]);
}

TEST(ColorQuantizer, EachEntryIsTheRoundedMeanOfTheOwnColoursCountedInItsBox)
{
    // Two groups far apart along component 0, of two neighbouring cells
    // each; one colour comes 66000 times, past what a 16-bit count holds.
    // The own colours are the inverses.
    const std::pair<std::array<uint8_t, 3>, int> colours[] = {
        {{10, 20, 30}, 66000}, {{14, 20, 30}, 34000}, {{240, 100, 200}, 3}, {{244, 108, 208}, 1}};
    Packed pixels, own;
    for (const auto& [colour, copies] : colours)
        for (int k = 0; k < copies; ++k)
            for (uint8_t v : colour) {
                pixels.push_back(v);
                own.push_back(static_cast<uint8_t>(255 - v));
            }
    const OwnColours inverted{own.data(), 0, {0, 1, 2}, Invert};
    std::array<uint8_t, 256> mean[3];
    ColorQuantizer q;
    ASSERT_EQ(q.BuildPalette(pixels.data(), static_cast<uint32_t>(pixels.size() / 3), 1, 2, {4, 4, 4}, &inverted,
                             mean[0].data(), mean[1].data(), mean[2].data()),
              2);
    // (245 · 66000 + 241 · 34000) / 100000 = 243.64; (15 · 3 + 11) / 4 = 14,
    // (155 · 3 + 147) / 4 = 153, (55 · 3 + 47) / 4 = 53.
    using Entry = std::array<int, 3>;
    EXPECT_EQ((Entry{mean[0][0], mean[1][0], mean[2][0]}), (Entry{244, 235, 225}));
    EXPECT_EQ((Entry{mean[0][1], mean[1][1], mean[2][1]}), (Entry{14, 153, 53}));
}

TEST(ColorQuantizer, JitterIsSeededAndNeverMakesColoursUp)
{
    // A colour on a cell boundary would spread over neighbouring cells if
    // the jitter could reach cells the picture does not use.
    const Packed one(3 * 5000, 128);
    for (uint64_t seed : {uint64_t{1}, uint64_t{2}, kDefaultJitterSeed}) {
        Result r = Build(one, 256, {4, 4, 4}, true, seed);
        EXPECT_EQ(r.made, 1);
        EXPECT_EQ(r.index, std::vector<uint8_t>(5000, 0));
    }
    // A noisy picture: the same seed gives the same palette, another seed
    // another one.
    Packed noisy;
    std::mt19937 rng(8);
    for (int i = 0; i < 30000; ++i)
        for (int c = 0; c < 3; ++c)
            noisy.push_back(static_cast<uint8_t>(rng() % 256));
    Result a = Build(noisy, 256, {4, 4, 4}, true, 42);
    Result b = Build(noisy, 256, {4, 4, 4}, true, 42);
    Result c = Build(noisy, 256, {4, 4, 4}, true, 43);
    EXPECT_EQ(a.index, b.index);
    EXPECT_EQ(a.p0, b.p0);
    EXPECT_NE(a.index, c.index);
}

// The index nearest to the centre of the pixel's cell, earliest on ties,
// found by trying every palette entry.
int BruteNearest(const uint8_t* px, const std::array<std::array<uint8_t, 256>, 3>& pal, int n, ColorWeights w)
{
    const int centre[3] = {(px[0] >> 2) * 4 + 2, (px[1] >> 3) * 8 + 4, (px[2] >> 3) * 8 + 4};
    const int wt[3] = {w.w0, w.w1, w.w2};
    int best = -1;
    long long bestDist = LLONG_MAX;
    for (int p = 0; p < n; ++p) {
        long long d = 0;
        for (int c = 0; c < 3; ++c) {
            const long long diff = static_cast<long long>(wt[c]) * (centre[c] - pal[c][p]);
            d += diff * diff;
        }
        if (d < bestDist) {
            bestDist = d;
            best = p;
        }
    }
    return best;
}

TEST(ColorQuantizer, CachedNearestMappingFindsTheTrueNearestColour)
{
    std::mt19937 rng(17);
    for (ColorWeights w : {ColorWeights{4, 4, 4}, ColorWeights{0, 20, 20}, ColorWeights{11, 4, 4},
                           ColorWeights{1, 1, 1}}) {
        for (int n : {2, 7, 64, 256}) {
            SCOPED_TRACE(n);
            std::array<std::array<uint8_t, 256>, 3> pal{};
            auto& [r, g, b] = pal;
            for (int p = 0; p < n; ++p) {
                // Some duplicates, so ties are exercised.
                const unsigned v = (p % 5 == 4) ? rng() % static_cast<unsigned>(p) : rng();
                for (auto& plane : pal)
                    plane[p] = static_cast<uint8_t>(p % 5 == 4 ? plane[v] : rng());
            }
            Packed pixels;
            for (int i = 0; i < 40000; ++i)
                pixels.push_back(static_cast<uint8_t>(rng()));
            std::vector<uint8_t> index(pixels.size() / 3);
            ColorQuantizer q;
            ASSERT_EQ(q.Quantize(pixels.data(), index.data(), static_cast<uint32_t>(index.size()), 1, n, false, false,
                                 r.data(), g.data(), b.data(), w, true),
                      n);
            int wrong = 0;
            for (size_t i = 0; i < index.size(); ++i)
                wrong += index[i] != BruteNearest(&pixels[3 * i], pal, n, w);
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST(ColorQuantizer, DiffusionCarriesErrorsAheadAndBelowInAlternatingRows)
{
    // Grey 100 between black and white, worked out by hand: 7/16 of a
    // pixel's error goes ahead, 3/16, 5/16 and 1/16 to the row below
    // (behind, under, ahead), sixteenths rounded down; the second row runs
    // right to left. Row 0: 100 → black, 144 → white, 51, 122 → black;
    // row 1 from the right: 141 → white, 82, 117 → black, 162 → white.
    std::array<uint8_t, 256> r{}, g{}, b{};
    r[1] = g[1] = b[1] = 255;
    const Packed grey(3 * 8, 100);
    std::vector<uint8_t> index(8);
    ColorQuantizer q;
    q.Quantize(grey.data(), index.data(), 4, 2, 2, true, false, r.data(), g.data(), b.data(), {1, 1, 1}, false);
    EXPECT_EQ(index, (std::vector<uint8_t>{0, 1, 0, 0, 1, 0, 0, 1}));
}

TEST(ColorQuantizer, DitheringColoursThatAreInThePaletteMapsEachToItsEntry)
{
    // Palette colours at the centres of cells far apart; the picture uses
    // only palette colours, so no error is ever carried.
    std::array<uint8_t, 256> r{}, g{}, b{};
    const int n = 27;
    for (int p = 0; p < n; ++p) {
        r[p] = static_cast<uint8_t>(4 * (5 + 20 * (p % 3)) + 2);
        g[p] = static_cast<uint8_t>(8 * (3 + 10 * ((p / 3) % 3)) + 4);
        b[p] = static_cast<uint8_t>(8 * (3 + 10 * (p / 9)) + 4);
    }
    const uint32_t w = 37, h = 23;
    Packed pixels;
    std::mt19937 rng(3);
    std::vector<uint8_t> truth, dithered(w * h);
    for (uint32_t i = 0; i < w * h; ++i) {
        const auto p = static_cast<uint8_t>(rng() % n);
        truth.push_back(p);
        pixels.insert(pixels.end(), {r[p], g[p], b[p]});
    }
    ColorQuantizer q;
    q.Quantize(pixels.data(), dithered.data(), w, h, n, true, false, r.data(), g.data(), b.data(), {1, 1, 1}, true);
    EXPECT_EQ(dithered, truth);
}

TEST(ColorQuantizer, RefusesWhatItCannotDo)
{
    std::array<uint8_t, 256> r{}, g{}, b{};
    const Packed one(3, 10);
    uint8_t index = 0;
    ColorQuantizer q;
    EXPECT_EQ(q.Quantize(one.data(), &index, 1, 1, 0, false, true, r.data(), g.data(), b.data(), {}, true), 0);
    EXPECT_EQ(q.Quantize(one.data(), &index, 1, 1, 257, false, true, r.data(), g.data(), b.data(), {}, true), 0);
    EXPECT_EQ(q.Quantize(one.data(), &index, 0, 1, 8, false, true, r.data(), g.data(), b.data(), {}, true), 0);
    EXPECT_EQ(q.Quantize(nullptr, &index, 1, 1, 8, false, true, r.data(), g.data(), b.data(), {}, true), 0);
    EXPECT_EQ(q.Quantize(one.data(), &index, 1, 1, 8, true, true, r.data(), g.data(), b.data(), {}, true), 1);
}

}  // namespace
}  // namespace pix
