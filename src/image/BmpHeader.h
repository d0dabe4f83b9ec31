#pragma once
// The file and information headers of a bitmap file, apart from the readers
// and writers (the scanning front writes bitmaps with these alone).

#include <cstdint>
#include <vector>

namespace pix {

// "BM", the file size, the offset of the pixels, then a 40-byte information
// header of an uncompressed picture.
void PutBmpHeader(std::vector<uint8_t>& out, uint32_t fileSize, uint32_t dataOffset, uint32_t width, uint32_t height,
                  uint16_t bpp, uint32_t imageSize, uint32_t colors);
// The 54 bytes before the rows of a 24-bit bottom-up bitmap file.
std::vector<uint8_t> BmpTrueColorHeader(uint32_t width, uint32_t height);

}  // namespace pix
