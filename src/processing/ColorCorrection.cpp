#include "processing/ColorCorrection.h"

#include <algorithm>
#include <cmath>

#include "image/CImageBuffer.h"

namespace pix {

namespace {

// The slider values are single-precision, as the tables' inputs.
float Square(int position)
{
    const float x = static_cast<float>(position) / 256.0f;
    return x * x;
}

float Signed(int position, float base, float scale)
{
    // base + scale·x² above the middle (x <= 0), base − scale·x² below it.
    return position <= 0 ? base + scale * Square(position) : base - scale * Square(position);
}

uint8_t TableEntry(double g, float gain, float contrast, float brightness)
{
    const double v = (g * gain - 128.0) * contrast + brightness;
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

}  // namespace

ColorTables BuildColorTables(const ColorSliders& s)
{
    const float brightness = Signed(s.brightness, 128.0f, 256.0f);
    const float contrast = Signed(s.contrast, 1.0f, 2.0f);
    const float red = Signed(s.red, 1.0f, 1.0f);
    const float green = Signed(s.green, 1.0f, 1.0f);
    const float blue = Signed(s.blue, 1.0f, 1.0f);
    // Gamma grows the other way: 1 − x² above the middle, 1 + x² below.
    const float gamma = s.gamma <= 0 ? 1.0f - Square(s.gamma) : 1.0f + Square(s.gamma);
    ColorTables t;
    for (int i = 0; i < 256; ++i) {
        const double g = 255.0 * std::pow(i / 255.0, static_cast<double>(gamma));
        t.red[i] = TableEntry(g, red, contrast, brightness);
        t.green[i] = TableEntry(g, green, contrast, brightness);
        t.blue[i] = TableEntry(g, blue, contrast, brightness);
    }
    return t;
}

SavedPlanes::SavedPlanes(const CImageBuffer& image) : width_(image.Width()), height_(image.Height())
{
    const size_t n = static_cast<size_t>(width_) * height_;
    red_.resize(n);
    green_.resize(n);
    blue_.resize(n);
    size_t k = 0;
    for (uint32_t y = 0; y < height_; ++y) {
        const uint8_t* p = image.Row(y);
        for (uint32_t x = 0; x < width_; ++x, ++k, p += 3) {
            blue_[k] = p[0];
            green_[k] = p[1];
            red_[k] = p[2];
        }
    }
}

bool SavedPlanes::Matches(const CImageBuffer& image) const
{
    return !image.IsEmpty() && image.Width() == width_ && image.Height() == height_;
}

void SavedPlanes::Apply(const ColorTables& t, CImageBuffer& image) const
{
    if (!Matches(image))
        return;
    size_t k = 0;
    for (uint32_t y = 0; y < height_; ++y) {
        uint8_t* p = image.Row(y);
        for (uint32_t x = 0; x < width_; ++x, ++k, p += 3) {
            p[0] = t.blue[blue_[k]];
            p[1] = t.green[green_[k]];
            p[2] = t.red[red_[k]];
        }
    }
}

void SavedPlanes::Restore(CImageBuffer& image) const
{
    // Putting the saved pixels back is applying identity tables.
    static const ColorTables identity = [] {
        ColorTables t;
        for (int i = 0; i < 256; ++i)
            t.red[i] = t.green[i] = t.blue[i] = static_cast<uint8_t>(i);
        return t;
    }();
    Apply(identity, image);
}

}  // namespace pix
