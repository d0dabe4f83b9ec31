// Benchmarks of the grouping pass of "Find dupes in folder" over stored
// signatures (a warm search): 10,000, 100,000 and 1,000,000 small crops (24
// to 280 pixels wide, or 152 at a million) of the photographs Debian ships
// as wallpapers, loaded 2,048 (1,024) pixels wide, a tenth of them planted
// near-copies (the same crop moved by a pixel or two and made a little
// brighter). The grouping through the signature index is timed against
// the loop over all pairs it replaced, which also checks that both give
// the same groups; the loop is skipped at a million (hours). Crops of a few
// dozen photographs crowd together far more than a library's pictures (at
// a million, 63 % of them fall into groups), so the pass also runs over a
// synthetic library of 100,000, 300,000 and 1,000,000 signatures with photographs'
// statistics. Last, the search for duplicates of 500 new pictures in a
// library of 100,000.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "database/SignatureCache.h"
#include "database/SimilaritySearch.h"
#include "image/CImageBuffer.h"
#include "support/AllPairsGroups.h"

namespace {

constexpr int kTolerance = 95;

std::vector<pix::CImageBuffer> Photos(uint32_t size)
{
    std::vector<pix::CImageBuffer> photos;
    for (const char* root : {"/usr/share/wallpapers", "/usr/share/backgrounds"}) {
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
             !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            const std::string path = it->path().string();
            if (it->is_regular_file() && path.ends_with(".jpg") && it->file_size() > 300'000) {
                pix::CImageBuffer photo;
                if (photo.Load(path, size, size) == pix::LoadResult::Loaded)
                    photos.push_back(std::move(photo));
            }
        }
    }
    return photos;
}

pix::Signature CropSignature(const pix::CImageBuffer& photo, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
                             int brighter)
{
    pix::CImageBuffer crop;
    crop.Create(w, h);
    for (uint32_t row = 0; row < h; ++row) {
        const uint8_t* from = photo.Row(y + row) + 3 * x;
        uint8_t* to = crop.Row(row);
        for (uint32_t i = 0; i < 3 * w; ++i)
            to[i] = static_cast<uint8_t>(std::clamp(from[i] + brighter, 0, 255));
    }
    return pix::ComputeSignature(crop);
}

// n signatures; crops are taken from photos loaded to fit size × size.
const std::vector<pix::IndexedSignature>& Crops(size_t n, uint32_t size)
{
    static std::map<size_t, std::vector<pix::IndexedSignature>> made;
    auto& out = made[n];
    if (!out.empty())
        return out;
    const std::vector<pix::CImageBuffer> photos = Photos(size);
    if (photos.empty())
        return out;
    std::mt19937 rng(11);
    struct Crop {
        size_t photo;
        uint32_t x, y, w, h;
    };
    std::vector<Crop> crops;
    for (size_t k = 0; k < n; ++k) {
        if (k % 10 == 9 && !crops.empty()) {
            // A near-copy of an earlier crop.
            Crop c = crops[rng() % crops.size()];
            const pix::CImageBuffer& photo = photos[c.photo];
            c.x = std::min<uint32_t>(c.x + rng() % 3, photo.Width() - c.w);
            c.y = std::min<uint32_t>(c.y + rng() % 3, photo.Height() - c.h);
            out.push_back(pix::IndexSignature(CropSignature(photo, c.x, c.y, c.w, c.h, static_cast<int>(rng() % 9))));
            continue;
        }
        Crop c{rng() % photos.size(), 0, 0, 0, 0};
        const pix::CImageBuffer& photo = photos[c.photo];
        c.w = std::min(photo.Width(), 24 + static_cast<uint32_t>(rng() % (size / 8)));
        c.h = std::min(photo.Height(), std::max<uint32_t>(8, c.w * (6 + rng() % 10) / 10));
        c.x = rng() % (photo.Width() - c.w + 1);
        c.y = rng() % (photo.Height() - c.h + 1);
        crops.push_back(c);
        out.push_back(pix::IndexSignature(CropSignature(photo, c.x, c.y, c.w, c.h, 0)));
    }
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

using Groups = std::vector<std::vector<uint32_t>>;

Groups IndexGroups(const std::vector<pix::IndexedSignature>& signatures)
{
    Groups groups;
    pix::GroupBySimilarity(
        signatures, std::vector<uint8_t>(signatures.size(), 1), kTolerance, signatures.size(),
        [](size_t, int) { return true; },
        [&](const std::vector<uint32_t>& members, int) {
            groups.push_back(members);
            return true;
        });
    return groups;
}

void BM_DupesGrouping(benchmark::State& state)
{
    const auto n = static_cast<size_t>(state.range(0));
    const bool allPairs = state.range(1) != 0;
    const auto& signatures = Crops(n, n >= 1'000'000 ? 1024 : 2048);
    if (signatures.empty()) {
        state.SkipWithError("no wallpaper photographs (install plasma-workspace-wallpapers, mate-backgrounds)");
        return;
    }
    Groups groups;
    for (auto _ : state)
        groups = allPairs ? pix::AllPairsGroups(signatures, kTolerance) : IndexGroups(signatures);
    size_t grouped = 0;
    for (const auto& g : groups)
        grouped += g.size();
    state.counters["groups"] = static_cast<double>(groups.size());
    state.counters["grouped"] = static_cast<double>(grouped);
    if (allPairs && groups != IndexGroups(signatures))
        state.SkipWithError("the index's groups differ from the loop's");
}
BENCHMARK(BM_DupesGrouping)
    ->ArgsProduct({{10'000, 100'000}, {0, 1}})
    ->Args({1'000'000, 0})
    ->ArgNames({"signatures", "allpairs"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Signatures of a synthetic library of n photographs. Scenes are drawn
// from the normal distribution with the mean and covariance of the 10,000
// crops' signatures, so that cells and channels vary together as in
// photographs, then clamped and stretched per channel as signatures are.
// A tenth of the pictures are further shots of the scene before (a third
// of its spread added as independent normal noise), and a tenth
// near-copies of an earlier picture (each byte moved by up to 4).
std::vector<pix::IndexedSignature> LibrarySignatures(size_t n)
{
    const auto& crops = Crops(10'000, 2048);
    if (crops.empty())
        return {};
    constexpr size_t m = pix::kSignatureSize;
    std::vector<double> mean(m, 0.0), factor(m * m, 0.0);
    for (const auto& c : crops)
        for (size_t i = 0; i < m; ++i)
            mean[i] += c.bytes[i] / static_cast<double>(crops.size());
    for (const auto& c : crops)
        for (size_t i = 0; i < m; ++i)
            for (size_t j = 0; j <= i; ++j)
                factor[i * m + j] += (c.bytes[i] - mean[i]) * (c.bytes[j] - mean[j]) / static_cast<double>(crops.size());
    // Cholesky: covariance = factor × factorᵀ, lower triangular.
    for (size_t j = 0; j < m; ++j) {
        double d = factor[j * m + j] + 1e-6;
        for (size_t k = 0; k < j; ++k)
            d -= factor[j * m + k] * factor[j * m + k];
        factor[j * m + j] = std::sqrt(std::max(d, 1e-6));
        for (size_t i = j + 1; i < m; ++i) {
            double v = factor[i * m + j];
            for (size_t k = 0; k < j; ++k)
                v -= factor[i * m + k] * factor[j * m + k];
            factor[i * m + j] = v / factor[j * m + j];
        }
    }
    std::mt19937 rng(13);
    std::normal_distribution<double> normal;
    auto draw = [&](const std::vector<double>& centre, double spread) {
        std::vector<double> z(m), v(centre);
        for (double& x : z)
            x = normal(rng);
        for (size_t i = 0; i < m; ++i)
            for (size_t k = 0; k <= i; ++k)
                v[i] += spread * factor[i * m + k] * z[k];
        return v;
    };
    auto signature = [](const std::vector<double>& v) {
        pix::Signature s{};
        for (size_t c = 0; c < 3; ++c) {
            double low = 255, high = 0;
            for (size_t k = c; k < m; k += 3) {
                low = std::min(low, std::clamp(v[k], 0.0, 255.0));
                high = std::max(high, std::clamp(v[k], 0.0, 255.0));
            }
            for (size_t k = c; k < m; k += 3) {
                const double x = std::clamp(v[k], 0.0, 255.0);
                s[k] = static_cast<uint8_t>(high > low ? std::lround(255 * (x - low) / (high - low)) : x);
            }
        }
        return s;
    };
    std::vector<pix::IndexedSignature> out;
    out.reserve(n);
    std::vector<double> scene = mean;
    for (size_t k = 0; k < n; ++k) {
        if (k % 10 == 9 && k > 0) {
            pix::Signature s = out[rng() % k].bytes;
            for (auto& v : s)
                v = static_cast<uint8_t>(std::clamp(int{v} + static_cast<int>(rng() % 9) - 4, 0, 255));
            out.push_back(pix::IndexSignature(s));
        } else if (k % 10 == 4 && k > 0) {
            out.push_back(pix::IndexSignature(signature(draw(scene, 1.0 / 3))));
        } else {
            scene = draw(mean, 1.0);
            out.push_back(pix::IndexSignature(signature(scene)));
        }
    }
    std::shuffle(out.begin(), out.end(), rng);
    return out;
}

// The grouping pass over a synthetic library, where groups are as rare as
// in a real one.
void BM_DupesGroupingLibrary(benchmark::State& state)
{
    const std::vector<pix::IndexedSignature> signatures = LibrarySignatures(static_cast<size_t>(state.range(0)));
    if (signatures.empty()) {
        state.SkipWithError("no wallpaper photographs (install plasma-workspace-wallpapers, mate-backgrounds)");
        return;
    }
    Groups groups;
    for (auto _ : state)
        groups = IndexGroups(signatures);
    size_t grouped = 0;
    for (const auto& g : groups)
        grouped += g.size();
    state.counters["groups"] = static_cast<double>(groups.size());
    state.counters["grouped"] = static_cast<double>(grouped);
}
BENCHMARK(BM_DupesGroupingLibrary)
    ->Arg(100'000)
    ->Arg(300'000)
    ->Arg(1'000'000)
    ->ArgNames({"signatures"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// "Find dupes of new pictures": 500 new pictures against a library of
// 100,000 whose signatures are stored, the grouping pass and the reading of
// the store (the rest of a warm run is one stat per file).
void BM_DupesOfNewPictures(benchmark::State& state)
{
    const auto& signatures = Crops(100'500, 2048);
    if (signatures.empty()) {
        state.SkipWithError("no wallpaper photographs (install plasma-workspace-wallpapers, mate-backgrounds)");
        return;
    }
    pix::SignatureCache store;
    for (size_t i = 0; i < signatures.size(); ++i)
        store.Store("/library/photo" + std::to_string(i) + ".jpg", {i, 1}, pix::LoadSizeForTolerance(kTolerance),
                    signatures[i].bytes);
    const std::vector<uint8_t> bytes = store.Serialize();
    size_t grouped = 0;
    for (auto _ : state) {
        pix::SignatureCache read;
        read.Parse(bytes.data(), bytes.size());
        grouped = 0;
        pix::GroupBySimilarity(
            signatures, std::vector<uint8_t>(signatures.size(), 1), kTolerance, 500, [](size_t, int) { return true; },
            [&](const std::vector<uint32_t>& members, int) {
                grouped += members.size();
                return true;
            });
    }
    state.counters["grouped"] = static_cast<double>(grouped);
}
BENCHMARK(BM_DupesOfNewPictures)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
