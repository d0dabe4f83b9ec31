// Feeds arbitrary bytes to the PXF reader.
#include <cstddef>
#include <cstdint>

#include "image/CImageBuffer.h"
#include "image/PxfCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::ReadPxfBytes({data, size}, buf);
    if (!buf.IsEmpty()) {
        // Touch every pixel so reads past the allocation would show.
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < buf.BitsSize(); i += 61)
            sink = static_cast<uint8_t>(sink + buf.Bits()[i]);
        (void)sink;
    }
    return 0;
}
