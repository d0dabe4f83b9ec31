#pragma once
// The EXIF item of the ISO base media file formats (HEIF, AVIF): a 4-byte
// big-endian offset to the TIFF header, then the block.

#include <cstdint>
#include <span>

namespace pix {

// The orientation (1..8) in an EXIF item, or 0 when it tells none.
uint8_t ExifItemOrientation(std::span<const uint8_t> item);

}  // namespace pix
