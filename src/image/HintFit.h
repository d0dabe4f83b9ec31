#pragma once
// The size hints of a load as a target size: the picture fitted into the
// hints, never enlarged.

#include <cstdint>

namespace pix {

// Turns width × height into the fit of the picture into hintWidth ×
// hintHeight, keeping its proportions: the side whose hint is the tighter
// one gets its hint, the other is rounded up (at least 1). A hint of 0
// leaves its side free; hints of 0 × 0, or a picture already within the
// hints, leave the size as it is.
void FitToHints(uint32_t& width, uint32_t& height, uint32_t hintWidth, uint32_t hintHeight);

}  // namespace pix
