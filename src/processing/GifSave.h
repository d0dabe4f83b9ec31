#pragma once
// Saving as GIF from any picture: a picture without an index plane is
// saved from a copy reduced to 256 colours (dithered, preference 0, no
// write-back); the picture itself stays as it was.

#include <string>

#include "common/Outcome.h"

namespace pix {

class CImageBuffer;

// The ".GIF" writer of the format table once RegisterReducingGifWriter has
// run. Tells "Failed to make 256 color image" when no index plane can be
// made, else what the GIF writer tells.
Outcome WriteGifReducing(const CImageBuffer& buf, const std::string& path);

// Puts WriteGifReducing into the format table in place of the writer that
// needs an index plane; the reader stays.
void RegisterReducingGifWriter();

}  // namespace pix
