#pragma once
// Conversions between CImageBuffer and QImage, and drawing a buffer onto a
// QPainter (halftone = smooth scaling).

#include <QImage>
#include <QRect>

class QPainter;

namespace pix {

class ThumbnailList;

class CImageBuffer;

// A copy of the picture as a top-down QImage (Format_RGB888 order is
// taken care of); a null image for an empty buffer.
QImage ToQImage(const CImageBuffer& buf);

// Replaces buf by a 24-bit copy of image (any format; alpha is dropped
// after composing on black, as a device bitmap would hold it). An empty
// buffer for a null image.
void FromQImage(const QImage& image, CImageBuffer& buf);

// Draws the source rectangle of the picture (pixels, origin at the top-left
// corner) stretched onto the destination rectangle. Nothing happens for an
// empty buffer. halftone asks for smooth (filtered) scaling.
void DrawBuffer(const CImageBuffer& buf, QPainter& painter, const QRect& destination, const QRect& source,
                bool halftone);

// The list picture of item k as an image, the mask colour transparent.
QImage ThumbnailImage(const ThumbnailList& list, size_t k);
// The same for a cx × cy list picture (top-down RGB) of its own.
QImage ListPictureImage(const uint8_t* pixels, int cx, int cy);

}  // namespace pix
