#pragma once
// A packed device-independent bitmap: an information header, its colour
// table (or channel masks) and the pixel rows, with no file header. This is
// what the clipboard, scanners and metafile blit records carry.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pix {

class CImageBuffer;

struct PackedDibInfo {
    uint32_t headerSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // negative: rows stored top-down
    uint32_t bpp = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    size_t colorTableBytes = 0;  // colour table or masks after the header
    size_t pixelOffset = 0;      // from the start of the block
};

// Reads the header of a packed DIB; false when it is not one we can read.
bool ParsePackedDibHeader(std::span<const uint8_t> dib, PackedDibInfo& info);

// Converts a packed DIB (1, 4, 8, 16, 24 or 32 bits; uncompressed, run-length
// or bit fields) into buf. Palette pictures keep their index plane. False,
// with buf empty, when the block is not a bitmap we can read.
bool ReadPackedDib(std::span<const uint8_t> dib, CImageBuffer& buf);
// As ReadPackedDib, but a plain bottom-up 24-bit block hands its rows over
// to buf instead of being copied (large pages change hands in place).
bool AdoptPackedDib(std::vector<uint8_t>&& dib, CImageBuffer& buf);

// The packed DIB of a buffer: a 40-byte header and its 24-bit rows.
std::vector<uint8_t> MakePackedDib(const CImageBuffer& buf);

}  // namespace pix
