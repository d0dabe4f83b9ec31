#include "image/HintFit.h"

#include <algorithm>

namespace pix {

void FitToHints(uint32_t& width, uint32_t& height, uint32_t hintWidth, uint32_t hintHeight)
{
    if ((hintWidth == 0 && hintHeight == 0) || width == 0 || height == 0)
        return;
    const uint64_t w = width;
    const uint64_t h = height;
    const bool byWidth = hintHeight == 0 || (hintWidth != 0 && uint64_t{hintWidth} * h <= uint64_t{hintHeight} * w);
    if (byWidth && hintWidth < w) {
        height = static_cast<uint32_t>(std::max<uint64_t>(1, (h * hintWidth + w - 1) / w));
        width = hintWidth;
    } else if (!byWidth && hintHeight < h) {
        width = static_cast<uint32_t>(std::max<uint64_t>(1, (w * hintHeight + h - 1) / h));
        height = hintHeight;
    }
}

}  // namespace pix
