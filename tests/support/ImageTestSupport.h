#pragma once
// Picture helpers for the test executables that link the image layer.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix::test {

// A true-colour picture whose every pixel differs from its neighbours.
inline CImageBuffer Gradient(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 13 + 5),
                         static_cast<uint8_t>(x ^ (y * 3)));
    return buf;
}

// A palette picture of colors entries; plane index (x * 3 + y * 5) % colors.
inline CImageBuffer Indexed(uint32_t w, uint32_t h, int colors)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (int i = 0; i < colors; ++i) {
        buf.Red()[i] = static_cast<uint8_t>(i * 37);
        buf.Green()[i] = static_cast<uint8_t>(255 - i * 11);
        buf.Blue()[i] = static_cast<uint8_t>(i * 5 + 1);
    }
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const auto i = static_cast<uint8_t>((x * 3 + y * 5) % static_cast<uint32_t>(colors));
            plane[static_cast<size_t>(y) * w + x] = i;
            buf.SetPixel(x, h - 1 - y, buf.Red()[i], buf.Green()[i], buf.Blue()[i]);
        }
    EXPECT_TRUE(buf.SetIndexPlane(std::move(plane), colors));
    return buf;
}

inline bool SamePixels(const CImageBuffer& a, const CImageBuffer& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.IsEmpty() != b.IsEmpty())
        return false;
    for (uint32_t y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.Width()) * 3) != 0)
            return false;
    return true;
}

// Smooth ramps across the picture in red and green, a repeating pattern in
// blue: many colours, mostly close neighbours (photographs in miniature).
inline CImageBuffer SmoothGradient(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 255 / w), static_cast<uint8_t>(y * 255 / h),
                         static_cast<uint8_t>((x * 7 + y * 13) % 97 + 80));
    return buf;
}

// Random pixels, the same for the same seed.
inline CImageBuffer Noise(uint32_t w, uint32_t h, uint32_t seed)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    std::mt19937 rng(seed);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()));
    return buf;
}

// A picture of one colour.
inline CImageBuffer SolidPicture(uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b)
{
    CImageBuffer img;
    EXPECT_TRUE(img.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            img.SetPixel(x, y, r, g, b);
    return img;
}

// Writes a picture of one colour (format by the path's extension) and
// returns the path.
inline std::string WriteSolidPicture(const std::string& path, uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b)
{
    EXPECT_TRUE(SolidPicture(w, h, r, g, b).Save(path).Ok()) << path;
    return path;
}

}  // namespace pix::test
