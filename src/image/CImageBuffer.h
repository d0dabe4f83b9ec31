#pragma once
// The one in-memory picture: 24-bit pixels (blue, green, red), rows
// bottom-up and padded to a multiple of 4 bytes, exactly the pixel array of
// a 24-bit device-independent bitmap. Beside them, optionally, an index
// plane (one byte per pixel, rows top-down, no padding) with a palette of
// three 256-entry planes and a colour count.
//
// Invariant: the index plane, when present, describes the same picture as
// the pixels. Everything that changes the pixels without new indices
// discards the index plane.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Outcome.h"

namespace pix {

// How a load ended.
enum class LoadResult : uint8_t {
    Loaded,
    UnknownType,  // no reader for the path's extension
    Unreadable,   // the file cannot be opened
    Damaged,      // the file is not a picture of its type
    TooLarge,     // the picture is larger than we are willing to hold
};

// What every load does with pictures that tell how they are turned and
// in what colours: turn them upright, and convert them from their embedded
// profile to sRGB. Set at start-up, before threads load pictures.
struct LoadOptions {
    bool upright = true;
    bool colourManaged = true;
};
void SetLoadOptions(LoadOptions options);
LoadOptions CurrentLoadOptions();

// Bytes per row of a 24-bit picture width pixels wide.
constexpr uint32_t StrideFor(uint32_t width) { return ((width * 3u + 3u) / 4u) * 4u; }

// The largest picture any reader or operation makes (pixels).
inline constexpr uint64_t kMaxPixels = uint64_t{1} << 28;

// True when width × height is a picture we are willing to hold.
constexpr bool SizeAllowed(uint64_t width, uint64_t height)
{
    return width >= 1 && height >= 1 && width <= kMaxPixels && height <= kMaxPixels &&
           width * height <= kMaxPixels;
}

class CImageBuffer {
public:
    CImageBuffer() = default;
    virtual ~CImageBuffer() = default;
    CImageBuffer(const CImageBuffer&) = default;
    CImageBuffer& operator=(const CImageBuffer&) = default;
    CImageBuffer(CImageBuffer&& other) noexcept;
    CImageBuffer& operator=(CImageBuffer&& other) noexcept;

    // Fills the buffer from a file, choosing the reader by the last four
    // characters of the path. maxWidth/maxHeight are size hints (0, 0 for a
    // full-size load). The picture is turned upright and brought to sRGB as
    // the load options say. On failure the buffer is empty and the result
    // says why.
    LoadResult Load(const std::string& path, uint32_t maxWidth = 0, uint32_t maxHeight = 0);
    // Writes the buffer to a file, choosing the writer the same way; a
    // failure leaves an old file at path as it was and tells why.
    Outcome Save(const std::string& path) const;

    bool IsEmpty() const { return bits_.empty(); }
    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Stride() const { return stride_; }
    uint8_t* Bits() { return bits_.empty() ? nullptr : bits_.data(); }
    const uint8_t* Bits() const { return bits_.empty() ? nullptr : bits_.data(); }
    size_t BitsSize() const { return bits_.size(); }
    // Memory row y (0 = bottom row of the picture).
    uint8_t* Row(uint32_t y) { return bits_.data() + static_cast<size_t>(stride_) * y; }
    const uint8_t* Row(uint32_t y) const { return bits_.data() + static_cast<size_t>(stride_) * y; }

    // Empties the buffer: no pixels, no index plane.
    void Clear();
    // Makes an all-zero picture of width × height (index plane discarded).
    // False, leaving the buffer empty, when the size is not allowed or
    // memory runs out.
    bool Create(uint32_t width, uint32_t height);
    // Takes over a padded bottom-up pixel array of StrideFor(width) × height
    // bytes (index plane discarded). False (buffer empty) on a size mismatch.
    bool Adopt(std::vector<uint8_t>&& bits, uint32_t width, uint32_t height);

    // The pixel at column x of memory row y; nothing is checked.
    void GetPixel(uint32_t x, uint32_t y, uint8_t& r, uint8_t& g, uint8_t& b) const
    {
        const uint8_t* p = bits_.data() + static_cast<size_t>(stride_) * y + 3u * x;
        b = p[0];
        g = p[1];
        r = p[2];
    }
    void SetPixel(uint32_t x, uint32_t y, uint8_t r, uint8_t g, uint8_t b)
    {
        uint8_t* p = bits_.data() + static_cast<size_t>(stride_) * y + 3u * x;
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }

    // Resamples to newWidth × newHeight (both at least 1) in 8.8 fixed
    // point: box averages where the picture shrinks by 2 or more in both
    // directions, bilinear sampling otherwise. Discards the index plane.
    void Resize(uint32_t newWidth, uint32_t newHeight);
    // What Resize would make of this buffer, leaving it as it is (a picture
    // shared with other threads is resampled without a copy).
    CImageBuffer ResizedCopy(uint32_t newWidth, uint32_t newHeight) const;

    // Index plane and palette.
    bool HasIndexPlane() const { return !index_.empty(); }
    const std::vector<uint8_t>& IndexPlane() const { return index_; }
    int ColorCount() const { return colorCount_; }
    const std::array<uint8_t, 256>& Red() const { return red_; }
    const std::array<uint8_t, 256>& Green() const { return green_; }
    const std::array<uint8_t, 256>& Blue() const { return blue_; }
    std::array<uint8_t, 256>& Red() { return red_; }
    std::array<uint8_t, 256>& Green() { return green_; }
    std::array<uint8_t, 256>& Blue() { return blue_; }
    // Installs an index plane of Width() × Height() bytes (top-down) with
    // colorCount valid palette entries (1..256). False when it does not fit.
    bool SetIndexPlane(std::vector<uint8_t>&& plane, int colorCount);
    void DiscardIndexPlane()
    {
        index_.clear();
        index_.shrink_to_fit();
        colorCount_ = 0;
    }

private:
    std::vector<uint8_t> Resampled(uint32_t newWidth, uint32_t newHeight) const;

    std::vector<uint8_t> bits_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t stride_ = 0;
    std::array<uint8_t, 256> red_{};
    std::array<uint8_t, 256> green_{};
    std::array<uint8_t, 256> blue_{};
    std::vector<uint8_t> index_;
    int colorCount_ = 0;
};

}  // namespace pix
