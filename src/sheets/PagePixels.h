#pragma once
// The pixel work of a contact-sheet page, done directly on its bytes: the
// gradient background, the blended background picture and the effects
// around thumbnails. Coordinates count from the top-left pixel; pixels
// outside the surface are never touched.

#include <cstddef>
#include <cstdint>
#include <string>

#include "sheets/PageLayout.h"

namespace pix {

class CImageBuffer;
class CThumbnailSettings;

// Three bytes per pixel in blue, green, red order; rows top to bottom at
// stride bytes from each other (negative for a bottom-up buffer).
struct PageSurface {
    uint8_t* top = nullptr;
    std::ptrdiff_t stride = 0;
    int width = 0;
    int height = 0;

    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    uint8_t* Pixel(int x, int y) const { return top + y * stride + 3 * static_cast<std::ptrdiff_t>(x); }
};
// The surface of a bottom-up buffer.
PageSurface SurfaceOf(CImageBuffer& buffer);

// Fills the surface with the background colour or the gradients.
void FillBackground(const PageSurface& page, const CThumbnailSettings& format);
// Blends picture over the page by placement and opacity; the picture is
// resized for "scale to fit".
void BlendBackgroundPicture(const PageSurface& page, CImageBuffer& picture, const CThumbnailSettings& format);
// Whether the background picture covers the whole page by itself.
bool PictureCoversPage(const CThumbnailSettings& format);

// The rings of a frame or border of depth d around the picture rectangle.
void DrawFrame(const PageSurface& page, const PageRect& picture, int d, FrameStyle style);
// The shadow of depth d to the right of and below the picture rectangle.
void DrawShadow(const PageSurface& page, const PageRect& picture, int d);
// Draws the unscaled picture scaled to the rectangle by nearest pixels,
// fading its edges into the page over d pixels and rounding the corners.
void DrawSoftEdges(const PageSurface& page, const CImageBuffer& picture, const PageRect& rect, int d);
// Puts an unscaled picture into the rectangle placed with the effect fx of
// depth d: faded in for soft edges, else resized to the rectangle, copied
// and framed or shadowed.
void DrawThumbnail(const PageSurface& page, CImageBuffer& picture, const PageRect& placed, int d,
                   const std::string& fx);
// Copies a picture of the rectangle's size onto the page at its corner.
void CopyPicture(const PageSurface& page, const CImageBuffer& picture, int x0, int y0);

}  // namespace pix
