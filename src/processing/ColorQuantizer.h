#pragma once
// The palette quantiser at the core of colour reduction: a median-cut
// palette over a jittered 64 × 32 × 32 histogram, and mapping of every
// pixel to the palette (nearest colour, or Floyd–Steinberg error diffusion
// with a serpentine scan) through an inverse colour map that is filled one
// block of 8 × 4 × 4 cells at a time.
//
// It works in whatever three-component space it is given (component 0
// keeps 6 bits in a cell, components 1 and 2 keep 5); distances and extents
// along each component are scaled by the weights. One quantiser holds the
// working state of one reduction at a time; separate quantisers may run on
// separate threads.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pix {

// Scales of the differences along components 0, 1 and 2 (0 to 20 each).
struct ColorWeights {
    int w0 = 4;
    int w1 = 4;
    int w2 = 4;
};

// A box of histogram cells: inclusive cell ranges along each component
// (0–63, 0–31, 0–31), its weighted volume and its number of occupied cells.
struct ColorBox {
    std::array<int, 3> min{};
    std::array<int, 3> max{};
    int64_t volume = 0;
    int occupied = 0;
};

// The jitter of the median-cut histogram comes from SplitMix64 (Steele,
// Lea and Flood's generator, as in java.util.SplittableRandom) started at
// this seed unless another is given; each 64-bit output serves eight
// pixels, one byte each, low byte first: bits 0–1 jitter component 0 by
// −2..+1, bits 2–4 component 1 and bits 5–7 component 2 by −4..+3. A
// jittered colour that falls into a cell the picture does not occupy is
// counted in the pixel's own cell.
inline constexpr uint64_t kDefaultJitterSeed = 0x50495841'44524F4Dull;

// Converts packed pixels in place from the colours a palette is made of
// into the space the quantiser measures in.
using ColorConversion = void (*)(uint8_t* packed, size_t pixels);

// The picture's own colours, one row after another from the top: row `top`
// starts at first + top × stride, and a pixel's three components lie at the
// byte offsets in order.
struct OwnColours {
    const uint8_t* first = nullptr;
    ptrdiff_t stride = 0;
    std::array<uint8_t, 3> order{0, 1, 2};
    ColorConversion toWorking = nullptr;  // own colour to working space
};

class ColorQuantizer {
public:
    explicit ColorQuantizer(uint64_t seed = kDefaultJitterSeed) : rng_(seed) {}

    // Makes a median-cut palette of at most colors entries for width ×
    // height packed pixels of the working space (top row first). Each entry
    // is the rounded mean of the colours of the pixels counted in its box
    // (after jitter): of their own colours when own is given, stored into
    // the planes as they are and converted for mapping. Returns the number
    // of entries, 0 on failure. Map then maps the pixels.
    int BuildPalette(const uint8_t* packed, uint32_t width, uint32_t height, int colors, ColorWeights weights,
                     const OwnColours* own, uint8_t* c0, uint8_t* c1, uint8_t* c2);

    // Maps width × height packed pixels (top row first) of the working space
    // to the palette last made by BuildPalette or set by Quantize.
    bool Map(const uint8_t* packed, uint8_t* indexPlane, uint32_t width, uint32_t height, bool dither,
             bool limitErrors);

    // Maps width × height packed 3-byte pixels (top row first) to indices
    // into indexPlane. With buildPalette the palette of at most colors
    // entries is made by median cut and stored into the three planes
    // (components 0, 1, 2); otherwise the first colors entries of the
    // planes are used as they are. Returns the number of palette colours
    // made or used, 0 on failure (no pixels, colors outside 1..256, memory).
    int Quantize(const uint8_t* packed, uint8_t* indexPlane, uint32_t width, uint32_t height, int colors, bool dither,
                 bool buildPalette, uint8_t* red, uint8_t* green, uint8_t* blue, ColorWeights weights,
                 bool limitErrors);

    // The boxes of the last palette made by median cut.
    const std::vector<ColorBox>& Boxes() const { return boxes_; }

    static constexpr int kCells0 = 64;
    static constexpr int kCells1 = 32;
    static constexpr int kCells2 = 32;
    static constexpr size_t CellIndex(int i0, int i1, int i2)
    {
        return (static_cast<size_t>(i0) << 10) | (static_cast<size_t>(i1) << 5) | static_cast<size_t>(i2);
    }

private:
    uint64_t NextRandom();
    void BuildHistogram(const uint8_t* packed, uint32_t width, uint32_t height, const OwnColours& own);
    void Shrink(ColorBox& box) const;
    int MedianCut(int colors);
    void BoxMeans(uint8_t* c0, uint8_t* c1, uint8_t* c2) const;
    void SetPalette(const uint8_t* c0, const uint8_t* c1, const uint8_t* c2, int size, ColorConversion toWorking);
    void FillBlock(int i0, int i1, int i2);
    void MapNearest(const uint8_t* packed, uint8_t* indexPlane, size_t pixels);
    void MapDithered(const uint8_t* packed, uint8_t* indexPlane, uint32_t width, uint32_t height);

    uint64_t rng_;
    // 16-bit counts while the palette is made; palette index + 1 (0 = not
    // yet known) while pixels are mapped.
    std::vector<uint16_t> histogram_;
    // Per cell while the palette is made: the number of pixels counted in
    // it and the sums of their own colours.
    std::vector<std::array<uint64_t, 4>> sums_;
    std::vector<ColorBox> boxes_;
    ColorWeights weights_;
    std::array<std::array<int, 256>, 3> palette_{};
    int paletteSize_ = 0;
    std::array<int, 511> errorLimit_{};  // errors −255..+255
};

}  // namespace pix
