#pragma once
// TIFF files through libtiff. The reader takes whatever libtiff's RGBA
// interface can convert (old-style JPEG compression refused); the writer
// writes one LZW strip, palette from the index plane or RGB.

#include <cstdint>
#include <span>
#include <string>

#include "common/Outcome.h"
#include "image/FormatTable.h"
#include "image/CImageBuffer.h"

namespace pix {

class Prompter;

// Reads a TIFF file; buf is empty on failure (the hints are not used).
void ReadTiff(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits = nullptr);
// Reads a TIFF file held in memory. Pictures declaring more than maxPixels
// are refused before anything is allocated for them.
void ReadTiffBytes(std::span<const uint8_t> file, CImageBuffer& buf, uint64_t maxPixels = kMaxPixels,
                   PictureTraits* traits = nullptr);

// The size query of the format table: the first directory's width and
// height, from its tags alone; false for pictures the reader refuses
// before reading pixels.
bool QueryTiffSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// Writes buf as TIFF through a temporary file, leaving any old file
// untouched on failure.
Outcome WriteTiff(const CImageBuffer& buf, const std::string& path);

// The format table's row.
extern const FormatRow kTiffFormat;

}  // namespace pix
