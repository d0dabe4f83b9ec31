#pragma once
// Draws the list picture of one file for a contact sheet. The render layer
// implements it (loading, fitting, the raised edge, the file-type icon or
// the "skipped" mark); the sheet model only asks for pictures.

#include <cstdint>
#include <string>
#include <vector>

namespace pix {

class ThumbnailMaker {
public:
    virtual ~ThumbnailMaker() = default;
    // A picture of cx × cy pixels in the ThumbnailList layout (top-down
    // RGB, the mask colour transparent) for the file at path. With load
    // false the file must not be read (the user cancelled): the picture
    // without the file. A result of any other size is replaced by a
    // transparent picture.
    virtual std::vector<uint8_t> MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load) = 0;
};

}  // namespace pix
