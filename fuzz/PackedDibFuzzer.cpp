// Feeds arbitrary bytes to the packed-DIB parser.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "image/CImageBuffer.h"
#include "image/PackedDib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    if (pix::ReadPackedDib({data, size}, buf)) {
        pix::fuzz::TouchPixels(buf);
    }
    return 0;
}
