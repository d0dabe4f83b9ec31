#include "image/ExifItem.h"

#include "image/PhotoMetadata.h"

namespace pix {

uint8_t ExifItemOrientation(std::span<const uint8_t> item)
{
    if (item.size() < 4)
        return 0;
    const uint64_t offset =
        (uint64_t{item[0]} << 24) | (uint64_t{item[1]} << 16) | (uint64_t{item[2]} << 8) | item[3];
    if (offset > item.size() - 4)
        return 0;
    return ExifOrientation(item.subspan(4 + static_cast<size_t>(offset)));
}

}  // namespace pix
