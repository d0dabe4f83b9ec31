#pragma once
// HEIF files (HEIC) through libheif's C interface, read only. The reader
// takes the primary picture, or one of its stored thumbnails when that is
// large enough for the size hints. libheif turns pictures itself; it does
// so only when the caller asks for the picture upright.

#include <cstdint>
#include <span>
#include <string>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"

namespace pix {

// Whether libheif can decode HEVC pictures here; the format is offered
// only when it can.
bool HeifDecoderPresent();

// Reads a HEIF file; buf is empty on failure.
void ReadHeif(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits = nullptr);
// Reads a HEIF file held in memory. Pictures declaring more than maxPixels
// are refused before anything is allocated for them.
void ReadHeifBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                   PictureTraits* traits = nullptr, uint64_t maxPixels = kMaxPixels);

// The primary picture's size as stored (before its transforms) and the
// orientation of its EXIF item, from the boxes alone.
bool HeifSizeFromBytes(std::span<const uint8_t> file, uint32_t& width, uint32_t& height, uint8_t* orientation);
// The size query of the format table.
bool QueryHeifSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// The format table's row.
extern const FormatRow kHeifFormat;

}  // namespace pix
