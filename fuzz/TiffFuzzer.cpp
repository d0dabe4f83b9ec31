// Feeds arbitrary bytes to the TIFF reader.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "image/CImageBuffer.h"
#include "image/TiffCodec.h"

// Smaller than the product's cap so that one input cannot spend seconds on
// a huge picture.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::PictureTraits traits = pix::fuzz::LoadTraits();
    pix::ReadTiffBytes({data, size}, buf, kFuzzMaxPixels, &traits);
    pix::fuzz::FinishLoad(buf, traits);
    return 0;
}
