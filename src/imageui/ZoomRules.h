#pragma once
// The zoom arithmetic of the image view: the ratio text of a zoom and the
// steps of click zooming along 1/8, 1/6, 1/4, 1/3, 1/2, 2/3, 1, 3/2, 2, 3,
// 4, 6, 8. Factors are given as numerator and denominator so that zooms on
// the sequence stay exact.

#include <string>

namespace pix {

inline constexpr double kMinZoom = 0.125;
inline constexpr double kMaxZoom = 8.0;

struct ZoomFactor {
    int num;
    int den;
};

// "n:m" for a zoom.
std::string ZoomRatioText(double zoom);
// The same for a zoom off the sequence (a picture fitted to its window):
// below 1:1 the ratio to the nearest half, "1:9", "2:5".
std::string FittedRatioText(double zoom);
// The next step up (4/3 or 3/2) and down (3/4 or 2/3) from zoom.
ZoomFactor ZoomInStep(double zoom);
ZoomFactor ZoomOutStep(double zoom);
inline double ApplyZoom(double zoom, ZoomFactor f) { return zoom * f.num / f.den; }
// The zoom that shows a whole picture in an area: 1 when it fits already,
// below the smallest step where the picture needs it.
double ShrinkToFitZoom(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

}  // namespace pix
