#pragma once
// Pictures on the clipboard as device-independent bitmaps ("image/bmp",
// read through the packed-DIB parser) or as the desktop's own image form.

#include <QString>

namespace pix {

class CImageBuffer;

// True when the clipboard holds a picture.
bool ClipboardHasImage();
// Reads the clipboard's picture into buf; false (buf empty) without one.
bool ReadClipboardImage(CImageBuffer& buf);
// Puts the picture (as a 24-bit bitmap and as an image) and, when not
// empty, a text on the clipboard.
void WriteClipboardImage(const CImageBuffer& buf, const QString& text = QString());

}  // namespace pix
