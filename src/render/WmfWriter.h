#pragma once
// Windows metafile writing: the picture as one raster copy (a DIB blit of
// its 24-bit rows) inside a placeable metafile whose frame is the picture's
// size at ScreenDpi(), so reading it back gives the same size and pixels.

#include <cstdint>
#include <string>
#include <vector>

#include "common/Outcome.h"

namespace pix {

class CImageBuffer;
class Prompter;

// The bytes of the metafile for buf: placeable header, metafile header, one
// DIB blit record and the end record. Empty for an empty buffer.
std::vector<uint8_t> MakeWmfBytes(const CImageBuffer& buf);

// Writes the metafile to path through a temporary file, leaving any old
// file untouched on failure.
Outcome WriteWmf(const CImageBuffer& buf, const std::string& path);

}  // namespace pix
