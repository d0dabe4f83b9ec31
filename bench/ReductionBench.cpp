// Colour reduction of a 2-megapixel photograph to 256 colours: time, and
// the peak signal-to-noise ratio of the written-back result against the
// original (counter "PSNR_dB").
//
// The photograph is PIX_BENCH_PHOTO, else Storm.jpg of the shared corpus,
// resampled to 2 megapixels; without either the benchmarks are skipped.
// The resampled original and our dithered result are written as bitmaps
// (PIX_BENCH_REDUCE_IN, PIX_BENCH_REDUCE_OUT; by default in the temporary
// folder) so bench/compare_reduction.sh can run ImageMagick on the same
// picture.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "processing/ColorReduction.h"

namespace {

namespace fs = std::filesystem;

class QuietPrompter final : public pix::Prompter {
protected:
    pix::Answer Present(const pix::MessageEntry&, const std::string&) override { return pix::Answer::Ok; }
};

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string TempFile(const char* name) { return (fs::temp_directory_path() / name).string(); }

// The photograph at 2 megapixels, or an empty buffer.
const pix::CImageBuffer& Photo()
{
    static pix::CImageBuffer buf = [] {
        std::string path = EnvOr("PIX_BENCH_PHOTO", "");
        if (path.empty())
            path = (fs::path(PIX_SOURCE_DIR) / "../shared/corpus/photos/Storm.jpg").string();
        pix::CImageBuffer b;
        b.Load(path);
        if (b.IsEmpty())
            return b;
        const double scale = std::sqrt(2.0e6 / (double(b.Width()) * b.Height()));
        b.Resize(static_cast<uint32_t>(b.Width() * scale + 0.5), static_cast<uint32_t>(b.Height() * scale + 0.5));
        QuietPrompter prompter;
        b.Save(EnvOr("PIX_BENCH_REDUCE_IN", TempFile("pix-bench-2mp.bmp")));
        return b;
    }();
    return buf;
}

double Psnr(const pix::CImageBuffer& a, const pix::CImageBuffer& b)
{
    double sum = 0;
    for (uint32_t y = 0; y < a.Height(); ++y) {
        const uint8_t* pa = a.Row(y);
        const uint8_t* pb = b.Row(y);
        for (uint32_t i = 0; i < a.Width() * 3; ++i) {
            const double d = double(pa[i]) - double(pb[i]);
            sum += d * d;
        }
    }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

void BM_Reduce256(benchmark::State& state)
{
    const pix::CImageBuffer& photo = Photo();
    if (photo.IsEmpty()) {
        state.SkipWithError("no photograph (set PIX_BENCH_PHOTO)");
        return;
    }
    pix::ReduceOptions options;
    options.colors = 256;
    options.dither = state.range(0) != 0;
    // As saving a GIF does: the pixels stay, the index plane is made.
    pix::CImageBuffer work = photo;
    for (auto _ : state) {
        pix::ReduceColors(work, options);
        benchmark::DoNotOptimize(work.IndexPlane().data());
    }
    pix::CImageBuffer written = photo;
    options.writeBack = true;
    pix::ReduceColors(written, options);
    state.counters["PSNR_dB"] = Psnr(photo, written);
    state.counters["MP"] = photo.Width() * double(photo.Height()) / 1e6;
    state.SetItemsProcessed(state.iterations() * int64_t{photo.Width()} * photo.Height());
    if (options.dither) {
        QuietPrompter prompter;
        written.DiscardIndexPlane();  // the true-colour result
        written.Save(EnvOr("PIX_BENCH_REDUCE_OUT", TempFile("pix-bench-2mp-reduced.bmp")));
    }
}
BENCHMARK(BM_Reduce256)->ArgName("dither")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
