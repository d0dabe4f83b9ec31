#pragma once
// Turning a picture as its EXIF orientation (1..8) says it is to be shown.

#include <cstdint>

namespace pix {

class CImageBuffer;

// Whether an orientation turns the picture by a quarter (width and height
// change places).
constexpr bool SwapsSides(uint8_t orientation) { return orientation >= 5 && orientation <= 8; }

// Turns and mirrors buf so that what was stored with the given orientation
// is upright. Orientations outside 2..8 leave it as it is; otherwise the
// index plane is discarded. False, leaving buf as it was, when memory for
// the turned picture runs out.
bool TurnUpright(CImageBuffer& buf, uint8_t orientation);

}  // namespace pix
