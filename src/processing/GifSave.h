#pragma once
// Saving as GIF from any picture: a picture without an index plane is
// first reduced to 256 colours (dithered, preference 0, no write-back), so
// the buffer keeps its pixels and gains the index plane it is saved with.

#include <string>

namespace pix {

class CImageBuffer;
class Prompter;

// The ".GIF" writer of the format table once RegisterReducingGifWriter has
// run. Shows "Failed to make 256 color image" when no index plane can be
// made, and the GIF writer's own messages.
void WriteGifReducing(CImageBuffer& buf, const std::string& path, Prompter& prompter);

// Puts WriteGifReducing into the format table in place of the writer that
// needs an index plane; the reader stays.
void RegisterReducingGifWriter();

}  // namespace pix
