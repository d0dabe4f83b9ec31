#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "database/Signature.h"
#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

std::array<int, 3> Cell(const Signature& s, int row, int column)
{
    const int k = row + 8 * column;
    return {s[3 * k], s[3 * k + 1], s[3 * k + 2]};
}

Signature Filled(uint8_t v)
{
    Signature s;
    s.fill(v);
    return s;
}

// A flat picture keeps its colour in every cell: the command line's
// signature test.

TEST(Signature, CellsFollowMemoryRowsAndColumnsThenStretchPerChannel)
{
    // 10 × 8: columns 8x/10 put x = 0,1 in column 0 and x = 5,6 in column 4.
    // Red grows with x, green with the memory row, blue is constant.
    CImageBuffer img;
    ASSERT_TRUE(img.Create(10, 8));
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 10; ++x)
            img.SetPixel(x, y, static_cast<uint8_t>(20 * x), static_cast<uint8_t>(10 * y), 77);
    const Signature s = ComputeSignature(img);
    // Red averages by column: 10, 40, 60, 80, 110, 140, 160, 180; stretched
    // with minimum 10 and range 170. Green 0..70 by row, range 70.
    EXPECT_EQ(Cell(s, 0, 0), (std::array<int, 3>{0, 0, 77}));
    EXPECT_EQ(Cell(s, 2, 1), (std::array<int, 3>{(30 * 256) / 170, (20 * 256) / 70, 77}));
    EXPECT_EQ(Cell(s, 5, 4), (std::array<int, 3>{(100 * 256) / 170, (50 * 256) / 70, 77}));
    // The maximum would be 256 and is stored as 255.
    EXPECT_EQ(Cell(s, 7, 7), (std::array<int, 3>{255, 255, 77}));
    EXPECT_EQ(Cell(s, 7, 3), (std::array<int, 3>{(70 * 256) / 170, 255, 77}));

    // Averages round down: a cell of 2 × 1 pixels holding 0 and 3 gives 1,
    // which the stretch (the next cell holds 3: range 3) takes to 85.
    CImageBuffer pair;
    ASSERT_TRUE(pair.Create(16, 8));
    for (uint32_t x : {1u, 2u, 3u})
        pair.SetPixel(x, 0, 3, 0, 0);
    const Signature p = ComputeSignature(pair);
    EXPECT_EQ((std::array{Cell(p, 0, 0)[0], Cell(p, 0, 1)[0], Cell(p, 0, 2)[0]}), (std::array{85, 255, 0}));
}

TEST(Signature, NarrowPictureLeavesEmptyColumnsAtZeroBeforeTheStretch)
{
    // Three pixels wide: x = 0, 1, 2 fall in columns 0, 2 and 5.
    const Signature s = ComputeSignature(test::SolidPicture(3, 8, 200, 100, 50));
    for (int column = 0; column < 8; ++column) {
        const int expected = (column == 0 || column == 2 || column == 5) ? 255 : 0;
        for (int row = 0; row < 8; ++row)
            EXPECT_EQ(Cell(s, row, column), (std::array<int, 3>{expected, expected, expected}))
                << row << "," << column;
    }
    // Likewise rows for a picture two pixels high: rows 0 and 4 only.
    const Signature t = ComputeSignature(test::SolidPicture(8, 2, 9, 9, 9));
    EXPECT_EQ(std::pair(Cell(t, 4, 3)[1], Cell(t, 3, 3)[1]), std::pair(255, 0));
    EXPECT_EQ(ComputeSignature(CImageBuffer()), Filled(0));
}

TEST(Signature, ScoresOnBothSidesOfTheLargestDistance)
{
    const Signature zero = Filled(0);
    EXPECT_EQ(CompareSignatures(zero, zero), 100);
    // 192 × 128² = 3145728 exactly: the last distance of the near side.
    EXPECT_EQ(SignatureDistance(zero, Filled(128)), 3145728u);
    EXPECT_EQ(CompareSignatures(zero, Filled(128)), 0);
    // 192 × 64² = 786432 scores exactly 75; one more unit of distance per
    // byte squared drops it to 74.
    EXPECT_EQ(CompareSignatures(zero, Filled(64)), 75);
    Signature nearly = Filled(64);
    nearly[100] = 65;
    EXPECT_EQ(CompareSignatures(zero, nearly), 74);
    // Between the two sides nothing scores.
    EXPECT_EQ(CompareSignatures(zero, Filled(200)), 0);
    // Above 9339072 the score rises again: 192 × 240² = 11059200 gives
    // r = 1720128, 54 %; the opposite signature scores 100.
    EXPECT_EQ(CompareSignatures(zero, Filled(240)), 54);
    EXPECT_EQ(CompareSignatures(zero, Filled(255)), 100);
    EXPECT_EQ(CompareSignatures(Filled(255), zero), 100);

    for (auto [tolerance, size] : {std::pair{100, 0u}, {99, 128u}, {98, 64u}, {97, 64u}, {96, 32u}, {0, 32u}})
        EXPECT_EQ(LoadSizeForTolerance(tolerance), size) << tolerance;
}

TEST(Signature, ThresholdAgreesWithTheScoreAndStillRejectsEarly)
{
    // Near pairs, nearly opposite pairs (the far side), unrelated pairs and
    // pairs of bright signatures, whose lengths alone allow the far side.
    std::mt19937 rng(7);
    auto random = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<std::pair<Signature, Signature>> pairs;
    for (int n = 0; n < 300; ++n) {
        Signature a, b;
        const int kind = n % 4, noise = random(0, 40);
        for (int i = 0; i < kSignatureSize; ++i) {
            const int v = kind == 3 ? random(128, 255) : random(0, 255);
            const int w = kind == 1 ? 255 - v : kind == 2 ? random(0, 255) : v;
            a[i] = static_cast<uint8_t>(v);
            b[i] = static_cast<uint8_t>(std::clamp(w + random(-noise, noise), 0, 255));
        }
        pairs.emplace_back(a, b);
    }
    pairs.emplace_back(Filled(0), Filled(255));
    pairs.emplace_back(Filled(0), Filled(240));
    pairs.emplace_back(Filled(3), Filled(3));

    int rejectedEarly = 0;
    for (int tolerance = -1; tolerance <= 101; ++tolerance) {
        const SimilarityThreshold threshold(tolerance);
        for (const auto& [a, b] : pairs) {
            const IndexedSignature ia = IndexSignature(a), ib = IndexSignature(b);
            const bool expected = CompareSignatures(a, b) >= tolerance;
            ASSERT_EQ(threshold.Reaches(ia, ib), expected) << tolerance << " " << CompareSignatures(a, b);
            ASSERT_EQ(threshold.Reaches(ib, ia), expected);
            if (threshold.CannotReach(ia, ib)) {
                ASSERT_FALSE(expected);
                ++rejectedEarly;
            }
        }
    }
    EXPECT_GT(rejectedEarly, 0);
    // Pairs whose grid columns differ in brightness are settled by the
    // bound alone; a pair that is close in every column is not.
    Signature leftBright = Filled(60), rightBright = Filled(60);
    for (int i = 0; i < 96; ++i) {
        leftBright[i] = 140;
        rightBright[96 + i] = 140;
    }
    const SimilarityThreshold t95(95);
    EXPECT_TRUE(t95.CannotReach(IndexSignature(leftBright), IndexSignature(rightBright)));
    EXPECT_TRUE(t95.CannotReach(IndexSignature(Filled(0)), IndexSignature(Filled(100))));
    EXPECT_FALSE(t95.CannotReach(IndexSignature(Filled(100)), IndexSignature(Filled(110))));
}

TEST(Signature, EveryTurnOrMirrorOfAPictureHasATurnOfItsSignature)
{
    std::mt19937 rng(3);
    CImageBuffer picture;
    ASSERT_TRUE(picture.Create(40, 24));
    for (uint32_t y = 0; y < 24; ++y)
        for (uint32_t x = 0; x < 40; ++x)
            picture.SetPixel(x, y, static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()));
    const Signature original = ComputeSignature(picture);
    std::vector<Signature> turns;
    for (int turn = 0; turn < kSignatureTurns; ++turn)
        turns.push_back(TurnSignature(original, turn));
    EXPECT_EQ(turns[0], original);
    // Mirror x, mirror y, swap the axes: the eight ways to lay the picture.
    for (int way = 0; way < 8; ++way) {
        SCOPED_TRACE(way);
        const bool swap = way & 4;
        CImageBuffer laid;
        ASSERT_TRUE(laid.Create(swap ? 24 : 40, swap ? 40 : 24));
        for (uint32_t y = 0; y < 24; ++y)
            for (uint32_t x = 0; x < 40; ++x) {
                uint8_t r, g, b;
                picture.GetPixel(x, y, r, g, b);
                const uint32_t mx = way & 1 ? 39 - x : x, my = way & 2 ? 23 - y : y;
                laid.SetPixel(swap ? my : mx, swap ? mx : my, r, g, b);
            }
        const Signature seen = ComputeSignature(laid);
        EXPECT_EQ(std::count(turns.begin(), turns.end(), seen), 1);
    }
}

}  // namespace
}  // namespace pix
