// Feeds arbitrary bytes to the JPEG XL reader. Whatever it loads, the size
// query must give the same size from the basic information alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
    if (buf.IsEmpty())
        return 0;
    pix::fuzz::TouchPixels(buf);
    uint32_t width = 0, height = 0;
    if (!pix::JxlSizeFromBytes({data, size}, width, height, nullptr) || width != buf.Width() ||
        height != buf.Height() || traits.orientation < 1 || traits.orientation > 8)
        std::abort();
    return 0;
}
