// Feeds arbitrary bytes to the GIF reader. The size query must answer
// exactly when the reader gives a picture, with its size, and any shorter
// head of the file must give the same answer or ask for more. Small
// pictures that load are then reduced to a palette (options taken from the
// input's first bytes), written with our encoder and read back, which must
// give exactly the palette colours of the index plane.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzSupport.h"
#include "image/CImageBuffer.h"
#include "image/GifCodec.h"
#include "processing/ColorReduction.h"

// Smaller than the product's cap so that one input cannot spend seconds on
// a huge picture.
constexpr uint64_t kFuzzMaxPixels = uint64_t{1} << 22;
constexpr uint64_t kRoundTripPixels = 4096;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CImageBuffer buf;
    pix::ReadGifBytes({data, size}, buf, kFuzzMaxPixels);
    pix::fuzz::Report(!buf.IsEmpty());

    uint32_t width = 0, height = 0;
    const pix::GifSizeAnswer answer = pix::GifSizeFromBytes({data, size}, size, width, height);
    const bool known = answer == pix::GifSizeAnswer::Known;
    if (answer == pix::GifSizeAnswer::NeedMore)
        std::abort();
    if (!buf.IsEmpty() && (!known || width != buf.Width() || height != buf.Height()))
        std::abort();
    if (known && buf.IsEmpty() && uint64_t{width} * height <= kFuzzMaxPixels)
        std::abort();
    uint32_t headWidth = 0, headHeight = 0;
    const pix::GifSizeAnswer partial = pix::GifSizeFromBytes({data, size / 2}, size, headWidth, headHeight);
    if (partial != pix::GifSizeAnswer::NeedMore &&
        (partial != answer || (known && (headWidth != width || headHeight != height))))
        std::abort();

    if (buf.IsEmpty())
        return 0;
    pix::fuzz::TouchPixels(buf);

    if (uint64_t{buf.Width()} * buf.Height() > kRoundTripPixels || size < 16)
        return 0;
    pix::ReduceOptions options;
    options.colors = 2 + data[13] % 255;
    options.dither = (data[14] & 1) != 0;
    options.preserve = (data[14] & 2) != 0;
    options.preference = static_cast<int>(data[15] % 33) - 16;
    options.writeBack = (data[14] & 4) != 0;
    options.seed = size;
    if (!pix::ReduceColors(buf, options) || !buf.HasIndexPlane())
        std::abort();
    const std::vector<uint8_t>& plane = buf.IndexPlane();
    for (uint8_t i : plane)
        if (i >= options.colors)
            std::abort();

    const std::vector<uint8_t> file = pix::CGifFile::Encode(plane.data(), buf.Width(), buf.Height(), 0,
                                                            buf.Red().data(), buf.Green().data(), buf.Blue().data());
    pix::CGifFile gif;
    uint32_t w = 0, h = 0;
    const std::vector<uint8_t> rgb = gif.ReadBytes(file, "round trip", w, h);
    if (w != buf.Width() || h != buf.Height() || rgb.size() != plane.size() * 3)
        std::abort();
    for (size_t n = 0; n < plane.size(); ++n) {
        const uint8_t i = plane[n];
        if (rgb[3 * n] != buf.Red()[i] || rgb[3 * n + 1] != buf.Green()[i] || rgb[3 * n + 2] != buf.Blue()[i])
            std::abort();
    }
    return 0;
}
