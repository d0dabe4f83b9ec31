#pragma once
// PNG files through libpng. The reader composes transparency on black,
// corrects gamma when the file states one, and keeps the index plane and
// palette of palette files; the writer writes palette files from the index
// plane, true colour otherwise.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/Outcome.h"
#include "image/FormatTable.h"
#include "image/CImageBuffer.h"

namespace pix {

class Prompter;

// Reads a PNG file; buf is empty on failure (the hints are not used).
void ReadPng(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
             PictureTraits* traits = nullptr);
// Reads a PNG file held in memory. Pictures declaring more than maxPixels
// are refused before anything is allocated for them.
void ReadPngBytes(std::span<const uint8_t> file, CImageBuffer& buf, uint64_t maxPixels = kMaxPixels,
                  PictureTraits* traits = nullptr);

// The bytes at the start of a file the size query needs: the signature and
// the header chunk.
inline constexpr size_t kPngSizeHeadBytes = 33;
// The width and height the reader gives a file of fileSize bytes that
// begins with head (at least kPngSizeHeadBytes bytes), read from its header
// chunk; false when the header alone shows the reader refuses the file.
bool PngSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height);
// The size query of the format table: reads only the header chunk.
bool QueryPngSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// zlib level for a picture: 9, or 7 for large ones (more than 0x140000
// pixels without an index plane, more than 0x3C0000 pixels in any case).
int PngCompressionLevel(uint64_t pixels, bool hasIndexPlane);
// Bits per index of a palette file with colorCount entries: 1, 2, 4 or 8.
int PngPaletteBitDepth(int colorCount);

// Writes buf as PNG through a temporary file, leaving any old file
// untouched on failure.
Outcome WritePng(const CImageBuffer& buf, const std::string& path);

// The format table's row.
extern const FormatRow kPngFormat;

}  // namespace pix
