#include "processing/Geometry.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "image/CImageBuffer.h"
#include "image/RowHelpers.h"

namespace pix {

void FlipVertical(CImageBuffer& buf)
{
    if (buf.IsEmpty())
        return;
    FlipRows(buf.Bits(), buf.Stride(), buf.Height());
    if (buf.HasIndexPlane()) {
        std::vector<uint8_t> plane = buf.IndexPlane();
        FlipRows(plane.data(), buf.Width(), buf.Height());
        int count = buf.ColorCount();
        buf.SetIndexPlane(std::move(plane), count);
    }
}

void FlipHorizontal(CImageBuffer& buf)
{
    if (buf.IsEmpty())
        return;
    const uint32_t w = buf.Width();
    for (uint32_t y = 0; y < buf.Height(); ++y) {
        uint8_t* row = buf.Row(y);
        for (uint32_t i = 0; i < w / 2; ++i)
            std::swap_ranges(row + 3 * i, row + 3 * i + 3, row + 3 * (w - 1 - i));
    }
    if (buf.HasIndexPlane()) {
        std::vector<uint8_t> plane = buf.IndexPlane();
        for (uint32_t y = 0; y < buf.Height(); ++y)
            std::reverse(plane.begin() + static_cast<ptrdiff_t>(y) * w,
                         plane.begin() + static_cast<ptrdiff_t>(y + 1) * w);
        int count = buf.ColorCount();
        buf.SetIndexPlane(std::move(plane), count);
    }
}

namespace {

// Rebuilds the picture H × W with new (x', y') taken from old (sx, sy),
// coordinates from the top-left corner.
template <typename Source>
void Rotate(CImageBuffer& buf, Source source)
{
    if (buf.IsEmpty())
        return;
    const uint32_t w = buf.Width();
    const uint32_t h = buf.Height();
    CImageBuffer out;
    if (!out.Create(h, w))
        return;
    for (uint32_t yn = 0; yn < w; ++yn) {
        uint8_t* dst = out.Row(w - 1 - yn);
        for (uint32_t xn = 0; xn < h; ++xn) {
            auto [sx, sy] = source(xn, yn, w, h);
            const uint8_t* src = buf.Row(h - 1 - sy) + 3 * sx;
            dst[3 * xn] = src[0];
            dst[3 * xn + 1] = src[1];
            dst[3 * xn + 2] = src[2];
        }
    }
    out.Red() = buf.Red();
    out.Green() = buf.Green();
    out.Blue() = buf.Blue();
    if (buf.HasIndexPlane()) {
        const std::vector<uint8_t>& old = buf.IndexPlane();
        std::vector<uint8_t> plane(old.size());
        for (uint32_t yn = 0; yn < w; ++yn)
            for (uint32_t xn = 0; xn < h; ++xn) {
                auto [sx, sy] = source(xn, yn, w, h);
                plane[static_cast<size_t>(yn) * h + xn] = old[static_cast<size_t>(sy) * w + sx];
            }
        out.SetIndexPlane(std::move(plane), buf.ColorCount());
    }
    buf = std::move(out);
}

}  // namespace

void RotateRight(CImageBuffer& buf)
{
    Rotate(buf, [](uint32_t xn, uint32_t yn, uint32_t, uint32_t h) { return std::pair{yn, h - 1 - xn}; });
}

void RotateLeft(CImageBuffer& buf)
{
    Rotate(buf, [](uint32_t xn, uint32_t yn, uint32_t w, uint32_t) { return std::pair{w - 1 - yn, xn}; });
}

}  // namespace pix
