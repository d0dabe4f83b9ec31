#pragma once
// The "preserve colors" palette: colours are chosen one by one from the
// 64 × 32 × 32 cells (red >> 2, green >> 3, blue >> 3) the picture occupies,
// each time the cell the palette so far represents worst, so that small
// areas of a distinct colour keep their colour. Every chosen colour is the
// lowest corner of its cell (red a multiple of 4, green and blue of 8).

#include <cstddef>
#include <cstdint>

namespace pix {

// Fills entries 0..colors−1 of the three planes from pixels packed red,
// green, blue. dither chooses how a cell's representation is judged: by
// four steps of error diffusion, or by its nearest colour weighted by the
// square root of its pixel count. When every occupied cell is taken (or
// already represented exactly) the next entries repeat the last choice; a
// picture with no colour away from black gets black as entry 0.
void ChoosePreservingPalette(const uint8_t* packedRgb, size_t pixels, int colors, bool dither, uint8_t* red,
                             uint8_t* green, uint8_t* blue);

}  // namespace pix
