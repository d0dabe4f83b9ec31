#pragma once
// Brightness, contrast, colour gains and gamma through three lookup
// tables, always applied to the planes saved when the correction began, so
// moving a slider back and forth never accumulates.

#include <array>
#include <cstdint>
#include <vector>

namespace pix {

class CImageBuffer;

// Slider positions, each from -256 to +256; 0 is neutral.
struct ColorSliders {
    int brightness = 0;
    int contrast = 0;
    int red = 0;
    int green = 0;
    int blue = 0;
    int gamma = 0;
};

struct ColorTables {
    std::array<uint8_t, 256> red{};
    std::array<uint8_t, 256> green{};
    std::array<uint8_t, 256> blue{};
};

ColorTables BuildColorTables(const ColorSliders& sliders);

// The picture's channels as they were, kept for the whole correction.
class SavedPlanes {
public:
    explicit SavedPlanes(const CImageBuffer& image);
    // Sets every pixel of image from the saved planes through the tables.
    void Apply(const ColorTables& tables, CImageBuffer& image) const;
    // Puts the saved pixels back.
    void Restore(CImageBuffer& image) const;
    bool Matches(const CImageBuffer& image) const;

private:
    uint32_t width_;
    uint32_t height_;
    std::vector<uint8_t> red_, green_, blue_;
};

}  // namespace pix
