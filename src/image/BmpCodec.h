#pragma once
// Windows bitmap files: the reader (1, 4, 8 and 24 bits, run-length 4 and
// 8, 12-byte and 40-byte-family headers) and the two writers (24-bit, and
// 1/4/8-bit from the index plane).

#include <cstdint>
#include <span>
#include <string>

namespace pix {

class CImageBuffer;
class Prompter;

void ReadBmp(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf);
// Reads a bitmap file held in memory; buf is left empty on failure.
void ReadBmpBytes(std::span<const uint8_t> file, CImageBuffer& buf);

// Writes the palette form when buf has an index plane, else 24 bits.
void WriteBmp(CImageBuffer& buf, const std::string& path, Prompter& prompter);
void WriteBmpTrueColor(const CImageBuffer& buf, const std::string& path, Prompter& prompter);
void WriteBmpPalette(const CImageBuffer& buf, const std::string& path, Prompter& prompter);

}  // namespace pix
