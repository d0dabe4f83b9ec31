#pragma once
// WebP files through libwebp: the reader takes the first frame of an
// animation and decodes straight to a smaller size when the caller only
// needs a small picture; the writers write lossless files, or lossy ones
// of a chosen quality.

#include <cstdint>
#include <span>
#include <string>

#include "common/Outcome.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"

namespace pix {

// Reads a WebP file; buf is empty on failure. With size hints the picture
// is decoded at its fit into them (see FitToHints).
void ReadWebp(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits = nullptr);
// Reads a WebP file held in memory. Pictures declaring more than maxPixels
// are refused before anything is allocated for them.
void ReadWebpBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                   PictureTraits* traits = nullptr, uint64_t maxPixels = kMaxPixels);

// How many first bytes of a file the size query reads.
inline constexpr size_t kWebpSizeHeadBytes = 64 * 1024;
// The canvas size from the first bytes of a file, and the orientation when
// its EXIF chunk is among them (left as it is otherwise).
bool WebpSizeFromBytes(std::span<const uint8_t> head, uint32_t& width, uint32_t& height, uint8_t* orientation);
// The size query of the format table.
bool QueryWebpSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// Writes buf as a lossless WebP file through a temporary file.
Outcome WriteWebp(const CImageBuffer& buf, const std::string& path);
// Writes buf as a lossy WebP file of the given quality (0..100).
Outcome WriteWebpQuality(const CImageBuffer& buf, const std::string& path, int quality);

// The format table's row: saved through the quality dialog in the window.
extern const FormatRow kWebpFormat;

}  // namespace pix
