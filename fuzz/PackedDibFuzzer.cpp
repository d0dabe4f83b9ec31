// Feeds arbitrary bytes to the packed-DIB parser, both as read and as
// adopted: the two must agree on what they accept and on the picture.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzSupport.h"
#include "image/CImageBuffer.h"
#include "image/PackedDib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf, adopted;
    const bool read = pix::ReadPackedDib({data, size}, buf);
    const bool taken = pix::AdoptPackedDib(std::vector<uint8_t>(data, data + size), adopted);
    pix::fuzz::Report(read || taken || !buf.IsEmpty());
    if (read != taken || buf.BitsSize() != adopted.BitsSize() ||
        !std::equal(buf.Bits(), buf.Bits() + buf.BitsSize(), adopted.Bits()))
        std::abort();
    if (read) {
        pix::fuzz::TouchPixels(buf);
        pix::fuzz::TouchPixels(adopted);
    }
    return 0;
}
