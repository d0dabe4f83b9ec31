// Feeds arbitrary bytes to the bitmap-file reader.
#include <cstddef>
#include <cstdint>

#include "image/BmpCodec.h"
#include "image/CImageBuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::ReadBmpBytes({data, size}, buf);
    if (!buf.IsEmpty()) {
        // Touch every pixel so reads past the allocation would show.
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < buf.BitsSize(); i += 61)
            sink = static_cast<uint8_t>(sink + buf.Bits()[i]);
        (void)sink;
    }
    return 0;
}
