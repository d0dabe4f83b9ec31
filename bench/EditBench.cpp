// Benchmarks of the image operations on a 12-megapixel picture: a colour
// correction step (tables and mapping, what the preview does per slider
// event), enhance, and a 32 x 32 photo mosaic from 200 sources.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "processing/ColorCorrection.h"
#include "processing/Enhance.h"
#include "processing/PhotoMosaic.h"

namespace {

pix::CImageBuffer Picture(uint32_t w, uint32_t h, uint32_t salt = 0)
{
    pix::CImageBuffer b;
    b.Create(w, h);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = b.Row(y);
        for (uint32_t x = 0; x < w; ++x) {
            row[3 * x] = static_cast<uint8_t>(x * 7 + y + salt);
            row[3 * x + 1] = static_cast<uint8_t>(y * 3 + salt * 5);
            row[3 * x + 2] = static_cast<uint8_t>((x ^ y) * 5 + salt * 11);
        }
    }
    return b;
}

void BM_ColorCorrectionStep(benchmark::State& state)
{
    pix::CImageBuffer image = Picture(4000, 3000);
    const pix::SavedPlanes saved(image);
    int position = -256;
    for (auto _ : state) {
        pix::ColorSliders s;
        s.brightness = position;
        s.gamma = -position / 2;
        saved.Apply(pix::BuildColorTables(s), image);
        position = position >= 256 ? -256 : position + 8;
        benchmark::DoNotOptimize(image.Bits());
    }
}
BENCHMARK(BM_ColorCorrectionStep)->Unit(benchmark::kMillisecond);

void BM_Enhance(benchmark::State& state)
{
    const pix::CImageBuffer original = Picture(4000, 3000);
    for (auto _ : state) {
        pix::CImageBuffer image = original;
        pix::Enhance(image);
        benchmark::DoNotOptimize(image.Bits());
    }
}
BENCHMARK(BM_Enhance)->Unit(benchmark::kMillisecond)->Iterations(2);

class SilentPrompter final : public pix::Prompter {
protected:
    pix::Answer Present(const pix::MessageEntry&, const std::string&) override { return pix::Answer::Ok; }
};

void BM_Mosaic32x32From200Sources(benchmark::State& state)
{
    const auto dir = std::filesystem::temp_directory_path() / "pix-bench-mosaic";
    std::filesystem::create_directories(dir);
    std::vector<pix::MosaicSource> sources;
    SilentPrompter prompter;
    for (uint32_t i = 0; i < 200; ++i) {
        const std::string path = (dir / ("s" + std::to_string(i) + ".bmp")).string();
        Picture(320, 240, i * 13).Save(path);
        sources.push_back({path, i % 4 == 0 ? pix::MosaicSourceKind::Chopped : pix::MosaicSourceKind::AsIs});
    }
    const pix::CImageBuffer target = Picture(2048, 1536, 77);
    pix::MosaicSettings settings;
    settings.clipsPerChopped = 20;
    for (auto _ : state) {
        pix::CImageBuffer image = target;
        pix::NullProgress progress;
        pix::RunPhotoMosaic(image, settings, sources, progress, nullptr);
        benchmark::DoNotOptimize(image.Bits());
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Mosaic32x32From200Sources)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
