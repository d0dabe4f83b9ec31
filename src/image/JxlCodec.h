#pragma once
// JPEG XL files through libjxl's decoder, read only: the first frame at 8
// bits, its pixels as stored and its orientation told beside them.

#include <cstdint>
#include <span>
#include <string>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"

namespace pix {

// Reads a JPEG XL file; buf is empty on failure (the hints are not used).
void ReadJxl(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
             PictureTraits* traits = nullptr);
// Reads a JPEG XL file held in memory. Pictures declaring more than
// maxPixels are refused before anything is allocated for them.
void ReadJxlBytes(std::span<const uint8_t> file, CImageBuffer& buf, PictureTraits* traits = nullptr,
                  uint64_t maxPixels = kMaxPixels);

// The size as stored and the orientation from the basic information at
// the start of the codestream; false when the bytes end before it.
bool JxlSizeFromBytes(std::span<const uint8_t> head, uint32_t& width, uint32_t& height, uint8_t* orientation);
// The size query of the format table.
bool QueryJxlSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// The format table's row.
extern const FormatRow kJxlFormat;

}  // namespace pix
