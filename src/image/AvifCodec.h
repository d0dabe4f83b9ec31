#pragma once
// AVIF files through libavif: the reader takes the first picture of a
// file (of a sequence, its first frame) at 8 bits, the writers encode at a
// chosen quality, 100 being lossless.

#include <cstdint>
#include <span>
#include <string>

#include "common/Outcome.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"

namespace pix {

// Reads an AVIF file; buf is empty on failure (the hints are not used).
void ReadAvif(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits = nullptr);
// Reads an AVIF file held in memory. Pictures declaring more than
// maxPixels are refused before anything is allocated for them.
void ReadAvifBytes(std::span<const uint8_t> file, CImageBuffer& buf, PictureTraits* traits = nullptr,
                   uint64_t maxPixels = kMaxPixels);

// The size from the file's boxes, without decoding any pixels, and the
// orientation its transforms (or else its EXIF item) tell.
bool AvifSizeFromBytes(std::span<const uint8_t> file, uint32_t& width, uint32_t& height, uint8_t* orientation);
// The size query of the format table.
bool QueryAvifSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// Writes buf as AVIF of the given quality (0..100; 100 is lossless) through
// a temporary file, leaving any old file untouched on failure.
Outcome WriteAvifQuality(const CImageBuffer& buf, const std::string& path, int quality);
// The writer of the format table.
inline constexpr int kDefaultAvifQuality = 75;
Outcome WriteAvif(const CImageBuffer& buf, const std::string& path);

// The format table's row: saved through the quality dialog in the window.
extern const FormatRow kAvifFormat;

}  // namespace pix
