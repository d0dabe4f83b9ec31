// Benchmarks of the content key and the similarity search: the CRC over
// 16 MiB in memory (folded with the carry-less multiply where the processor
// has one, and the table path), the content key of a 256 MiB file, one
// signature comparison, the comparison pass of the duplicate search over
// 2,000 signatures, and the signature of a 12-megapixel picture.
// bench/compare_cksum.sh and bench/compare_dupes.sh compare whole runs of
// pixadrome-cli with other programs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "database/ContentKey.h"
#include "PhotoLikeSignatures.h"
#include "database/Signature.h"
#include "image/CImageBuffer.h"

namespace {

const std::vector<uint8_t>& Bytes()
{
    static const std::vector<uint8_t> bytes = [] {
        std::vector<uint8_t> b(size_t{16} << 20);
        std::mt19937 rng(1);
        for (auto& v : b)
            v = static_cast<uint8_t>(rng());
        return b;
    }();
    return bytes;
}

void BM_Crc32Folded(benchmark::State& state)
{
    const auto& b = Bytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(pix::UpdateCrc(pix::kCrcInitial, b.data(), b.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.size()));
    state.SetLabel(pix::CrcUsesCarrylessMultiply() ? "carry-less multiply" : "tables (no carry-less multiply)");
}
BENCHMARK(BM_Crc32Folded)->Unit(benchmark::kMillisecond);

void BM_Crc32Tables(benchmark::State& state)
{
    const auto& b = Bytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(pix::UpdateCrcPortable(pix::kCrcInitial, b.data(), b.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(b.size()));
}
BENCHMARK(BM_Crc32Tables)->Unit(benchmark::kMillisecond);

void BM_ContentKeyFile(benchmark::State& state)
{
    const std::string path = (std::filesystem::temp_directory_path() / "pix-bench-content-key.bin").string();
    constexpr size_t kSize = size_t{256} << 20;
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        const auto& b = Bytes();
        for (size_t written = 0; f && written < kSize; written += b.size())
            std::fwrite(b.data(), 1, b.size(), f);
        if (f)
            std::fclose(f);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(pix::ContentKey(path));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kSize));
    std::filesystem::remove(path);
}
BENCHMARK(BM_ContentKeyFile)->Unit(benchmark::kMillisecond);

void BM_CompareSignatures(benchmark::State& state)
{
    const auto sigs = PhotoLikeSignatures(64);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pix::CompareSignatures(sigs[i % 64], sigs[(i + 1) % 64]));
        ++i;
    }
}
BENCHMARK(BM_CompareSignatures);

// The comparison pass of the duplicate search at 95 % (every pair once in
// each direction), with the early rejection and with full comparisons.
void BM_DupesComparisons(benchmark::State& state)
{
    const bool bound = state.range(0) != 0;
    const auto sigs = PhotoLikeSignatures(2000);
    std::vector<pix::IndexedSignature> indexed;
    for (const auto& s : sigs)
        indexed.push_back(pix::IndexSignature(s));
    const pix::SimilarityThreshold threshold(95);
    for (auto _ : state) {
        int found = 0;
        for (size_t i = 0; i < indexed.size(); ++i)
            for (size_t j = 0; j < indexed.size(); ++j) {
                if (i == j)
                    continue;
                if (bound)
                    found += threshold.Reaches(indexed[i], indexed[j]);
                else
                    found += pix::CompareSignatures(sigs[i], sigs[j]) >= 95;
            }
        benchmark::DoNotOptimize(found);
    }
    if (bound) {
        int64_t rejected = 0;
        for (size_t i = 0; i < indexed.size(); ++i)
            for (size_t j = 0; j < indexed.size(); ++j)
                rejected += i != j && threshold.CannotReach(indexed[i], indexed[j]);
        state.counters["rejected_early"] = static_cast<double>(rejected) / (2000.0 * 1999.0);
    }
}
BENCHMARK(BM_DupesComparisons)->Arg(1)->Arg(0)->ArgNames({"bound"})->Unit(benchmark::kMillisecond);

void BM_ComputeSignature12MP(benchmark::State& state)
{
    pix::CImageBuffer img;
    img.Create(4000, 3000);
    for (uint32_t y = 0; y < 3000; ++y) {
        uint8_t* row = img.Row(y);
        for (uint32_t x = 0; x < 3 * 4000; ++x)
            row[x] = static_cast<uint8_t>(x * 7 + y * 3);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(pix::ComputeSignature(img));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 4000 * 3000);
}
BENCHMARK(BM_ComputeSignature12MP)->Unit(benchmark::kMillisecond);

}  // namespace
