// Feeds arbitrary bytes to the bitmap-file reader.
#include <cstddef>
#include <cstdint>

#include "image/BmpCodec.h"
#include "FuzzSupport.h"
#include "image/CImageBuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::ReadBmpBytes({data, size}, buf);
    if (!buf.IsEmpty()) {
        pix::fuzz::TouchPixels(buf);
    }
    return 0;
}
