#pragma once
// Printing a picture on one page: fitted to the printable area with its
// proportions kept and centred; at high quality resampled to the printed
// size first and sent row by row.

#include <QRect>

class QPainter;

namespace pix {

class CImageBuffer;

// Where a width × height picture goes inside the printable rectangle
// (inclusive corners, as the page reports them).
QRect FitOnPage(int width, int height, const QRect& printable);

// Draws the picture on the page. Preview always takes the normal path.
void PrintImagePage(const CImageBuffer& image, QPainter& painter, const QRect& printable, bool highQuality,
                    bool preview);

}  // namespace pix
