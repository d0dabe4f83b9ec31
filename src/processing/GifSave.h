#pragma once
// Saving as GIF from any picture: a picture without an index plane is
// saved from a copy reduced to 256 colours (dithered, preference 0, no
// write-back); the picture itself stays as it was.

#include <string>

#include "common/Outcome.h"
#include "image/FormatTable.h"

namespace pix {

class CImageBuffer;

// The GIF row's writer. Tells "Failed to make 256 color image" when no
// index plane can be made, else what the GIF writer tells.
Outcome WriteGifReducing(const CImageBuffer& buf, const std::string& path);

// The format table's row: the image layer's reader and size query, this
// writer.
extern const FormatRow kGifFormat;

}  // namespace pix
