#include "image/DibPixels.h"

#include <bit>
#include <cstring>

#include "image/CImageBuffer.h"

namespace pix {

void DecodeIndexedRows(ByteReader& in, uint32_t bpp, uint32_t width, uint32_t height, bool topDown,
                       uint8_t* plane)
{
    const size_t rowBytes = static_cast<size_t>(DibRowBytes(width, bpp));
    const uint32_t perByte = 8 / bpp;
    const uint8_t mask = static_cast<uint8_t>((1u << bpp) - 1);
    for (uint32_t fileRow = 0; fileRow < height && !in.AtEnd(); ++fileRow) {
        uint8_t* dst = plane + static_cast<size_t>(topDown ? fileRow : height - 1 - fileRow) * width;
        const size_t avail = in.Remaining() < rowBytes ? in.Remaining() : rowBytes;
        const uint8_t* src = in.Current();
        if (bpp == 8) {
            std::memcpy(dst, src, avail < width ? avail : width);
        } else {
            for (uint32_t x = 0; x < width; ++x) {
                size_t byte = x / perByte;
                if (byte >= avail)
                    break;
                uint32_t shift = 8 - bpp * (x % perByte + 1);
                dst[x] = static_cast<uint8_t>((src[byte] >> shift) & mask);
            }
        }
        in.Skip(avail);
    }
}

void DecodeRunLength(ByteReader& in, bool fourBit, uint32_t width, uint32_t height, uint8_t* plane)
{
    uint32_t x = 0;
    uint32_t row = 0;  // file row, 0 = bottom
    auto put = [&](uint8_t value) {
        if (x < width && row < height)
            plane[static_cast<size_t>(height - 1 - row) * width + x] = value;
        ++x;
    };
    while (row < height) {
        uint8_t count = in.U8();
        uint8_t value = in.U8();
        if (in.Failed())
            return;
        if (count > 0) {
            for (uint32_t k = 0; k < count; ++k)
                put(fourBit ? static_cast<uint8_t>((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of row
            x = 0;
            ++row;
            break;
        case 1:  // end of picture
            return;
        case 2: {  // move right and up
            uint8_t dx = in.U8();
            uint8_t dy = in.U8();
            if (in.Failed())
                return;
            x += dx;
            row += dy;
            break;
        }
        default: {  // literal run
            const uint32_t n = value;
            if (fourBit) {
                uint8_t byte = 0;
                for (uint32_t k = 0; k < n; ++k) {
                    if ((k & 1) == 0) {
                        byte = in.U8();
                        if (in.Failed())
                            return;
                    }
                    put(static_cast<uint8_t>((k & 1) ? byte & 0x0F : byte >> 4));
                }
                if (n % 4 == 1 || n % 4 == 2)
                    in.U8();
            } else {
                for (uint32_t k = 0; k < n; ++k) {
                    uint8_t v = in.U8();
                    if (in.Failed())
                        return;
                    put(v);
                }
                if (n & 1)
                    in.U8();
            }
            if (in.Failed())
                return;
            break;
        }
        }
    }
}

void ExpandIndexPlane(const uint8_t* plane, const DibPalette& palette, CImageBuffer& buf)
{
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    for (uint32_t top = 0; top < height; ++top) {
        const uint8_t* src = plane + static_cast<size_t>(top) * width;
        uint8_t* dst = buf.Row(height - 1 - top);
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t i = src[x];
            dst[3 * x] = palette.blue[i];
            dst[3 * x + 1] = palette.green[i];
            dst[3 * x + 2] = palette.red[i];
        }
    }
}

DibMasks DefaultMasks(uint32_t bpp)
{
    if (bpp == 16)
        return {0x7C00, 0x03E0, 0x001F};
    return {0x00FF0000, 0x0000FF00, 0x000000FF};
}

namespace {

// Scales a masked channel value to 0..255.
struct Channel {
    explicit Channel(uint32_t mask)
    {
        if (mask == 0)
            return;
        shift = static_cast<uint32_t>(std::countr_zero(mask));
        uint32_t m = mask >> shift;
        bits = static_cast<uint32_t>(std::countr_one(m));
        max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        this->mask = mask;
    }
    uint8_t operator()(uint32_t pixel) const
    {
        if (mask == 0)
            return 0;
        uint32_t v = (pixel & mask) >> shift;
        v &= max;
        if (bits == 8)
            return static_cast<uint8_t>(v);
        return static_cast<uint8_t>((static_cast<uint64_t>(v) * 255 + max / 2) / max);
    }
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t bits = 0;
    uint32_t max = 1;
};

}  // namespace

void DecodeTrueColorRows(ByteReader& in, uint32_t bpp, const DibMasks& masks, bool topDown, CImageBuffer& buf)
{
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    const size_t rowBytes = static_cast<size_t>(DibRowBytes(width, bpp));
    const Channel red(masks.red), green(masks.green), blue(masks.blue);
    const uint32_t bytesPerPixel = bpp / 8;
    for (uint32_t fileRow = 0; fileRow < height && !in.AtEnd(); ++fileRow) {
        uint8_t* dst = buf.Row(topDown ? height - 1 - fileRow : fileRow);
        const size_t avail = in.Remaining() < rowBytes ? in.Remaining() : rowBytes;
        const uint8_t* src = in.Current();
        if (bpp == 24) {
            size_t n = static_cast<size_t>(width) * 3;
            std::memcpy(dst, src, avail < n ? avail : n);
        } else {
            for (uint32_t x = 0; x < width && (x + 1) * bytesPerPixel <= avail; ++x) {
                const uint8_t* p = src + static_cast<size_t>(x) * bytesPerPixel;
                uint32_t pixel = bpp == 16 ? static_cast<uint32_t>(p[0] | (p[1] << 8))
                                           : static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                                 (static_cast<uint32_t>(p[2]) << 16) |
                                                 (static_cast<uint32_t>(p[3]) << 24);
                dst[3 * x] = blue(pixel);
                dst[3 * x + 1] = green(pixel);
                dst[3 * x + 2] = red(pixel);
            }
        }
        in.Skip(avail);
    }
}

bool DibSizePlausible(uint32_t width, uint32_t height, uint32_t bpp, bool compressed, size_t availableBytes)
{
    if (!SizeAllowed(width, height))
        return false;
    const uint64_t pixels = static_cast<uint64_t>(width) * height;
    constexpr uint64_t kAlwaysFine = uint64_t{1} << 20;  // small pictures are never refused
    if (pixels <= kAlwaysFine)
        return true;
    if (compressed) {
        // A run of 255 pixels takes two bytes and a move of 255 rows four;
        // anything far beyond that is a lie about the size.
        return pixels / 65536 <= availableBytes;
    }
    // Truncated files load partly, but a file must hold a fair share of
    // the rows it claims.
    return DibRowBytes(width, bpp) * height / 64 <= availableBytes;
}

}  // namespace pix
