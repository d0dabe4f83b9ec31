#include "imageui/ImagePrinting.h"

#include <QPainter>

#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"

namespace pix {

QRect FitOnPage(int width, int height, const QRect& printable)
{
    if (width <= 0 || height <= 0)
        return {};
    const long long left = printable.left(), top = printable.top();
    const long long right = printable.right(), bottom = printable.bottom();
    long long w = right - left + 1;
    long long h = height * w / width;
    if (h > bottom - top + 1) {
        h = bottom - top + 1;
        w = width * h / height;
    }
    const long long x = (right - w - left) / 2;
    const long long y = (bottom - top - h) / 2;
    return QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h));
}

void PrintImagePage(const CImageBuffer& image, QPainter& painter, const QRect& printable, bool highQuality,
                    bool preview)
{
    if (image.IsEmpty())
        return;
    const int W = static_cast<int>(image.Width());
    const int H = static_cast<int>(image.Height());
    const QRect place = FitOnPage(W, H, printable);
    if (place.isEmpty())
        return;
    if (preview || !highQuality) {
        DrawBuffer(image, painter, place, QRect(0, 0, W, H), false);
        return;
    }
    CImageBuffer copy = image;
    if (copy.IsEmpty())
        return;  // no memory for the copy: nothing is printed
    copy.Resize(static_cast<uint32_t>(place.width()), static_cast<uint32_t>(place.height()));
    if (copy.Width() != static_cast<uint32_t>(place.width()))
        return;
    for (int i = 0; i < place.height(); ++i) {
        const QRect row(0, i, place.width(), 1);
        DrawBuffer(copy, painter, QRect(place.x(), place.y() + i, place.width(), 1), row, false);
    }
}

}  // namespace pix
