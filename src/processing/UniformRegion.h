#pragma once
// The rectangle of a uniform region around a pixel: it grows side by side
// while the colour change across each edge stays steady.

#include <cstdint>

namespace pix {

class CImageBuffer;

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;   // exclusive
    int bottom = 0;  // exclusive
};

// x, y and the result count from the picture's top-left corner.
PixelRect FindUniformRegion(const CImageBuffer& buf, int x, int y);

}  // namespace pix
