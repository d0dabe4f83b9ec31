#include "sheets/ThumbnailList.h"

#include <algorithm>
#include <utility>

#include "image/CImageBuffer.h"

namespace pix {

ThumbnailList::ThumbnailList(uint32_t cx, uint32_t cy, uint32_t initialCount)
    : cx_(std::clamp<uint32_t>(cx, 1, kMaxSide)), cy_(std::clamp<uint32_t>(cy, 1, kMaxSide))
{
    room_ = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{initialCount} + 1, RoomLimit()));
}

uint32_t ThumbnailList::RoomLimit() const
{
    if (cx_ == 0 || cy_ == 0)
        return 0;
    // Both stored bitmaps are kColumns pictures wide and one picture high
    // per band of kColumns pictures.
    const uint64_t bandPixels = uint64_t{kColumns} * cx_ * cy_;
    const uint64_t bands = kMaxPixels / bandPixels;
    return static_cast<uint32_t>(std::min<uint64_t>(bands * kColumns, kMaxRoom));
}

std::vector<uint8_t> ThumbnailList::BlankPicture() const
{
    std::vector<uint8_t> picture(PictureBytes());
    for (size_t i = 0; i < picture.size(); i += 3) {
        picture[i] = kMaskRed;
        picture[i + 1] = kMaskGreen;
        picture[i + 2] = kMaskBlue;
    }
    return picture;
}

bool ThumbnailList::CanAppend() const { return cx_ != 0 && pictures_.size() + 1 <= RoomLimit(); }

bool ThumbnailList::Append(std::vector<uint8_t> picture)
{
    if (picture.size() != PictureBytes() || !CanAppend())
        return false;
    const uint64_t count = pictures_.size();
    // One spare place is always kept; when it would be taken the room grows.
    if (count + 1 >= room_) {
        const uint64_t grown = uint64_t{room_} + std::max<uint32_t>(1, growth_) + 1;
        room_ = static_cast<uint32_t>(std::min<uint64_t>(grown, RoomLimit()));
    }
    pictures_.push_back(std::move(picture));
    return true;
}

void ThumbnailList::RemoveAt(size_t k)
{
    if (k < pictures_.size())
        pictures_.erase(pictures_.begin() + static_cast<std::ptrdiff_t>(k));
}

void ThumbnailList::SetCount(size_t n)
{
    const uint32_t limit = RoomLimit();
    n = std::min<size_t>(n, limit);
    pictures_.resize(n, std::vector<uint8_t>(PictureBytes(), 0));
    room_ = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{n} + 1, limit));
}

}  // namespace pix
