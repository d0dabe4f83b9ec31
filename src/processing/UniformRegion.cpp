#include "processing/UniformRegion.h"

#include <cmath>

#include "image/CImageBuffer.h"

namespace pix {

namespace {

double Distance(const CImageBuffer& buf, int x1, int y1, int x2, int y2)
{
    const int h = static_cast<int>(buf.Height());
    const uint8_t* a = buf.Row(static_cast<uint32_t>(h - 1 - y1)) + 3 * x1;
    const uint8_t* b = buf.Row(static_cast<uint32_t>(h - 1 - y2)) + 3 * x2;
    double d0 = a[0] - b[0], d1 = a[1] - b[1], d2 = a[2] - b[2];
    return std::sqrt(d0 * d0 + d1 * d1 + d2 * d2);
}

}  // namespace

PixelRect FindUniformRegion(const CImageBuffer& buf, int x, int y)
{
    PixelRect r{x, y, x + 1, y + 1};
    if (buf.IsEmpty())
        return r;
    const int w = static_cast<int>(buf.Width());
    const int h = static_cast<int>(buf.Height());
    double refLeft = 0, refRight = 0, refTop = 0, refBottom = 0;
    auto steady = [](double d, double& ref) {
        if ((d - ref) * (d - ref) > 2000)
            return false;
        ref = d;
        return true;
    };
    bool grew = true;
    while (grew) {
        grew = false;
        const PixelRect s = r;  // the rectangle as the pass started
        if (s.left > 0) {
            double sum = 0;
            for (int yy = s.top; yy < s.bottom; ++yy)
                sum += Distance(buf, s.left, yy, s.left - 1, yy);
            if (steady(sum / (s.bottom - s.top), refLeft)) {
                r.left = s.left - 1;
                grew = true;
            }
        }
        if (s.right < w) {
            double sum = 0;
            for (int yy = s.top; yy < s.bottom; ++yy)
                sum += Distance(buf, s.right - 1, yy, s.right, yy);
            if (steady(sum / (s.bottom - s.top), refRight)) {
                r.right = s.right + 1;
                grew = true;
            }
        }
        if (s.top > 0) {
            double sum = 0;
            for (int xx = s.left; xx < s.right; ++xx)
                sum += Distance(buf, xx, s.top, xx, s.top - 1);
            if (steady(sum / (s.right - s.left), refTop)) {
                r.top = s.top - 1;
                grew = true;
            }
        }
        if (s.bottom < h) {
            double sum = 0;
            for (int xx = s.left; xx < s.right; ++xx)
                sum += Distance(buf, xx, s.bottom - 1, xx, s.bottom);
            if (steady(sum / (s.right - s.left), refBottom)) {
                r.bottom = s.bottom + 1;
                grew = true;
            }
        }
    }
    return r;
}

}  // namespace pix
