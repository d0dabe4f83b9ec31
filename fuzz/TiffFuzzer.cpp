// Feeds arbitrary bytes to the TIFF reader.
#include <cstddef>
#include <cstdint>

#include "image/CImageBuffer.h"
#include "image/TiffCodec.h"

// Smaller than the product's cap so that one input cannot spend seconds on
// a huge picture.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::ReadTiffBytes({data, size}, buf, kFuzzMaxPixels);
    if (!buf.IsEmpty()) {
        volatile uint8_t sink = 0;
        for (size_t i = 0; i < buf.BitsSize(); i += 61)
            sink = static_cast<uint8_t>(sink + buf.Bits()[i]);
        (void)sink;
    }
    return 0;
}
