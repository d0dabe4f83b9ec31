#pragma once
// Picture helpers for the test executables that link the image layer.

#include <gtest/gtest.h>

#include <string>

#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix::test {

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
    CImageBuffer img = SolidPicture(w, h, r, g, b);
    RecordingPrompter prompter;
    img.Save(path, prompter);
    EXPECT_TRUE(prompter.texts.empty()) << path;
    return path;
}

}  // namespace pix::test
