// Feeds arbitrary bytes to the bitmap-file reader, and checks the size
// query against it: the headers alone decide, so the query answers exactly
// when the reader gives a picture, with its size, from the first bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
    uint32_t width = 0, height = 0;
    const bool known = pix::BmpSizeFromBytes({data, std::min(size, pix::kBmpSizeHeadBytes)}, size, width, height);
    pix::fuzz::Report(!buf.IsEmpty() || known);
    if (!buf.IsEmpty() && (!known || width != buf.Width() || height != buf.Height()))
        std::abort();
    // A picture the query sizes but the reader did not make: only a failed
    // allocation of a large one could excuse that.
    if (known && buf.IsEmpty() && uint64_t{width} * height <= (uint64_t{1} << 24))
        std::abort();
    return 0;
}
