// Feeds arbitrary bytes to the JPEG XL reader. Whatever it loads, the size
// query must give the same size from the basic information alone.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "image/JxlCodec.h"

namespace {
// Smaller than the product's cap so that one input cannot spend seconds on
// a huge picture.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::PictureTraits traits;
    pix::ReadJxlBytes({data, size}, buf, &traits, kFuzzMaxPixels);
    pix::fuzz::Report(!buf.IsEmpty());
    if (buf.IsEmpty())
        return 0;
    uint32_t width = 0, height = 0;
    const bool sized = pix::JxlSizeFromBytes({data, size}, width, height, nullptr);
    pix::fuzz::CheckRead(buf, traits, sized, width, height);
    return 0;
}
