// Benchmarks of the JPEG and PNG adapters on a 12-megapixel picture:
// JPEG decoding at full size and with thumbnail hints (1/8 scale), JPEG
// encoding, PNG encoding and decoding.
//
// The JPEG file is made by our writer from a photo-like picture; with
// PIX_BENCH_JPEG=path that file is used instead (and made there when it is
// missing), so bench/compare_djpeg.sh can time djpeg on the same bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "image/JpegCodec.h"
#include "image/PngCodec.h"

namespace {

constexpr uint32_t kWidth = 4000;
constexpr uint32_t kHeight = 3000;

class SilentPrompter final : public pix::Prompter {
protected:
    pix::Answer Present(const pix::MessageEntry&, const std::string&) override { return pix::Answer::Ok; }
};

// Smooth gradients, hard edges and fine grain, so the compressed data is
// about as dense as a photograph's.
const pix::CImageBuffer& Photo()
{
    static pix::CImageBuffer buf = [] {
        pix::CImageBuffer b;
        b.Create(kWidth, kHeight);
        uint32_t noise = 12345;
        for (uint32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = b.Row(y);
            for (uint32_t x = 0; x < kWidth; ++x) {
                noise = noise * 1103515245u + 12345u;
                const int grain = static_cast<int>((noise >> 16) & 15) - 8;
                const bool edge = ((x / 250) + (y / 180)) % 3 == 0;
                const int base[3] = {static_cast<int>(x * 200 / kWidth) + (edge ? 40 : 0),
                                     static_cast<int>(y * 180 / kHeight) + 30,
                                     static_cast<int>((x + y) * 120 / (kWidth + kHeight)) + (edge ? 0 : 60)};
                for (int c = 0; c < 3; ++c)
                    row[3 * x + c] = static_cast<uint8_t>(std::clamp(base[c] + grain, 0, 255));
            }
        }
        return b;
    }();
    return buf;
}

const std::string& JpegFile()
{
    static std::string path = [] {
        const char* given = std::getenv("PIX_BENCH_JPEG");
        std::string p = given && *given ? given
                                        : (std::filesystem::temp_directory_path() / "pix-bench-12mp.jpg").string();
        if (!std::filesystem::exists(p)) {
            SilentPrompter prompter;
            pix::WriteJpeg(Photo(), p, pix::kDefaultJpegQuality);
        }
        return p;
    }();
    return path;
}

void BM_JpegDecodeFullSize(benchmark::State& state)
{
    const std::string& path = JpegFile();
    for (auto _ : state) {
        pix::CImageBuffer buf;
        buf.Load(path);
        benchmark::DoNotOptimize(buf.Bits());
        if (buf.IsEmpty())
            state.SkipWithError("the JPEG file does not load");
    }
}
BENCHMARK(BM_JpegDecodeFullSize)->Unit(benchmark::kMillisecond);

void BM_JpegDecodeThumbnailHints(benchmark::State& state)
{
    const std::string& path = JpegFile();
    for (auto _ : state) {
        pix::CImageBuffer buf;
        buf.Load(path, 80, 80);
        benchmark::DoNotOptimize(buf.Bits());
        if (buf.IsEmpty())
            state.SkipWithError("the JPEG file does not load");
    }
}
BENCHMARK(BM_JpegDecodeThumbnailHints)->Unit(benchmark::kMillisecond);

void BM_JpegEncodeQuality75(benchmark::State& state)
{
    SilentPrompter prompter;
    const std::string path = (std::filesystem::temp_directory_path() / "pix-bench-write.jpg").string();
    for (auto _ : state)
        pix::WriteJpeg(Photo(), path, 75);
    std::filesystem::remove(path);
}
BENCHMARK(BM_JpegEncodeQuality75)->Unit(benchmark::kMillisecond);

void BM_PngEncode(benchmark::State& state)
{
    const std::string path = (std::filesystem::temp_directory_path() / "pix-bench-write.png").string();
    for (auto _ : state)
        if (!pix::WritePng(Photo(), path))
            state.SkipWithError("the PNG writer failed");
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove(path);
}
BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond);

void BM_PngDecode(benchmark::State& state)
{
    const std::string path = (std::filesystem::temp_directory_path() / "pix-bench-read.png").string();
    pix::WritePng(Photo(), path);
    for (auto _ : state) {
        pix::CImageBuffer buf;
        buf.Load(path);
        benchmark::DoNotOptimize(buf.Bits());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

}  // namespace
