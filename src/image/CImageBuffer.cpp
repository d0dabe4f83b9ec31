#include "image/CImageBuffer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <utility>

#include "image/ColourProfile.h"
#include "image/FormatTable.h"
#include "image/Orientation.h"

namespace pix {
namespace {
std::atomic<bool> gUpright{true};
std::atomic<bool> gColourManaged{true};
}  // namespace

void SetLoadOptions(LoadOptions options)
{
    gUpright = options.upright;
    gColourManaged = options.colourManaged;
}

LoadOptions CurrentLoadOptions() { return {gUpright, gColourManaged}; }

CImageBuffer::CImageBuffer(CImageBuffer&& other) noexcept { *this = std::move(other); }

CImageBuffer& CImageBuffer::operator=(CImageBuffer&& other) noexcept
{
    if (this != &other) {
        bits_ = std::move(other.bits_);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        stride_ = std::exchange(other.stride_, 0);
        red_ = other.red_;
        green_ = other.green_;
        blue_ = other.blue_;
        index_ = std::move(other.index_);
        colorCount_ = std::exchange(other.colorCount_, 0);
        other.bits_.clear();
        other.index_.clear();
    }
    return *this;
}

void CImageBuffer::Clear()
{
    bits_.clear();
    bits_.shrink_to_fit();
    width_ = height_ = stride_ = 0;
    DiscardIndexPlane();
}

bool CImageBuffer::Create(uint32_t width, uint32_t height)
{
    Clear();
    if (!SizeAllowed(width, height))
        return false;
    try {
        bits_.assign(static_cast<size_t>(StrideFor(width)) * height, 0);
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    width_ = width;
    height_ = height;
    stride_ = StrideFor(width);
    return true;
}

bool CImageBuffer::Adopt(std::vector<uint8_t>&& bits, uint32_t width, uint32_t height)
{
    Clear();
    if (!SizeAllowed(width, height) || bits.size() != static_cast<size_t>(StrideFor(width)) * height)
        return false;
    bits_ = std::move(bits);
    width_ = width;
    height_ = height;
    stride_ = StrideFor(width);
    return true;
}

bool CImageBuffer::SetIndexPlane(std::vector<uint8_t>&& plane, int colorCount)
{
    if (IsEmpty() || colorCount < 1 || colorCount > 256 ||
        plane.size() != static_cast<size_t>(width_) * height_)
        return false;
    index_ = std::move(plane);
    colorCount_ = colorCount;
    return true;
}

LoadResult CImageBuffer::Load(const std::string& path, uint32_t maxWidth, uint32_t maxHeight)
{
    Clear();
    const FormatRow* codec = FormatForPath(path);
    if (!codec || !codec->read)
        return LoadResult::UnknownType;
    const LoadOptions options = CurrentLoadOptions();
    PictureTraits traits;
    traits.upright = options.upright;
    traits.colourManaged = options.colourManaged;
    try {
        codec->read(path, maxWidth, maxHeight, *this, &traits);
        if (!IsEmpty()) {
            if (options.colourManaged && !traits.iccProfile.empty())
                ConvertToSrgb(*this, traits.iccProfile);
            if (options.upright && !TurnUpright(*this, traits.orientation))
                Clear();
        }
    } catch (const std::bad_alloc&) {
        Clear();
        return LoadResult::TooLarge;
    }
    if (!IsEmpty())
        return LoadResult::Loaded;
    // Readers only fail; why is told from the file.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || ::access(path.c_str(), R_OK) != 0)
        return LoadResult::Unreadable;
    uint32_t width = 0;
    uint32_t height = 0;
    if (codec->size && codec->size(path, width, height, nullptr) && !SizeAllowed(width, height))
        return LoadResult::TooLarge;
    return LoadResult::Damaged;
}

Outcome CImageBuffer::Save(const std::string& path) const
{
    const FormatRow* codec = FormatForPath(path);
    if (!codec || !codec->write)
        return Outcome(MsgId::NoValidFileType, {path});
    if (IsEmpty())
        return WriteFailure(path, 0);
    return codec->write(*this, path);
}

// Resampling in 8.8 fixed point, one pass into the new pixel array.
//
// Edge rule: the right-hand neighbour of a pixel in the last column is that
// pixel itself, and the row above the top memory row is the top row itself.
// Box sizes are limited to 255 rows and columns (the box is an 8-bit count),
// so a reduction by 256 or more averages the first 255 × 255 pixels of
// each box.
std::vector<uint8_t> CImageBuffer::Resampled(uint32_t newWidth, uint32_t newHeight) const
{
    const uint32_t newStride = StrideFor(newWidth);
    std::vector<uint8_t> out(static_cast<size_t>(newStride) * newHeight);

    const uint64_t xstep = (static_cast<uint64_t>(width_) * 256u) / newWidth;
    const uint64_t ystep = (static_cast<uint64_t>(height_) * 256u) / newHeight;
    const uint8_t* src = bits_.data();
    const size_t stride = stride_;

    for (uint32_t j = 0; j < newHeight; ++j) {
        const uint64_t sy = j * ystep;
        const uint32_t iy = static_cast<uint32_t>(sy >> 8);
        const uint32_t fy = static_cast<uint32_t>(sy & 0xFF);
        const uint32_t bh = static_cast<uint32_t>(std::min<uint64_t>({ystep / 256, height_ - iy, 255}));
        const uint32_t rows = std::max<uint32_t>(bh, 1);
        uint8_t* dst = out.data() + static_cast<size_t>(newStride) * j;

        for (uint32_t i = 0; i < newWidth; ++i) {
            const uint64_t sx = i * xstep;
            const uint32_t ix = static_cast<uint32_t>(sx >> 8);
            const uint32_t fx = static_cast<uint32_t>(sx & 0xFF);
            const uint32_t bw = static_cast<uint32_t>(std::min<uint64_t>({xstep / 256, width_ - ix, 255}));
            const uint32_t cols = std::max<uint32_t>(bw, 1);
            uint32_t sum0 = 0, sum1 = 0, sum2 = 0;

            if ((fx == 0 && fy == 0) || (bw > 1 && bh > 1)) {
                for (uint32_t r = 0; r < rows; ++r) {
                    const uint8_t* p = src + stride * (iy + r) + 3u * ix;
                    for (uint32_t c = 0; c < cols; ++c, p += 3) {
                        sum0 += p[0];
                        sum1 += p[1];
                        sum2 += p[2];
                    }
                }
            } else {
                const uint32_t ixRight = ix + 1 < width_ ? ix + 1 : ix;
                for (uint32_t r = 0; r < rows; ++r) {
                    const uint32_t y0 = iy + r;
                    const uint32_t y1 = y0 + 1 < height_ ? y0 + 1 : y0;
                    const uint8_t* a = src + stride * y0 + 3u * ix;
                    const uint8_t* b = src + stride * y0 + 3u * ixRight;
                    const uint8_t* c = src + stride * y1 + 3u * ix;
                    const uint8_t* d = src + stride * y1 + 3u * ixRight;
                    uint32_t v[3];
                    for (int k = 0; k < 3; ++k) {
                        uint32_t lower = (a[k] * (256 - fx) + b[k] * fx) & 0xFFFF;
                        uint32_t upper = (c[k] * (256 - fx) + d[k] * fx) & 0xFFFF;
                        v[k] = (upper * fy + lower * (256 - fy)) >> 16;
                    }
                    sum0 += v[0] * cols;
                    sum1 += v[1] * cols;
                    sum2 += v[2] * cols;
                }
            }
            const uint32_t n = rows * cols;
            dst[3 * i] = static_cast<uint8_t>(sum0 / n);
            dst[3 * i + 1] = static_cast<uint8_t>(sum1 / n);
            dst[3 * i + 2] = static_cast<uint8_t>(sum2 / n);
        }
    }
    return out;
}

void CImageBuffer::Resize(uint32_t newWidth, uint32_t newHeight)
{
    if (IsEmpty() || newWidth == 0 || newHeight == 0 || !SizeAllowed(newWidth, newHeight))
        return;
    bits_ = Resampled(newWidth, newHeight);
    width_ = newWidth;
    height_ = newHeight;
    stride_ = StrideFor(newWidth);
    DiscardIndexPlane();
}

CImageBuffer CImageBuffer::ResizedCopy(uint32_t newWidth, uint32_t newHeight) const
{
    CImageBuffer copy;
    if (IsEmpty() || newWidth == 0 || newHeight == 0 || !SizeAllowed(newWidth, newHeight))
        return *this;  // as Resize leaves it
    copy.Adopt(Resampled(newWidth, newHeight), newWidth, newHeight);
    copy.red_ = red_;
    copy.green_ = green_;
    copy.blue_ = blue_;
    return copy;
}

}  // namespace pix
