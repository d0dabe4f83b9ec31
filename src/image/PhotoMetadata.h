#pragma once
// A photo's metadata (EXIF, XMP, IPTC) as the program uses it. Everything
// here is read with Exiv2; no Exiv2 type leaves this adapter, and damaged
// or hostile metadata only makes a function tell less.

#include <cstdint>
#include <span>

namespace pix {

// The EXIF orientation (1..8) in an EXIF block that starts with its TIFF
// header, or with "Exif\0\0" and then the header. 0 when the block tells
// none or cannot be read.
uint8_t ExifOrientation(std::span<const uint8_t> exif);

}  // namespace pix
