// Feeds arbitrary bytes to the PXF reader.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "image/CImageBuffer.h"
#include "image/PxfCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::ReadPxfBytes({data, size}, buf);
    pix::fuzz::Report(!buf.IsEmpty());
    if (!buf.IsEmpty()) {
        pix::fuzz::TouchPixels(buf);
    }
    return 0;
}
