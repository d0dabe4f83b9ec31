#pragma once
// Windows bitmap files: the reader (1, 4, 8 and 24 bits, run-length 4 and
// 8, 12-byte and 40-byte-family headers) and the two writers (24-bit, and
// 1/4/8-bit from the index plane).

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/Outcome.h"
#include "image/FormatTable.h"
#include "image/BmpHeader.h"

namespace pix {

class CImageBuffer;
class Prompter;

void ReadBmp(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
             PictureTraits* traits = nullptr);
// Reads a bitmap file held in memory; buf is left empty on failure.
void ReadBmpBytes(std::span<const uint8_t> file, CImageBuffer& buf);

// The bytes at the start of a file the size query needs: the file header
// and the fields of the information header.
inline constexpr size_t kBmpSizeHeadBytes = 54;
// The width and height ReadBmpBytes gives a file of fileSize bytes that
// begins with head (its first kBmpSizeHeadBytes bytes, or all of a shorter
// file), decided from the headers alone; false when the reader refuses it.
bool BmpSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height);
// The size query of the format table: reads only the headers.
bool QueryBmpSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// Writes the palette form when buf has an index plane, else 24 bits.
Outcome WriteBmp(const CImageBuffer& buf, const std::string& path);
Outcome WriteBmpTrueColor(const CImageBuffer& buf, const std::string& path);
Outcome WriteBmpPalette(const CImageBuffer& buf, const std::string& path);

// The format table's row.
extern const FormatRow kBmpFormat;

}  // namespace pix
