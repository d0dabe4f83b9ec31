#include "image/Orientation.h"

#include <cstddef>
#include <utility>

#include "image/CImageBuffer.h"

namespace pix {
namespace {

// Where the shown picture's top-left pixel is in the stored one, and which
// way one step right and one step down in the shown picture go there, in
// the stored picture's columns (x) and rows counted from the top (y).
struct Walk {
    bool fromRight, fromBottom;  // origin at the last column / last row
    int rightX, rightY;          // one step right
    int downX, downY;            // one step down
};

constexpr Walk kWalks[9] = {
    {false, false, 1, 0, 0, 1},   // (unused)
    {false, false, 1, 0, 0, 1},   // 1: as stored
    {true, false, -1, 0, 0, 1},   // 2: mirrored left to right
    {true, true, -1, 0, 0, -1},   // 3: turned half round
    {false, true, 1, 0, 0, -1},   // 4: mirrored top to bottom
    {false, false, 0, 1, 1, 0},   // 5: mirrored about the main diagonal
    {false, true, 0, -1, 1, 0},   // 6: stored a quarter left, turned right
    {true, true, 0, -1, -1, 0},   // 7: mirrored about the other diagonal
    {true, false, 0, 1, -1, 0},   // 8: stored a quarter right, turned left
};

}  // namespace

bool TurnUpright(CImageBuffer& buf, uint8_t orientation)
{
    if (orientation < 2 || orientation > 8 || buf.IsEmpty())
        return true;
    const Walk& walk = kWalks[orientation];
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    const bool swap = SwapsSides(orientation);
    const uint32_t outWidth = swap ? height : width;
    const uint32_t outHeight = swap ? width : height;
    CImageBuffer out;
    if (!out.Create(outWidth, outHeight))
        return false;

    // Memory rows run bottom-up: a step down the stored picture is a step
    // back through memory.
    const auto stride = static_cast<ptrdiff_t>(buf.Stride());
    const ptrdiff_t right = 3 * walk.rightX - stride * walk.rightY;
    const ptrdiff_t down = 3 * walk.downX - stride * walk.downY;
    const uint32_t x0 = walk.fromRight ? width - 1 : 0;
    const uint32_t y0 = walk.fromBottom ? height - 1 : 0;
    const uint8_t* bits = buf.Bits();
    const auto origin = static_cast<ptrdiff_t>(stride * (height - 1 - y0) + 3 * static_cast<ptrdiff_t>(x0));
    for (uint32_t y = 0; y < outHeight; ++y) {
        ptrdiff_t at = origin + down * static_cast<ptrdiff_t>(y);
        uint8_t* dst = out.Row(outHeight - 1 - y);
        for (uint32_t x = 0; x < outWidth; ++x, at += right, dst += 3) {
            dst[0] = bits[at];
            dst[1] = bits[at + 1];
            dst[2] = bits[at + 2];
        }
    }
    buf = std::move(out);
    return true;
}

}  // namespace pix
