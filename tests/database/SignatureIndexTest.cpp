#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "database/SignatureIndex.h"
#include "database/SimilaritySearch.h"
#include "support/AllPairsGroups.h"

namespace pix {
namespace {

// Bytes 0.. of an otherwise black signature whose squares add up to d.
Signature AtDistanceFromBlack(int64_t d)
{
    Signature s{};
    for (size_t i = 0; d > 0; ++i) {
        const auto v = std::min<int64_t>(255, static_cast<int64_t>(std::sqrt(static_cast<double>(d))));
        s[i] = static_cast<uint8_t>(v);
        d -= v * v;
    }
    return s;
}

// Planted groups (a picture and slightly changed copies), unrelated smooth
// pictures, uniform noise, nearly opposite pairs, exact copies and pairs
// at each tolerance's limits.
std::vector<IndexedSignature> Mixture()
{
    std::mt19937 rng(7);
    std::vector<Signature> all;
    auto smooth = [&] {
        Signature s{};
        const int gx = static_cast<int>(rng() % 31) - 15, gy = static_cast<int>(rng() % 31) - 15;
        const int base = 40 + static_cast<int>(rng() % 170);
        for (int k = 0; k < 64; ++k)
            for (int c = 0; c < 3; ++c)
                s[3 * k + c] = static_cast<uint8_t>(
                    std::clamp(base + gx * (k / 8 - 4) + gy * (k % 8 - 4) + static_cast<int>(rng() % 9) * (c + 1), 0, 255));
        return s;
    };
    for (int g = 0; g < 120; ++g) {
        const Signature base = smooth();
        const int copies = static_cast<int>(rng() % 4);
        all.push_back(base);
        for (int c = 0; c < copies; ++c) {
            Signature s = base;
            const int spread = 1 + static_cast<int>(rng() % 40);
            for (auto& v : s)
                v = static_cast<uint8_t>(std::clamp(int{v} + static_cast<int>(rng() % (2 * spread + 1)) - spread, 0, 255));
            all.push_back(s);
        }
        if (g % 10 == 0)
            all.push_back(base);
    }
    for (int i = 0; i < 100; ++i) {
        Signature s;
        for (auto& v : s)
            v = static_cast<uint8_t>(rng());
        all.push_back(s);
    }
    for (int i = 0; i < 40; ++i) {
        const uint32_t spread = i % 2 ? 3 : 1;
        Signature s;
        for (auto& v : s)
            v = static_cast<uint8_t>(rng() % 2 ? rng() % spread : 255 - rng() % spread);
        Signature opposite = s;
        for (auto& v : opposite)
            v = static_cast<uint8_t>(255 - v);
        all.push_back(s);
        all.push_back(opposite);
    }
    for (int tolerance : {100, 99, 98, 95, 90, 80}) {
        const SimilarityThreshold t(tolerance);
        for (int64_t d : {t.NearLimit(), t.NearLimit() + 1})
            all.push_back(AtDistanceFromBlack(d));
    }
    all.push_back(Signature{});
    std::shuffle(all.begin(), all.end(), rng);
    std::vector<IndexedSignature> indexed;
    for (const Signature& s : all)
        indexed.push_back(IndexSignature(s));
    return indexed;
}

TEST(SignatureIndex, GroupsAsComparingEveryPairGroups)
{
    const std::vector<IndexedSignature> signatures = Mixture();
    for (int tolerance : {100, 99, 98, 95, 90, 80}) {
        SCOPED_TRACE(tolerance);
        std::vector<std::vector<uint32_t>> groups;
        const int grouped = GroupBySimilarity(
            signatures, std::vector<uint8_t>(signatures.size(), 1), tolerance, signatures.size(),
            [](size_t, int) { return true; },
            [&](const std::vector<uint32_t>& members, int) {
                groups.push_back(members);
                return true;
            });
        EXPECT_EQ(groups, AllPairsGroups(signatures, tolerance));
        EXPECT_GT(grouped, 40);
    }
}

TEST(SignatureIndex, FindsExactlyThePairsTheFullComparisonFinds)
{
    const std::vector<IndexedSignature> signatures = Mixture();
    std::vector<uint8_t> present(signatures.size(), 1);
    for (size_t i = 0; i < present.size(); i += 17)
        present[i] = 0;
    for (int tolerance : {100, 99, 98, 95, 90, 80}) {
        SCOPED_TRACE(tolerance);
        const SimilarityThreshold threshold(tolerance);
        const SignatureIndex index(signatures, present, tolerance);
        size_t pairs = 0, far = 0;
        std::vector<uint32_t> found;
        for (size_t i = 0; i < signatures.size(); ++i) {
            std::vector<uint32_t> expected;
            for (uint32_t j = 0; j < signatures.size(); ++j)
                if (present[j] && threshold.Reaches(signatures[i], signatures[j])) {
                    expected.push_back(j);
                    far += SignatureDistance(signatures[i].bytes, signatures[j].bytes) >= threshold.FarLimit();
                }
            found.assign({7u});  // what was there stays
            index.Reaching(signatures[i], found);
            ASSERT_EQ(found.front(), 7u);
            found.erase(found.begin());
            ASSERT_EQ(found, expected) << "signature " << i;
            pairs += expected.size();
        }
        // The mixture exercises both sides of the score and pairs beyond self.
        EXPECT_GT(pairs, signatures.size() - signatures.size() / 17 + 10);
        EXPECT_GT(far, 0u);
    }
}

}  // namespace
}  // namespace pix
