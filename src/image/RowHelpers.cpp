#include "image/RowHelpers.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/CImageBuffer.h"

namespace pix {

std::vector<uint8_t> PadRows(const uint8_t* packed, uint32_t width, uint32_t height, uint32_t& stride)
{
    stride = StrideFor(width);
    if (!packed)
        return {};
    std::vector<uint8_t> out;
    try {
        out.resize(static_cast<size_t>(stride) * height);
    } catch (const std::bad_alloc&) {
        return {};
    }
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + static_cast<size_t>(stride) * y, packed + rowBytes * y, rowBytes);
    return out;
}

std::vector<uint8_t> UnpadRows(const uint8_t* aligned, uint32_t width, uint32_t stride, uint32_t height)
{
    if (!aligned)
        return {};
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> out;
    try {
        out.resize(rowBytes * height);
    } catch (const std::bad_alloc&) {
        return {};
    }
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + rowBytes * y, aligned + static_cast<size_t>(stride) * y, rowBytes);
    return out;
}

bool FlipRows(uint8_t* buffer, size_t rowBytes, uint32_t rows)
{
    if (!buffer)
        return false;
    for (uint32_t i = 0; i < (rows + 1) / 2; ++i) {
        uint8_t* a = buffer + rowBytes * i;
        uint8_t* b = buffer + rowBytes * (rows - 1 - i);
        if (a != b)
            std::swap_ranges(a, a + rowBytes, b);
    }
    return true;
}

bool SwapRedBlue(uint8_t* packed, uint32_t width, uint32_t height)
{
    if (!packed)
        return false;
    const size_t count = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < count; ++i)
        std::swap(packed[3 * i], packed[3 * i + 2]);
    return true;
}

}  // namespace pix
