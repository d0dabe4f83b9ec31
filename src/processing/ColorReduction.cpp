#include "processing/ColorReduction.h"

#include <array>
#include <new>
#include <vector>

#include "image/CImageBuffer.h"
#include "processing/PreservingPalette.h"

namespace pix {

namespace {

inline uint8_t Clamp255(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

ColorWeights WeightsForPreference(int s)
{
    if (s <= -16)
        return {0, 20, 20};
    if (s >= 16)
        return {20, 0, 0};
    if (s < 0)
        return {4, 4 - s, 4 - s};
    return {4 + s, 4, 4};
}

void RgbToYCbCr(uint8_t* packed, size_t pixels)
{
    for (size_t n = 0; n < pixels; ++n, packed += 3) {
        const int r = packed[0], g = packed[1], b = packed[2];
        packed[0] = static_cast<uint8_t>((19595 * r + 38470 * g + 7471 * b + 32768) >> 16);
        packed[1] = static_cast<uint8_t>((-11059 * r - 21709 * g + 32768 * b + 8388608) >> 16);
        packed[2] = static_cast<uint8_t>((32768 * r - 27439 * g - 5329 * b + 8388608) >> 16);
    }
}

void YCbCrToRgb(uint8_t& c0, uint8_t& c1, uint8_t& c2)
{
    const int y = c0;
    const int cb = c1 - 128;
    const int cr = c2 - 128;
    c0 = Clamp255(y + ((91881 * cr + 32768) >> 16));
    c1 = Clamp255(y + ((-46802 * cr - 22554 * cb + 32768) >> 16));
    c2 = Clamp255(y + ((116130 * cb + 32768) >> 16));
}

bool ReduceColors(CImageBuffer& buf, const ReduceOptions& options)
{
    buf.DiscardIndexPlane();
    const int colors = options.colors;
    if (buf.IsEmpty() || colors < 2 || colors > 256)
        return false;
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    const size_t pixels = static_cast<size_t>(width) * height;
    try {
        // Working copy: packed, top row first, red, green, blue.
        std::vector<uint8_t> work(pixels * 3);
        for (uint32_t top = 0; top < height; ++top) {
            const uint8_t* src = buf.Row(height - 1 - top);
            uint8_t* dst = work.data() + static_cast<size_t>(top) * width * 3;
            for (uint32_t x = 0; x < width; ++x, src += 3, dst += 3) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
            }
        }
        std::vector<uint8_t> plane(pixels);
        std::array<uint8_t, 256> red{}, green{}, blue{};
        ColorQuantizer quantizer(options.seed);
        int made = 0;
        if (options.preserve) {
            ChoosePreservingPalette(work.data(), pixels, colors, options.dither, red.data(), green.data(),
                                    blue.data());
            made = quantizer.Quantize(work.data(), plane.data(), width, height, colors, options.dither, false,
                                      red.data(), green.data(), blue.data(), ColorWeights{1, 1, 1}, false);
        } else {
            RgbToYCbCr(work.data(), pixels);
            made = quantizer.Quantize(work.data(), plane.data(), width, height, colors, options.dither, true,
                                      red.data(), green.data(), blue.data(),
                                      WeightsForPreference(options.preference), true);
            if (made > 0) {
                for (int p = 0; p < made; ++p)
                    YCbCrToRgb(red[p], green[p], blue[p]);
                // Entries past the colours made are not used: black.
                for (int p = made; p < 256; ++p)
                    red[p] = green[p] = blue[p] = 0;
            }
        }
        if (made == 0)
            return false;
        work = {};

        if (options.writeBack) {
            for (uint32_t top = 0; top < height; ++top) {
                const uint8_t* index = plane.data() + static_cast<size_t>(top) * width;
                uint8_t* dst = buf.Row(height - 1 - top);
                for (uint32_t x = 0; x < width; ++x, dst += 3) {
                    dst[0] = blue[index[x]];
                    dst[1] = green[index[x]];
                    dst[2] = red[index[x]];
                }
            }
        }
        buf.Red() = red;
        buf.Green() = green;
        buf.Blue() = blue;
        return buf.SetIndexPlane(std::move(plane), colors);
    } catch (const std::bad_alloc&) {
        buf.DiscardIndexPlane();
        return false;
    }
}

}  // namespace pix
