// Feeds arbitrary bytes to the WebP reader, at full size and, when that
// loads, again with size hints for the upright picture. The header query
// must tell the full size, and the hinted load give the fit it promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "FuzzSupport.h"
#include "image/HintFit.h"
#include "image/WebpCodec.h"

namespace {
// Smaller than the product's cap so that one input cannot spend seconds on
// a huge picture.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::PictureTraits traits;
    pix::ReadWebpBytes({data, size}, 0, 0, buf, &traits, kFuzzMaxPixels);
    pix::fuzz::Report(!buf.IsEmpty());
    if (buf.IsEmpty())
        return 0;
    uint32_t width = 0, height = 0;
    const bool sized = pix::WebpSizeFromBytes({data, size}, width, height, nullptr);
    pix::fuzz::CheckRead(buf, traits, sized, width, height);

    pix::PictureTraits upright{.upright = true};
    uint32_t hintWidth = width / 3 + 1, hintHeight = height / 5 + 1;
    pix::ReadWebpBytes({data, size}, hintWidth, hintHeight, buf, &upright, kFuzzMaxPixels);
    pix::fuzz::TouchPixels(buf);
    if (upright.orientation >= 5)
        std::swap(hintWidth, hintHeight);
    pix::FitToHints(width, height, hintWidth, hintHeight);
    if (!buf.IsEmpty() && (width != buf.Width() || height != buf.Height()))
        std::abort();
    return 0;
}
