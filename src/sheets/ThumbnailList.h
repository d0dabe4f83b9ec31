#pragma once
// The pictures of a contact sheet's items: one picture per item, all of
// one size cx × cy. A picture is cx × cy pixels of three bytes red, green,
// blue, rows top-down without padding (QImage::Format_RGB888 with
// bytesPerLine = 3 × cx). Pixels of the mask colour (red 0x00, green 0x80,
// blue 0x60) are transparent.
//
// The list also keeps the room and growth step of the stored image list,
// counted the way the stream's writer counts them: a list made for n
// pictures has room for n + 1; appending to a list whose room is used up
// (one spare kept) adds max(1, growth) + 1; setting the count to n leaves
// room for n + 1. They are written to and read from ".pxc" files.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pix {

class ArchiveReader;

inline constexpr uint32_t kThumbnailMaskColor = 0x608000;  // 0x00BBGGRR
inline constexpr uint8_t kMaskRed = 0x00;
inline constexpr uint8_t kMaskGreen = 0x80;
inline constexpr uint8_t kMaskBlue = 0x60;

// True when the three bytes at rgb are the mask colour.
inline bool IsMaskPixel(const uint8_t* rgb)
{
    return rgb[0] == kMaskRed && rgb[1] == kMaskGreen && rgb[2] == kMaskBlue;
}

class ThumbnailList {
public:
    // The stored counts and sizes are 16-bit.
    static constexpr uint32_t kMaxSide = 0xFFFF;
    static constexpr uint32_t kMaxRoom = 0xFFFF;
    // Pictures sit four to a band in the stored bitmaps.
    static constexpr uint32_t kColumns = 4;

    // An empty list of 0 × 0 pictures; it can hold none.
    ThumbnailList() = default;
    // An empty list for pictures of cx × cy (1 .. kMaxSide each), made to
    // receive initialCount pictures, growing by 1 (stored as 4).
    ThumbnailList(uint32_t cx, uint32_t cy, uint32_t initialCount = 0);

    uint32_t Cx() const { return cx_; }
    uint32_t Cy() const { return cy_; }
    size_t Count() const { return pictures_.size(); }
    // Room and growth step as the stored list records them.
    uint32_t Room() const { return room_; }
    uint32_t Growth() const { return growth_; }

    // Bytes of one picture: 3 × cx × cy.
    size_t PictureBytes() const { return size_t{3} * cx_ * cy_; }
    std::span<const uint8_t> Picture(size_t k) const { return pictures_[k]; }
    std::span<uint8_t> Picture(size_t k) { return pictures_[k]; }
    // A picture of the list's size filled with the mask colour.
    std::vector<uint8_t> BlankPicture() const;

    // True when one more picture fits (16-bit counts, and the stored bitmap
    // stays within the size every reader accepts).
    bool CanAppend() const;
    // Appends a picture of PictureBytes() bytes; false (list unchanged)
    // when it has another size or the list is full.
    bool Append(std::vector<uint8_t> picture);
    // Removes picture k; the pictures behind it move down. Room unchanged.
    void RemoveAt(size_t k);
    // Keeps the first n pictures, or adds black ones up to n; room n + 1.
    // n is capped where CanAppend would stop.
    void SetCount(size_t n);

    bool operator==(const ThumbnailList&) const = default;

private:
    friend bool ReadImageList(ArchiveReader& in, ThumbnailList& list);

    // The most room a list of this picture size may have.
    uint32_t RoomLimit() const;

    uint32_t cx_ = 0;
    uint32_t cy_ = 0;
    uint32_t room_ = 0;
    uint32_t growth_ = 4;
    std::vector<std::vector<uint8_t>> pictures_;
};

}  // namespace pix
