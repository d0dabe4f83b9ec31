#pragma once
// Shared by the fuzz targets.

#include <cstddef>
#include <cstdint>

#include "image/CImageBuffer.h"

namespace pix::fuzz {

// Reads the decoded pixels (every 61st byte and the last one) so that a
// buffer shorter than it claims shows up under the address sanitizer.
inline void TouchPixels(const CImageBuffer& buf)
{
    if (buf.IsEmpty())
        return;
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < buf.BitsSize(); i += 61)
        sink = static_cast<uint8_t>(sink + buf.Bits()[i]);
    sink = static_cast<uint8_t>(sink + buf.Bits()[buf.BitsSize() - 1]);
    (void)sink;
}

}  // namespace pix::fuzz
