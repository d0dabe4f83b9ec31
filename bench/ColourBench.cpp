// Benchmark of bringing a 24-megapixel photo in Adobe RGB (1998) to sRGB on
// load, the cost every photo with an embedded profile adds to its decode.
#include <benchmark/benchmark.h>
#include <lcms2.h>

#include <vector>

#include "image/CImageBuffer.h"
#include "image/ColourProfile.h"

namespace {

std::vector<uint8_t> AdobeRgb()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

void BM_ConvertAdobeRgbPhoto(benchmark::State& state)
{
    const std::vector<uint8_t> profile = AdobeRgb();
    pix::CImageBuffer photo;
    photo.Create(6000, 4000);
    for (uint32_t y = 0; y < photo.Height(); ++y) {
        uint8_t* row = photo.Row(y);
        for (uint32_t i = 0; i < 3 * photo.Width(); ++i)
            row[i] = static_cast<uint8_t>((i * 7 + y * 3) ^ (i >> 5));
    }
    for (auto _ : state) {
        state.PauseTiming();
        pix::CImageBuffer buf = photo;
        state.ResumeTiming();
        benchmark::DoNotOptimize(pix::ConvertToSrgb(buf, profile));
    }
    state.counters["MP/s"] = benchmark::Counter(24.0 * static_cast<double>(state.iterations()),
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConvertAdobeRgbPhoto)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
