#pragma once
// Shared by the fuzz targets.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzReport.h"
#include "image/CImageBuffer.h"
#include "image/ColourProfile.h"
#include "image/FormatTable.h"
#include "image/Orientation.h"

namespace pix::fuzz {

// Reads the decoded pixels (every 61st byte and the last one) so that a
// buffer shorter than it claims shows up under the address sanitizer.
inline void TouchPixels(const CImageBuffer& buf)
{
    if (buf.IsEmpty())
        return;
    volatile uint8_t sink = 0;
    for (size_t i = 0; i < buf.BitsSize(); i += 61)
        sink = static_cast<uint8_t>(sink + buf.Bits()[i]);
    sink = static_cast<uint8_t>(sink + buf.Bits()[buf.BitsSize() - 1]);
    (void)sink;
}

// Asks a reader for everything a load asks.
inline PictureTraits LoadTraits()
{
    PictureTraits traits;
    traits.upright = true;
    traits.colourManaged = true;
    return traits;
}

// What a load does after the reader: the colours by the told profile, then
// the turn; and every pixel touched.
inline void FinishLoad(CImageBuffer& buf, const PictureTraits& traits)
{
    if (buf.IsEmpty())
        return;
    ConvertToSrgb(buf, traits.iccProfile);
    TurnUpright(buf, traits.orientation);
    TouchPixels(buf);
}

// What a harness asks of every picture a reader gives: the size its size
// query tells from the same bytes (sized: whether it told one) and one of
// the eight orientations, or the run ends; then what a load does after it.
inline void CheckRead(CImageBuffer& buf, const PictureTraits& traits, bool sized, uint32_t width, uint32_t height)
{
    if (!sized || width != buf.Width() || height != buf.Height() || traits.orientation < 1 || traits.orientation > 8)
        std::abort();
    FinishLoad(buf, traits);
}

}  // namespace pix::fuzz
