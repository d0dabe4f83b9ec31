// Feeds arbitrary bytes to the JPEG reader, at full size and, when that
// loads, again with size hints so the reduced decoding runs too.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "image/CImageBuffer.h"
#include "image/JpegCodec.h"

namespace {
// Smaller than the product's cap so that one input cannot spend seconds on
// a huge, mostly empty picture.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;

void Touch(const pix::CImageBuffer& buf)
{
    pix::fuzz::TouchPixels(buf);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::ReadJpegBytes({data, size}, 0, 0, buf, kFuzzMaxPixels);
    if (buf.IsEmpty())
        return 0;
    Touch(buf);
    const uint32_t hintW = buf.Width() / 5, hintH = buf.Height() / 3;
    pix::PictureTraits traits = pix::fuzz::LoadTraits();
    pix::ReadJpegBytes({data, size}, hintW, hintH, buf, kFuzzMaxPixels, &traits);
    pix::fuzz::FinishLoad(buf, traits);
    return 0;
}
