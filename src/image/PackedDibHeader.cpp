#include "image/PackedDib.h"

#include "common/ByteReader.h"
#include "image/PackedDibCodes.h"

// The header alone, apart from the pixel conversions, so that programs that
// only pass packed DIBs on do not take in the picture buffer and its
// readers and writers.

namespace pix {

using namespace dib;

bool ParsePackedDibHeader(std::span<const uint8_t> dib, PackedDibInfo& info)
{
    ByteReader in(dib);
    info = {};
    info.headerSize = in.U32();
    uint32_t planes = 0;
    if (info.headerSize == 12) {
        info.width = in.U16();
        info.height = in.U16();
        planes = in.U16();
        info.bpp = in.U16();
    } else if (info.headerSize >= 40 && info.headerSize <= 256) {
        info.width = in.I32();
        info.height = in.I32();
        planes = in.U16();
        info.bpp = in.U16();
        info.compression = in.U32();
        in.U32();
        in.U32();
        in.U32();
        info.colorsUsed = in.U32();
    } else {
        return false;
    }
    if (in.Failed() || planes != 1 || info.headerSize > dib.size())
        return false;
    const uint32_t bpp = info.bpp;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return false;
    switch (info.compression) {
    case kRgb:
        break;
    case kRle8:
        if (bpp != 8)
            return false;
        break;
    case kRle4:
        if (bpp != 4)
            return false;
        break;
    case kBitFields:
    case kAlphaBitFields:
        if (bpp != 16 && bpp != 32)
            return false;
        break;
    default:
        return false;
    }
    if (info.width <= 0 || info.height == 0 || info.height == INT32_MIN)
        return false;
    if (info.height < 0 && info.compression != kRgb && info.compression != kBitFields &&
        info.compression != kAlphaBitFields)
        return false;

    uint64_t table = 0;
    if (info.headerSize == 12) {
        table = bpp <= 8 ? (uint64_t{1} << bpp) * 3 : 0;
    } else {
        if (info.headerSize == 40 && info.compression == kBitFields)
            table += 12;
        else if (info.headerSize == 40 && info.compression == kAlphaBitFields)
            table += 16;
        uint64_t entries = info.colorsUsed != 0 ? info.colorsUsed : (bpp <= 8 ? (uint64_t{1} << bpp) : 0);
        table += entries * 4;
    }
    if (table > dib.size() - info.headerSize)
        return false;
    info.colorTableBytes = static_cast<size_t>(table);
    info.pixelOffset = info.headerSize + info.colorTableBytes;
    return true;
}

}  // namespace pix
