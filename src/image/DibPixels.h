#pragma once
// Pixel-array decoding shared by the bitmap-file reader and the packed-DIB
// parser. Every decoder reads through a bounds-checked reader and stops at
// the end of the data, keeping what it decoded.

#include <array>
#include <cstdint>

#include "common/ByteReader.h"

namespace pix {

class CImageBuffer;

struct DibPalette {
    std::array<uint8_t, 256> red{};
    std::array<uint8_t, 256> green{};
    std::array<uint8_t, 256> blue{};
    int count = 0;
};

// Bytes per stored row of a bitmap with bpp bits per pixel.
constexpr uint64_t DibRowBytes(uint64_t width, uint32_t bpp) { return ((width * bpp + 31) / 32) * 4; }

// Uncompressed 1-, 4- or 8-bit rows into a top-down index plane of
// width × height bytes. File rows run bottom-up unless topDown.
void DecodeIndexedRows(ByteReader& in, uint32_t bpp, uint32_t width, uint32_t height, bool topDown,
                       uint8_t* plane);

// Run-length 8 (fourBit false) or run-length 4 data into a top-down index
// plane. Pixels outside the picture are dropped.
void DecodeRunLength(ByteReader& in, bool fourBit, uint32_t width, uint32_t height, uint8_t* plane);

// Fills a buffer's pixels (already created at width × height) from a
// top-down index plane and a palette.
void ExpandIndexPlane(const uint8_t* plane, const DibPalette& palette, CImageBuffer& buf);

// Channel masks of 16- and 32-bit pixels.
struct DibMasks {
    uint32_t red = 0;
    uint32_t green = 0;
    uint32_t blue = 0;
};

// The masks of an uncompressed 16- or 32-bit bitmap.
DibMasks DefaultMasks(uint32_t bpp);

// Uncompressed 16-, 24- or 32-bit rows into a buffer's pixels (already
// created at width × height). 24-bit rows ignore masks.
void DecodeTrueColorRows(ByteReader& in, uint32_t bpp, const DibMasks& masks, bool topDown, CImageBuffer& buf);

// Refuses sizes a file of availableBytes bytes could not plausibly
// describe, before anything is allocated.
bool DibSizePlausible(uint32_t width, uint32_t height, uint32_t bpp, bool compressed, size_t availableBytes);

}  // namespace pix
