#pragma once
// Colour reduction of a picture to at most N colours (2 to 256): chooses a
// palette, maps every pixel to an index and, on request, writes the chosen
// colours back into the true-colour pixels.
//
// A picture of at most N colours keeps exactly those. Otherwise the default
// palette is a median cut in Y, Cb, Cr whose components are weighted by a
// preference slider (left: colour over detail; right: detail over colour);
// each entry is the mean of the picture's colours counted in its box. "Preserve colors" instead picks colours one by one from the
// colour cells the picture really uses.

#include <cstdint>

#include "processing/ColorQuantizer.h"

namespace pix {

class CImageBuffer;

struct ReduceOptions {
    int colors = 256;         // 2..256
    bool dither = true;       // Floyd–Steinberg, else nearest colour
    int preference = 0;       // slider −16..+16 (ignored when preserving)
    bool preserve = false;    // preserving palette selection
    bool writeBack = false;   // replace each pixel by its palette colour
    uint64_t seed = kDefaultJitterSeed;  // jitter of the median-cut histogram
};

// Reduces buf. On success the buffer has a new index plane (top row
// first), the palette in entries 0..N−1 (entries past the colours actually
// made are black) and colour count N. On failure (empty picture, colours
// outside 2..256, memory) the index plane is absent and the pixels are
// unchanged. Runs in time linear in the pixels; not interruptible.
bool ReduceColors(CImageBuffer& buf, const ReduceOptions& options);

// The weights of Y, Cb and Cr for a slider position.
ColorWeights WeightsForPreference(int preference);

// In-place conversion of packed pixels from R, G, B to Y, Cb, Cr in 16.16
// fixed point.
void RgbToYCbCr(uint8_t* packed, size_t pixels);

}  // namespace pix
