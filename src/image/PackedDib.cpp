#include "image/PackedDib.h"

#include <algorithm>
#include <cstring>

#include "common/ByteReader.h"
#include "image/CImageBuffer.h"
#include "image/DibPixels.h"
#include "image/PackedDibCodes.h"

namespace pix {

using namespace dib;

bool ReadPackedDib(std::span<const uint8_t> dib, CImageBuffer& buf)
{
    buf.Clear();
    PackedDibInfo info;
    if (!ParsePackedDibHeader(dib, info))
        return false;
    const uint32_t width = static_cast<uint32_t>(info.width);
    const bool topDown = info.height < 0;
    const uint32_t height = static_cast<uint32_t>(topDown ? -static_cast<int64_t>(info.height) : info.height);
    const bool compressed = info.compression == kRle8 || info.compression == kRle4;
    if (!DibSizePlausible(width, height, info.bpp, compressed, dib.size() - info.pixelOffset))
        return false;

    ByteReader table(dib.data() + info.headerSize, info.colorTableBytes);
    ByteReader pixels(dib.data() + info.pixelOffset, dib.size() - info.pixelOffset);

    if (info.bpp > 8) {
        DibMasks masks = DefaultMasks(info.bpp);
        if (info.compression == kBitFields || info.compression == kAlphaBitFields) {
            // Masks follow a 40-byte header, or sit inside the later headers.
            ByteReader m = info.headerSize == 40 ? table : ByteReader(dib.data() + 40, info.headerSize - 40);
            if (m.Remaining() < 12)
                return false;
            masks.red = m.U32();
            masks.green = m.U32();
            masks.blue = m.U32();
        }
        if (!buf.Create(width, height))
            return false;
        DecodeTrueColorRows(pixels, info.bpp, masks, topDown, buf);
        return true;
    }

    DibPalette palette;
    const uint64_t entries = info.headerSize == 12 ? (uint64_t{1} << info.bpp) : info.colorTableBytes / 4;
    palette.count = static_cast<int>(entries > 256 ? 256 : entries);
    for (int i = 0; i < palette.count; ++i) {
        palette.blue[i] = table.U8();
        palette.green[i] = table.U8();
        palette.red[i] = table.U8();
        if (info.headerSize != 12)
            table.U8();
    }
    if (!buf.Create(width, height))
        return false;
    std::vector<uint8_t> plane(static_cast<size_t>(width) * height, 0);
    if (compressed)
        DecodeRunLength(pixels, info.compression == kRle4, width, height, plane.data());
    else
        DecodeIndexedRows(pixels, info.bpp, width, height, topDown, plane.data());
    ExpandIndexPlane(plane.data(), palette, buf);
    buf.Red() = palette.red;
    buf.Green() = palette.green;
    buf.Blue() = palette.blue;
    if (palette.count >= 1)
        buf.SetIndexPlane(std::move(plane), palette.count);
    return true;
}

bool AdoptPackedDib(std::vector<uint8_t>&& dib, CImageBuffer& buf)
{
    PackedDibInfo info;
    if (!ParsePackedDibHeader(dib, info) || info.bpp != 24 || info.compression != 0 || info.height <= 0)
        return ReadPackedDib(dib, buf);
    const uint32_t width = static_cast<uint32_t>(info.width);
    const uint32_t height = static_cast<uint32_t>(info.height);
    const size_t stride = StrideFor(width);
    if (!SizeAllowed(width, height) || dib.size() - info.pixelOffset < stride * height)
        return ReadPackedDib(dib, buf);
    // The rows are already the buffer's layout: drop the header, clear the
    // padding (the writers store it), keep the memory.
    dib.erase(dib.begin(), dib.begin() + static_cast<std::ptrdiff_t>(info.pixelOffset));
    dib.resize(stride * height);
    const size_t used = size_t{3} * width;
    if (used < stride)
        for (uint32_t y = 0; y < height; ++y)
            std::fill(dib.begin() + static_cast<std::ptrdiff_t>(y * stride + used),
                      dib.begin() + static_cast<std::ptrdiff_t>((y + 1) * stride), uint8_t{0});
    return buf.Adopt(std::move(dib), width, height);
}

std::vector<uint8_t> MakePackedDib(const CImageBuffer& buf)
{
    std::vector<uint8_t> out;
    if (buf.IsEmpty())
        return out;
    out.reserve(40 + buf.BitsSize());
    PutU32(out, 40);
    PutU32(out, buf.Width());
    PutU32(out, buf.Height());
    PutU16(out, 1);
    PutU16(out, 24);
    for (int i = 0; i < 6; ++i)
        PutU32(out, 0);
    out.insert(out.end(), buf.Bits(), buf.Bits() + buf.BitsSize());
    return out;
}

}  // namespace pix
