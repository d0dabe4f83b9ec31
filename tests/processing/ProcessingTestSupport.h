#pragma once
// Pictures and pixel reading for the image-operation tests.

#include <array>
#include <cstdint>

#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix::test {

// The pixel in column x of the row `top` rows below the top.
inline std::array<uint8_t, 3> Top(const CImageBuffer& img, uint32_t x, uint32_t top)
{
    uint8_t r, g, b;
    img.GetPixel(x, img.Height() - 1 - top, r, g, b);
    return {r, g, b};
}

// A picture coloured by position from the top-left corner.
template <typename F>
CImageBuffer Picture(uint32_t w, uint32_t h, F colour)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            auto [r, g, b] = colour(x, y);
            buf.SetPixel(x, h - 1 - y, static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b));
        }
    return buf;
}

}  // namespace pix::test
