#pragma once
// One-step improvement: an adaptive 3 × 3 filter that smooths quiet areas
// and sharpens moderately busy ones, then a stretch of each channel's
// range measured on colourful 2 × 2 blocks. Discards the index plane.

namespace pix {

class CImageBuffer;

void Enhance(CImageBuffer& image);
// The two stages on their own.
void EnhanceAdaptiveFilter(CImageBuffer& image);
void EnhanceStretch(CImageBuffer& image);

}  // namespace pix
