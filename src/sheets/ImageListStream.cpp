#include "sheets/ImageListStream.h"

#include <utility>
#include <vector>

#include "common/Archive.h"
#include "image/CImageBuffer.h"
#include "sheets/ThumbnailList.h"

namespace pix {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMaskPaletteSize = 8;

uint64_t Stride(uint64_t width, uint32_t bpp) { return ((width * bpp + 31) / 32) * 4; }

// Where the pictures sit in the two bitmaps.
struct Geometry {
    uint32_t columns;  // pictures per band
    uint64_t width;    // pixels
    uint64_t height;
};

Geometry GeometryFor(uint32_t cx, uint32_t cy, uint32_t room, uint32_t columns)
{
    const uint64_t bands = (uint64_t{room} + columns - 1) / columns;
    return {columns, uint64_t{columns} * cx, bands * cy};
}

void PutBitmapHeaders(ArchiveWriter& out, uint64_t width, uint64_t height, uint16_t bpp, uint32_t paletteSize)
{
    const uint32_t offBits = kFileHeaderSize + kInfoHeaderSize + paletteSize;
    out.U8('B');
    out.U8('M');
    out.U32(offBits);  // the stream writer stores the header size here, not the file size
    out.U16(0);
    out.U16(0);
    out.U32(offBits);
    out.U32(kInfoHeaderSize);
    out.U32(static_cast<uint32_t>(width));
    out.U32(static_cast<uint32_t>(height));
    out.U16(1);
    out.U16(bpp);
    out.U32(0);  // uncompressed
    out.U32(static_cast<uint32_t>(Stride(width, bpp) * height));
    out.U32(0);
    out.U32(0);
    out.U32(0);
    out.U32(0);
}

// A decoded bitmap header: rows of stride bytes follow, bottom-up unless
// topDown.
struct BitmapHeader {
    uint32_t bpp = 0;
    bool topDown = false;
};

// Reads a file header, an information header and the colour table of a
// bitmap that must be width × height pixels. The file header's size and
// offset are not relied on (writers disagree about them); the rows follow
// the colour table directly, as the stream reader takes them.
bool ReadBitmapHeader(ArchiveReader& in, uint64_t width, uint64_t height, BitmapHeader& header)
{
    if (in.U8() != 'B' || in.U8() != 'M')
        return false;
    in.Skip(12);  // size, reserved, offset
    const uint32_t infoSize = in.U32();
    const int32_t w = in.I32();
    const int32_t h = in.I32();
    const uint16_t planes = in.U16();
    const uint16_t bpp = in.U16();
    const uint32_t compression = in.U32();
    in.Skip(20);  // image size, resolutions, colours used and important
    if (in.Failed() || infoSize != kInfoHeaderSize || planes != 1 || compression != 0)
        return false;
    header.bpp = bpp;
    header.topDown = h < 0;
    const int64_t rows = h < 0 ? -int64_t{h} : int64_t{h};
    if (w < 0 || static_cast<uint64_t>(w) != width || static_cast<uint64_t>(rows) != height)
        return false;
    if (bpp <= 8 && !in.Skip(size_t{4} << bpp))
        return false;
    return !in.Failed();
}

// The colour of pixel x in a row of a 16-, 24- or 32-bit bitmap.
void DecodePixel(const uint8_t* row, uint32_t bpp, uint64_t x, uint8_t* rgb)
{
    if (bpp == 16) {
        const uint32_t w = row[2 * x] | (uint32_t{row[2 * x + 1]} << 8);
        const uint32_t r = (w >> 10) & 31;
        const uint32_t g = (w >> 5) & 31;
        const uint32_t b = w & 31;
        // Widened so that dropping the low three bits gives the value back.
        rgb[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
        rgb[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
        rgb[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        return;
    }
    const uint8_t* p = row + (bpp / 8) * x;
    rgb[0] = p[2];
    rgb[1] = p[1];
    rgb[2] = p[0];
}

}  // namespace

void WriteImageList(const ThumbnailList& list, ArchiveWriter& out)
{
    const uint32_t cx = list.Cx();
    const uint32_t cy = list.Cy();
    const uint32_t count = static_cast<uint32_t>(list.Count());
    const Geometry g = GeometryFor(cx, cy, list.Room(), ThumbnailList::kColumns);

    out.U16(kImageListMagic);
    out.U16(kImageListVersion);
    out.U16(static_cast<uint16_t>(count));
    out.U16(static_cast<uint16_t>(list.Room()));
    out.U16(static_cast<uint16_t>(list.Growth()));
    out.U16(static_cast<uint16_t>(cx));
    out.U16(static_cast<uint16_t>(cy));
    out.U32(kImageListNoBackground);
    out.U16(kImageListFlags);
    for (int i = 0; i < 4; ++i)
        out.U16(0xFFFF);  // no overlay images

    const uint64_t colorStride = Stride(g.width, 16);
    const uint64_t maskStride = Stride(g.width, 1);
    std::vector<uint8_t>& bytes = out.Bytes();
    bytes.reserve(bytes.size() + 2 * (kFileHeaderSize + kInfoHeaderSize) + kMaskPaletteSize +
                  (colorStride + maskStride) * g.height);

    // Both bitmaps row by row from the bottom; rows of places without a
    // picture stay zero.
    std::vector<uint8_t> colorRow(colorStride);
    std::vector<uint8_t> maskRow(maskStride);
    auto fillRows = [&](uint64_t y) {
        std::fill(colorRow.begin(), colorRow.end(), 0);
        std::fill(maskRow.begin(), maskRow.end(), 0);
        const uint64_t band = y / cy;
        const uint64_t py = y % cy;
        for (uint32_t c = 0; c < g.columns; ++c) {
            const uint64_t k = band * g.columns + c;
            if (k >= count)
                break;
            const uint8_t* src = list.Picture(k).data() + py * cx * 3;
            for (uint32_t px = 0; px < cx; ++px, src += 3) {
                const uint64_t x = uint64_t{c} * cx + px;
                if (IsMaskPixel(src)) {
                    maskRow[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
                    continue;  // colour stays black under the mask
                }
                const uint32_t w = ((src[0] >> 3) << 10) | ((src[1] >> 3) << 5) | (src[2] >> 3);
                colorRow[2 * x] = static_cast<uint8_t>(w);
                colorRow[2 * x + 1] = static_cast<uint8_t>(w >> 8);
            }
        }
    };

    PutBitmapHeaders(out, g.width, g.height, 16, 0);
    for (uint64_t r = 0; r < g.height; ++r) {
        fillRows(g.height - 1 - r);
        out.Raw(colorRow.data(), colorRow.size());
    }
    PutBitmapHeaders(out, g.width, g.height, 1, kMaskPaletteSize);
    out.U32(0x00000000);  // palette: black, white
    out.U32(0x00FFFFFF);
    for (uint64_t r = 0; r < g.height; ++r) {
        fillRows(g.height - 1 - r);
        out.Raw(maskRow.data(), maskRow.size());
    }
}

bool ReadImageList(ArchiveReader& in, ThumbnailList& list)
{
    auto fail = [&in] {
        in.Fail();
        return false;
    };
    const uint16_t magic = in.U16();
    const uint16_t version = in.U16();
    const uint32_t count = in.U16();
    const uint32_t room = in.U16();
    const uint32_t growth = in.U16();
    const uint32_t cx = in.U16();
    const uint32_t cy = in.U16();
    in.U32();  // background colour
    const uint16_t flags = in.U16();
    in.Skip(8);  // overlay indexes
    if (in.Failed() || magic != kImageListMagic)
        return fail();
    uint32_t columns = 0;
    if (version == kImageListVersion)
        columns = ThumbnailList::kColumns;
    else if ((version & 0xFF00) == 0x0600)
        columns = 1;
    else
        return fail();
    if (cx == 0 || cy == 0 || count > room)
        return fail();
    const Geometry g = GeometryFor(cx, cy, room, columns);
    if (g.height != 0 && g.width * g.height > kMaxPixels)
        return fail();

    BitmapHeader color;
    if (!ReadBitmapHeader(in, g.width, g.height, color))
        return fail();
    if (color.bpp != 16 && color.bpp != 24 && color.bpp != 32)
        return fail();
    const bool hasMask = (flags & 0x0001) != 0;
    const uint64_t colorStride = Stride(g.width, color.bpp);
    const uint64_t maskStride = Stride(g.width, 1);
    const uint64_t colorBytes = colorStride * g.height;
    const uint64_t maskBytes = maskStride * g.height;
    // Everything still to come must be there before any picture is made.
    const uint64_t needed =
        colorBytes + (hasMask ? kFileHeaderSize + kInfoHeaderSize + kMaskPaletteSize + maskBytes : 0);
    if (needed > in.Remaining())
        return fail();
    const uint8_t* colorBits = in.Rest().data();
    in.Skip(colorBytes);

    const uint8_t* maskBits = nullptr;
    BitmapHeader mask;
    if (hasMask) {
        if (!ReadBitmapHeader(in, g.width, g.height, mask) || mask.bpp != 1 || maskBytes > in.Remaining())
            return fail();
        maskBits = in.Rest().data();
        in.Skip(maskBytes);
    }

    ThumbnailList read;
    read.cx_ = cx;
    read.cy_ = cy;
    read.room_ = room;
    read.growth_ = growth;
    // The list must be writable again in the four-column layout.
    if (room > read.RoomLimit())
        return fail();
    read.pictures_.resize(count);
    for (uint32_t k = 0; k < count; ++k) {
        std::vector<uint8_t>& picture = read.pictures_[k];
        picture.resize(size_t{3} * cx * cy);
        const uint64_t band = k / g.columns;
        const uint64_t left = uint64_t{k % g.columns} * cx;
        uint8_t* dst = picture.data();
        for (uint32_t py = 0; py < cy; ++py) {
            const uint64_t y = band * cy + py;
            const uint8_t* colorRow = colorBits + (color.topDown ? y : g.height - 1 - y) * colorStride;
            const uint8_t* maskRow = maskBits ? maskBits + (mask.topDown ? y : g.height - 1 - y) * maskStride : nullptr;
            for (uint32_t px = 0; px < cx; ++px, dst += 3) {
                const uint64_t x = left + px;
                if (maskRow && (maskRow[x >> 3] & (0x80 >> (x & 7)))) {
                    dst[0] = kMaskRed;
                    dst[1] = kMaskGreen;
                    dst[2] = kMaskBlue;
                } else {
                    DecodePixel(colorRow, color.bpp, x, dst);
                }
            }
        }
    }
    list = std::move(read);
    return true;
}

}  // namespace pix
