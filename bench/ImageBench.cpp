// Benchmarks of the image buffer: resampling and bitmap reading/writing of
// a 12-megapixel picture, so changes can be compared.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "common/Prompter.h"
#include "image/BmpCodec.h"
#include "image/CImageBuffer.h"
#include "common/FileBytes.h"
#include "render/FormatList.h"

namespace {

constexpr uint32_t kWidth = 4000;
constexpr uint32_t kHeight = 3000;

const pix::CImageBuffer& Photo()
{
    static pix::CImageBuffer buf = [] {
        pix::CImageBuffer b;
        b.Create(kWidth, kHeight);
        for (uint32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = b.Row(y);
            for (uint32_t x = 0; x < kWidth; ++x) {
                row[3 * x] = static_cast<uint8_t>(x * 7 + y);
                row[3 * x + 1] = static_cast<uint8_t>(y * 3);
                row[3 * x + 2] = static_cast<uint8_t>((x ^ y) * 5);
            }
        }
        return b;
    }();
    return buf;
}

class NullPrompter final : public pix::Prompter {
protected:
    pix::Answer Present(const pix::MessageEntry&, const std::string&) override { return pix::Answer::Ok; }
};

std::string TempPath(const char* name) { return (std::filesystem::temp_directory_path() / name).string(); }

void BM_ResizeToThumbnail(benchmark::State& state)
{
    for (auto _ : state) {
        pix::CImageBuffer copy = Photo();
        copy.Resize(80, 60);
        benchmark::DoNotOptimize(copy.Bits());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ResizeToThumbnail)->Unit(benchmark::kMillisecond);

void BM_ResizeToHalf(benchmark::State& state)
{
    for (auto _ : state) {
        pix::CImageBuffer copy = Photo();
        copy.Resize(kWidth / 2, kHeight / 2);
        benchmark::DoNotOptimize(copy.Bits());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_ResizeToHalf)->Unit(benchmark::kMillisecond);

void BM_CopyBaseline(benchmark::State& state)
{
    // The copy each resize benchmark makes, to subtract.
    for (auto _ : state) {
        pix::CImageBuffer copy = Photo();
        benchmark::DoNotOptimize(copy.Bits());
    }
}
BENCHMARK(BM_CopyBaseline)->Unit(benchmark::kMillisecond);

void BM_BmpWrite(benchmark::State& state)
{
    NullPrompter prompter;
    const std::string path = TempPath("pix-bench-write.bmp");
    pix::CImageBuffer buf = Photo();
    for (auto _ : state)
        buf.Save(path);
    std::filesystem::remove(path);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(buf.BitsSize()));
}
BENCHMARK(BM_BmpWrite)->Unit(benchmark::kMillisecond);

void BM_BmpRead(benchmark::State& state)
{
    NullPrompter prompter;
    const std::string path = TempPath("pix-bench-read.bmp");
    pix::CImageBuffer src = Photo();
    src.Save(path);
    for (auto _ : state) {
        pix::CImageBuffer buf;
        buf.Load(path);
        benchmark::DoNotOptimize(buf.Bits());
    }
    std::filesystem::remove(path);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(src.BitsSize()));
}
BENCHMARK(BM_BmpRead)->Unit(benchmark::kMillisecond);

}  // namespace

// The program's formats are registered first, as the programs do.
int main(int argc, char** argv)
{
    pix::RegisterFormats();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
