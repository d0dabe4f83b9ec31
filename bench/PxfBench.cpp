// PXF against PNG level 9 on the photographs of the shared corpus (or the
// folder PIX_BENCH_PHOTOS): encode and decode speed (bytes_per_second is
// megabytes of 24-bit pixels) and the size (counter "bits_per_pixel"), plus
// "s_per_MP" for the decoders. The photographs are decoded from JPEG once,
// at reduced scale (PIX_BENCH_PHOTO_HINT, default 2048 pixels) to keep a
// run short; PNG is written by libpng at zlib level 9 and read back by our
// reader.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/CImageBuffer.h"
#include "image/PngCodec.h"
#include "image/PxfCodec.h"

namespace {

namespace fs = std::filesystem;

struct Photo {
    pix::CImageBuffer pixels;
    std::vector<uint8_t> pxf;
    std::vector<uint8_t> png;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void NoFlush(png_structp) {}

// True colour, zlib level 9, libpng's default filter choice.
std::vector<uint8_t> EncodePngLevel9(const pix::CImageBuffer& buf)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, buf.Width(), buf.Height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (uint32_t y = buf.Height(); y-- > 0;)
        png_write_row(png, buf.Row(y));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<Photo>& Photos()
{
    static std::vector<Photo> photos = [] {
        std::vector<Photo> list;
        const char* dirEnv = std::getenv("PIX_BENCH_PHOTOS");
        const fs::path dir = dirEnv && *dirEnv ? fs::path(dirEnv) : fs::path(PIX_SOURCE_DIR) / "../shared/corpus/photos";
        const char* hintEnv = std::getenv("PIX_BENCH_PHOTO_HINT");
        const uint32_t hint = hintEnv && *hintEnv ? static_cast<uint32_t>(std::atoi(hintEnv)) : 2048;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir, ec)) {
            if (entry.path().extension() != ".jpg")
                continue;
            Photo p;
            p.pixels.Load(entry.path().string(), hint, hint);
            if (p.pixels.IsEmpty())
                continue;
            p.pxf = pix::EncodePxf(p.pixels);
            p.png = EncodePngLevel9(p.pixels);
            list.push_back(std::move(p));
        }
        return list;
    }();
    return photos;
}

double TotalPixels()
{
    double n = 0;
    for (const Photo& p : Photos())
        n += static_cast<double>(p.pixels.Width()) * p.pixels.Height();
    return n;
}

void Report(benchmark::State& state, bool pxf, bool decoding)
{
    double bytes = 0;
    for (const Photo& p : Photos())
        bytes += static_cast<double>(pxf ? p.pxf.size() : p.png.size());
    const double pixels = TotalPixels();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pixels * 3));
    state.counters["bits_per_pixel"] = bytes * 8 / pixels;
    state.counters["megapixels"] = pixels / 1e6;
    if (decoding)
        state.counters["s_per_MP"] =
            benchmark::Counter(pixels / 1e6 * static_cast<double>(state.iterations()),
                               benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

bool HavePhotos(benchmark::State& state)
{
    if (Photos().empty()) {
        state.SkipWithError("no photographs (set PIX_BENCH_PHOTOS)");
        return false;
    }
    return true;
}

void BM_PxfEncode(benchmark::State& state)
{
    if (!HavePhotos(state))
        return;
    for (auto _ : state)
        for (const Photo& p : Photos())
            benchmark::DoNotOptimize(pix::EncodePxf(p.pixels).size());
    Report(state, true, false);
}
BENCHMARK(BM_PxfEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PxfDecode(benchmark::State& state)
{
    if (!HavePhotos(state))
        return;
    for (auto _ : state)
        for (const Photo& p : Photos()) {
            pix::CImageBuffer buf;
            pix::ReadPxfBytes(p.pxf, buf);
            if (buf.IsEmpty())
                state.SkipWithError("a PXF file did not decode");
            benchmark::DoNotOptimize(buf.Bits());
        }
    Report(state, true, true);
}
BENCHMARK(BM_PxfDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PngLevel9Encode(benchmark::State& state)
{
    if (!HavePhotos(state))
        return;
    for (auto _ : state)
        for (const Photo& p : Photos())
            benchmark::DoNotOptimize(EncodePngLevel9(p.pixels).size());
    Report(state, false, false);
}
BENCHMARK(BM_PngLevel9Encode)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_PngDecode(benchmark::State& state)
{
    if (!HavePhotos(state))
        return;
    for (auto _ : state)
        for (const Photo& p : Photos()) {
            pix::CImageBuffer buf;
            pix::ReadPngBytes(p.png, buf);
            if (buf.IsEmpty())
                state.SkipWithError("a PNG file did not decode");
            benchmark::DoNotOptimize(buf.Bits());
        }
    Report(state, false, true);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
