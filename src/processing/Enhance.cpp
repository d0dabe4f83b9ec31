#include "processing/Enhance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "image/CImageBuffer.h"

namespace pix {

namespace {

// Byte offset of channel c (0 blue, 1 green, 2 red) of pixel (x, y)
// counted from the top-left corner.
inline size_t At(const CImageBuffer& img, uint32_t x, uint32_t y)
{
    return static_cast<size_t>(img.Stride()) * (img.Height() - 1 - y) + 3u * x;
}

}  // namespace

void EnhanceAdaptiveFilter(CImageBuffer& image)
{
    if (image.IsEmpty())
        return;
    const uint32_t w = image.Width();
    const uint32_t h = image.Height();
    const uint8_t* src = image.Bits();

    // Activity of every pixel per channel, and the sums for the image's.
    std::vector<std::array<uint32_t, 3>> activity(static_cast<size_t>(w) * h);
    std::array<double, 3> total{};
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = src + At(image, x, y);
            std::array<uint32_t, 3> d{};
            for (uint32_t qy = y ? y - 1 : 0; qy <= std::min(y + 1, h - 1); ++qy)
                for (uint32_t qx = x ? x - 1 : 0; qx <= std::min(x + 1, w - 1); ++qx) {
                    const uint8_t* q = src + At(image, qx, qy);
                    for (int c = 0; c < 3; ++c)
                        d[c] += static_cast<uint32_t>(std::abs(p[c] - q[c]));
                }
            activity[static_cast<size_t>(y) * w + x] = d;
            for (int c = 0; c < 3; ++c)
                total[c] += d[c];
        }
    const uint64_t divisor = static_cast<uint64_t>(w) * h / 3;
    double k = 0;
    if (divisor > 0)
        for (int c = 0; c < 3; ++c)
            k = std::max(k, total[c] / static_cast<double>(divisor));
    // With no activity anywhere (a flat picture, or fewer than three
    // pixels) there is nothing to smooth or sharpen: pixels stay.
    if (k <= 0)
        return;

    std::vector<uint8_t> out(image.BitsSize());
    std::copy(src, src + image.BitsSize(), out.begin());
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const auto& d = activity[static_cast<size_t>(y) * w + x];
            const uint32_t dmin = std::min({d[0], d[1], d[2]});
            if (dmin > 2 * k)
                continue;  // a strong edge keeps its value
            std::array<uint32_t, 3> sum{};
            uint32_t count = 0;
            for (uint32_t qy = y ? y - 1 : 0; qy <= std::min(y + 1, h - 1); ++qy)
                for (uint32_t qx = x ? x - 1 : 0; qx <= std::min(x + 1, w - 1); ++qx) {
                    const uint8_t* q = src + At(image, qx, qy);
                    for (int c = 0; c < 3; ++c)
                        sum[c] += q[c];
                    ++count;
                }
            const double factor = std::sqrt(dmin / k);
            const size_t at = At(image, x, y);
            for (int c = 0; c < 3; ++c) {
                const int mean = static_cast<int>(sum[c] / count);
                const double v = mean + (src[at + c] - mean) * factor;
                out[at + c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
            }
        }
    std::copy(out.begin(), out.end(), image.Bits());
}

void EnhanceStretch(CImageBuffer& image)
{
    if (image.IsEmpty())
        return;
    const uint32_t w = image.Width();
    const uint32_t h = image.Height();
    const uint8_t* src = image.Bits();
    std::array<int, 3> lo{255, 255, 255};
    std::array<int, 3> hi{0, 0, 0};
    for (uint32_t y = 0; y + 1 < h; y += 2)
        for (uint32_t x = 0; x + 1 < w; x += 2) {
            std::array<int, 3> m{};
            for (int c = 0; c < 3; ++c)
                m[c] = (src[At(image, x, y) + c] + src[At(image, x + 1, y) + c] + src[At(image, x, y + 1) + c] +
                        src[At(image, x + 1, y + 1) + c]) /
                       4;
            const int mb = m[0], mg = m[1], mr = m[2];
            const int spread = std::abs(mg - mb) + std::abs(mr - mg) + std::abs(mb - mr);
            if (spread <= 16 || spread >= 256)
                continue;
            for (int c = 0; c < 3; ++c) {
                lo[c] = std::min(lo[c], m[c]);
                hi[c] = std::max(hi[c], m[c]);
            }
        }
    std::array<std::array<uint8_t, 256>, 3> table{};
    for (int c = 0; c < 3; ++c) {
        if (lo[c] >= hi[c]) {
            lo[c] = 0;
            hi[c] = 255;
        }
        for (int v = 0; v < 256; ++v) {
            const double s = static_cast<double>(v - lo[c]) * 255.0 / (hi[c] - lo[c]);
            table[c][v] = static_cast<uint8_t>(std::clamp(s, 0.0, 255.0));
        }
    }
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* p = image.Row(y);
        for (uint32_t x = 0; x < w; ++x, p += 3)
            for (int c = 0; c < 3; ++c)
                p[c] = table[c][p[c]];
    }
}

void Enhance(CImageBuffer& image)
{
    EnhanceAdaptiveFilter(image);
    EnhanceStretch(image);
    image.DiscardIndexPlane();
}

}  // namespace pix
