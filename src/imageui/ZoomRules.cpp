#include "imageui/ZoomRules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pix {

std::string ZoomRatioText(double zoom)
{
    int a, b;
    if (zoom >= 1) {
        const int n = static_cast<int>(zoom);
        const int h = static_cast<int>(zoom + 0.5 - n);
        a = n + 2 * h;
        b = h + 1;
    } else {
        const double q = 1 / zoom;
        const int n = static_cast<int>(q);
        const int h = static_cast<int>(q + 0.5 - n);
        a = h + 1;
        b = n + 2 * h;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d:%d", a, b);
    return text;
}

std::string FittedRatioText(double zoom)
{
    if (zoom >= 1)
        return ZoomRatioText(zoom);
    // To the nearest half: 1:9, 2:5.
    const long twice = std::lround(2 / zoom);
    char text[32];
    if (twice % 2 == 0)
        std::snprintf(text, sizeof text, "1:%ld", twice / 2);
    else
        std::snprintf(text, sizeof text, "2:%ld", twice);
    return text;
}

namespace {

int HalfStepParity(double zoom)
{
    const int k = zoom >= 1 ? static_cast<int>(2 * zoom + 0.5) : static_cast<int>(2 / zoom + 0.5);
    return ((2 * k) & k) != 0 ? 1 : 0;
}

}  // namespace

double ShrinkToFitZoom(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return 1;
    const double zoom = std::min({1.0, static_cast<double>(areaWidth) / pictureWidth,
                                  static_cast<double>(areaHeight) / pictureHeight});
    // Fitted, the whole picture shows however large it is: below the
    // smallest step where it must, down to one pixel a side.
    return std::max(zoom, 1.0 / std::min(pictureWidth, pictureHeight));
}

ZoomFactor ZoomInStep(double zoom)
{
    const int t = HalfStepParity(zoom);
    const int b = zoom >= 1 ? t : 1 - t;
    return {b + 3, b + 2};
}

ZoomFactor ZoomOutStep(double zoom)
{
    const int t = HalfStepParity(zoom);
    const int b = zoom > 1 ? 1 - t : t;
    return {b + 2, b + 3};
}

}  // namespace pix
