// List pictures of contact sheets from large photographs, against the floor
// of decoding the same files at 1/8 scale with libjpeg-turbo in process.
// The photographs come from PIX_BENCH_PHOTOS (bench/make_photo_set.sh makes
// 200 of about 12 MP); without it the benchmarks are skipped.
//   BM_ThumbnailFloor      libjpeg-turbo, 1/8 scale, decode only
//   BM_ThumbnailOneWorker  the painter, one file after the other
//   BM_ThumbnailPool       the painter on the worker pool, in list order
// Each reports the time per photograph.
#include <benchmark/benchmark.h>
#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/Progress.h"
#include "render/ThumbnailPainter.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::string>& Photos()
{
    static const std::vector<std::string> photos = [] {
        std::vector<std::string> out;
        const char* dir = std::getenv("PIX_BENCH_PHOTOS");
        std::error_code ec;
        if (dir)
            for (const auto& e : fs::directory_iterator(dir, ec))
                if (e.path().extension() == ".jpg")
                    out.push_back(e.path().string());
        std::sort(out.begin(), out.end());
        return out;
    }();
    return photos;
}

void PerPhoto(benchmark::State& state)
{
    // Seconds per photograph (printed with an SI prefix: "15.5m" is 15.5 ms).
    state.counters["per_photo"] = benchmark::Counter(
        static_cast<double>(Photos().size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Decodes a JPEG file at 1/8 scale into a scanline buffer.
void DecodeEighth(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = 8;
    jpeg_start_decompress(&cinfo);
    std::vector<JSAMPLE> row(static_cast<size_t>(cinfo.output_width) * cinfo.output_components);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    benchmark::DoNotOptimize(row.data());
}

void BM_ThumbnailFloor(benchmark::State& state)
{
    if (Photos().empty())
        return state.SkipWithError("set PIX_BENCH_PHOTOS (bench/make_photo_set.sh)");
    for (auto _ : state)
        for (const auto& p : Photos())
            DecodeEighth(p);
    PerPhoto(state);
}

void BM_ThumbnailOneWorker(benchmark::State& state)
{
    if (Photos().empty())
        return state.SkipWithError("set PIX_BENCH_PHOTOS (bench/make_photo_set.sh)");
    pix::PaintedThumbnailMaker painter;
    for (auto _ : state)
        for (const auto& p : Photos())
            benchmark::DoNotOptimize(painter.MakeThumbnail(p, 80, 80, true));
    PerPhoto(state);
}

void BM_ThumbnailPool(benchmark::State& state)
{
    if (Photos().empty())
        return state.SkipWithError("set PIX_BENCH_PHOTOS (bench/make_photo_set.sh)");
    pix::PaintedThumbnailMaker painter;
    pix::NullProgress progress;
    for (auto _ : state) {
        pix::PrefetchingThumbnailMaker pool(painter, Photos(), progress, static_cast<unsigned>(state.range(0)));
        for (const auto& p : Photos())
            benchmark::DoNotOptimize(pool.MakeThumbnail(p, 80, 80, true));
    }
    state.counters["workers"] = static_cast<double>(state.range(0));
    PerPhoto(state);
}

}  // namespace

BENCHMARK(BM_ThumbnailFloor)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ThumbnailOneWorker)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ThumbnailPool)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
