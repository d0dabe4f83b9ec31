#include "processing/ColorReduction.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "image/CImageBuffer.h"
#include "processing/PreservingPalette.h"

namespace pix {

namespace {

// When the packed pixels hold at most colors distinct colours, stores them
// in order of first appearance into the palette, each pixel's own index
// into plane, and returns their number; otherwise returns 0, usually after
// a few rows of a photograph.
int ExactPalette(const uint8_t* packed, size_t pixels, int colors, uint8_t* plane, uint8_t* red, uint8_t* green,
                 uint8_t* blue)
{
    // Open addressing over 24-bit colours, at most a quarter full.
    constexpr uint32_t kSlots = 1024;
    constexpr uint32_t kEmpty = 0xFFFFFFFFu;
    std::array<uint32_t, kSlots> keys;
    std::array<uint8_t, kSlots> indices{};
    keys.fill(kEmpty);
    int found = 0;
    uint32_t last = kEmpty;
    uint8_t lastIndex = 0;
    for (size_t n = 0; n < pixels; ++n, packed += 3) {
        const uint32_t key = (uint32_t{packed[0]} << 16) | (uint32_t{packed[1]} << 8) | packed[2];
        if (key != last) {
            uint32_t slot = (key * 0x9E3779B1u) >> 22;
            while (keys[slot] != key && keys[slot] != kEmpty)
                slot = (slot + 1) & (kSlots - 1);
            if (keys[slot] == kEmpty) {
                if (found == colors)
                    return 0;
                keys[slot] = key;
                indices[slot] = static_cast<uint8_t>(found);
                red[found] = packed[0];
                green[found] = packed[1];
                blue[found] = packed[2];
                ++found;
            }
            last = key;
            lastIndex = indices[slot];
        }
        plane[n] = lastIndex;
    }
    return found;
}

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
            // A picture with few colours keeps them all exactly; otherwise
            // the median cut in Y, Cb, Cr gives each box the mean of the
            // colours counted in it.
            made = ExactPalette(work.data(), pixels, colors, plane.data(), red.data(), green.data(), blue.data());
            if (made == 0) {
                RgbToYCbCr(work.data(), pixels);
                // The own colours are the picture's bottom-up rows of blue, green, red.
                OwnColours own;
                own.first = buf.Row(height - 1);
                own.stride = -static_cast<ptrdiff_t>(buf.Stride());
                own.order = {2, 1, 0};
                own.toWorking = RgbToYCbCr;
                made = quantizer.BuildPalette(work.data(), width, height, colors,
                                              WeightsForPreference(options.preference), &own, red.data(),
                                              green.data(), blue.data());
                if (made > 0 && !quantizer.Map(work.data(), plane.data(), width, height, options.dither, true))
                    made = 0;
            }
            // Entries past the colours made are not used: black.
            for (int p = std::max(made, 0); p < 256; ++p)
                red[p] = green[p] = blue[p] = 0;
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
