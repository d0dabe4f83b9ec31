#pragma once
// Pixadrome's own lossless format for 24-bit pictures (.pxf): the magic
// "PXF!", width and height, then three planes (green, blue minus green, red
// minus green), each predicted from left + above - above-left with the sign
// of the residual flipped on a checkerboard, zero residuals gathered into
// runs, and the symbols coded adaptively (see AdaptiveHuffman.h). The index
// plane of a palette picture is not kept; its pixels are.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/Outcome.h"
#include "image/FormatTable.h"

namespace pix {

class CImageBuffer;
class Prompter;

// The file image of buf (empty when buf is empty).
std::vector<uint8_t> EncodePxf(const CImageBuffer& buf);
// Decodes a file image; buf is left empty when the bytes do not start with
// "PXF!", declare a size we refuse or could not hold, or end before every
// pixel is decoded.
void ReadPxfBytes(std::span<const uint8_t> file, CImageBuffer& buf);

// The reader of the format table (the size hints are not used).
void ReadPxf(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
             PictureTraits* traits = nullptr);
// Writes buf through a temporary file; on failure the old file is kept.
Outcome WritePxf(const CImageBuffer& buf, const std::string& path);

// The format table's row; the size is known only by loading.
extern const FormatRow kPxfFormat;

}  // namespace pix
