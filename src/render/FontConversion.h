#pragma once
// Stored font descriptions and Qt fonts. The stored height is in tenths of
// a point; a device of dpi dots per inch draws it at height × dpi / 720
// pixels.

#include <QFont>

#include "sheets/LogFont.h"

namespace pix {

// The font for a device of the given vertical resolution.
QFont ToQFont(const LogFont& font, int dpi);
// The description of a font shown at pixelHeight pixels on a screen of
// dpi dots per inch: its height becomes pixelHeight × 720 / dpi.
LogFont FromQFont(const QFont& font, int pixelHeight, int dpi);
// The system font's description, made the default of every new format.
LogFont SystemLogFont();

}  // namespace pix
