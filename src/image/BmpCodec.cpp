#include "image/BmpCodec.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "common/AtomicFile.h"
#include "common/ByteReader.h"
#include "common/FileBytes.h"
#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "image/BmpHeader.h"
#include "image/DibPixels.h"

namespace pix {

namespace {

// Information headers that begin with the 40-byte fields. 52, 56, 108 and
// 124 are the later forms current programs write; their extra fields are
// skipped.
bool IsInfoHeader(uint32_t size)
{
    return size == 40 || size == 64 || size == 52 || size == 56 || size == 108 || size == 124;
}

// The fields of the file header and of the information header that
// decide how the file is read.
struct BmpHeader {
    uint32_t dataOffset = 0;
    uint32_t headerSize = 0;
    bool infoHeader = false;  // a 40-byte-family header; else the 12-byte one
    uint32_t width = 0;
    uint32_t height = 0;
    bool topDown = false;
    uint32_t bpp = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
};

// Reads the file header and the fields of the information header, leaving
// in just past them (54 bytes into the file, or 26 for the 12-byte
// header). False for a header the reader refuses. Any header size that is
// not of the 40-byte family is read as the 12-byte header.
bool ReadBmpHeader(ByteReader& in, BmpHeader& hdr)
{
    if (in.U8() != 'B' || in.U8() != 'M')
        return false;
    in.U32();  // file size
    in.U16();
    in.U16();
    hdr.dataOffset = in.U32();
    hdr.headerSize = in.U32();

    int64_t width = 0;
    int64_t height = 0;
    uint32_t planes = 0;
    hdr.infoHeader = IsInfoHeader(hdr.headerSize);
    if (hdr.infoHeader) {
        width = in.I32();
        height = in.I32();
        planes = in.U16();
        hdr.bpp = in.U16();
        hdr.compression = in.U32();
        in.U32();  // image size
        in.U32();  // resolutions
        in.U32();
        hdr.colorsUsed = in.U32();
        in.U32();  // important colours
    } else {
        width = in.U16();
        height = in.U16();
        planes = in.U16();
        hdr.bpp = in.U16();
    }
    if (in.Failed())
        return false;
    const uint32_t bpp = hdr.bpp;
    const uint32_t compression = hdr.compression;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
        return false;
    if (planes != 1 || compression > 2)
        return false;
    if ((bpp == 1 || bpp == 24) && compression != 0)
        return false;
    if ((bpp == 4 && compression == 1) || (bpp == 8 && compression == 2))
        return false;
    // Rows stored top-down carry a negative height; only uncompressed
    // pixels may be stored that way.
    hdr.topDown = height < 0;
    if (hdr.topDown) {
        if (compression != 0)
            return false;
        height = -height;
    }
    if (width <= 0 || height <= 0 || width > UINT32_MAX || height > UINT32_MAX)
        return false;
    hdr.width = static_cast<uint32_t>(width);
    hdr.height = static_cast<uint32_t>(height);
    return true;
}

// Colour table entries the header declares (palette pictures only).
uint64_t ColorTableEntries(const BmpHeader& hdr) { return hdr.colorsUsed != 0 ? hdr.colorsUsed : (1u << hdr.bpp); }

}  // namespace

void ReadBmpBytes(std::span<const uint8_t> file, CImageBuffer& buf)
{
    buf.Clear();
    ByteReader in(file);
    BmpHeader hdr;
    if (!ReadBmpHeader(in, hdr))
        return;
    const uint32_t w = hdr.width;
    const uint32_t h = hdr.height;
    const uint32_t bpp = hdr.bpp;
    const uint32_t compression = hdr.compression;
    const uint32_t headerSize = hdr.headerSize;
    const bool infoHeader = hdr.infoHeader;
    const bool topDown = hdr.topDown;

    int64_t gap = 0;
    if (infoHeader) {
        in.Skip(headerSize - 40);
        gap = static_cast<int64_t>(hdr.dataOffset) - headerSize - 14;
    }

    DibPalette palette;
    if (bpp <= 8) {
        uint64_t entries = ColorTableEntries(hdr);
        const size_t entrySize = infoHeader ? 4 : 3;
        // Entries beyond the 256 a palette can hold are skipped.
        uint64_t kept = entries > 256 ? 256 : entries;
        for (uint64_t i = 0; i < kept; ++i) {
            palette.blue[i] = in.U8();
            palette.green[i] = in.U8();
            palette.red[i] = in.U8();
            if (infoHeader) {
                in.U8();
                gap -= 4;
            }
        }
        if (entries > kept) {
            uint64_t skip = (entries - kept) * entrySize;
            if (skip > in.Remaining())
                return;
            in.Skip(static_cast<size_t>(skip));
            if (infoHeader)
                gap -= static_cast<int64_t>(skip);
        }
        if (in.Failed())
            return;
        palette.count = static_cast<int>(kept);
    }

    if (infoHeader) {
        int64_t target = static_cast<int64_t>(in.Position()) + gap;
        if (target < 0)
            target = 0;
        if (static_cast<uint64_t>(target) > in.Size())
            target = static_cast<int64_t>(in.Size());
        in.Seek(static_cast<size_t>(target));
    }

    if (!DibSizePlausible(w, h, bpp, compression != 0, in.Remaining()))
        return;
    if (!buf.Create(w, h))
        return;

    if (bpp == 24) {
        DecodeTrueColorRows(in, 24, {}, topDown, buf);
        return;
    }
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h, 0);
    if (compression == 0)
        DecodeIndexedRows(in, bpp, w, h, topDown, plane.data());
    else
        DecodeRunLength(in, compression == 2, w, h, plane.data());
    ExpandIndexPlane(plane.data(), palette, buf);
    buf.Red() = palette.red;
    buf.Green() = palette.green;
    buf.Blue() = palette.blue;
    buf.SetIndexPlane(std::move(plane), palette.count);
}

void ReadBmp(const std::string& path, uint32_t, uint32_t, CImageBuffer& buf, PictureTraits*)
{
    buf.Clear();
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return;
    ReadBmpBytes(*bytes, buf);
}

bool BmpSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height)
{
    if (head.size() > fileSize)
        return false;
    ByteReader in(head);
    BmpHeader hdr;
    if (!ReadBmpHeader(in, hdr))
        return false;
    // Where the reader stands when the pixels begin, worked out from the
    // header as ReadBmpBytes walks there: past the rest of the information
    // header and the colour table (which must be in the file), then, for
    // the 40-byte family, to the data offset (clamped to the file).
    const uint64_t fieldsEnd = in.Position();
    const uint64_t headerRest = hdr.infoHeader ? hdr.headerSize - 40 : 0;
    uint64_t pixelsAt = 0;
    if (hdr.bpp <= 8) {
        const uint64_t tableBytes = ColorTableEntries(hdr) * (hdr.infoHeader ? 4 : 3);
        if (headerRest + tableBytes > fileSize - fieldsEnd)
            return false;
        pixelsAt = hdr.infoHeader ? hdr.dataOffset : fieldsEnd + tableBytes;
    } else if (!hdr.infoHeader) {
        pixelsAt = fieldsEnd;
    } else {
        // A header longer than the file leaves the reader at the end, from
        // where the data offset counts as if the header had been there.
        const int64_t headerEnd = static_cast<int64_t>(std::min(fieldsEnd + headerRest, fileSize));
        const int64_t gap = static_cast<int64_t>(hdr.dataOffset) - hdr.headerSize - 14;
        pixelsAt = static_cast<uint64_t>(std::max<int64_t>(0, headerEnd + gap));
    }
    pixelsAt = std::min(pixelsAt, fileSize);
    const uint64_t available = fileSize - pixelsAt;
    if (!DibSizePlausible(hdr.width, hdr.height, hdr.bpp, hdr.compression != 0,
                          static_cast<size_t>(std::min<uint64_t>(available, SIZE_MAX))))
        return false;
    width = hdr.width;
    height = hdr.height;
    return true;
}

bool QueryBmpSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t*)
{
    const auto head = ReadFileHead(path, kBmpSizeHeadBytes);
    // The reader reads the whole file, so it refuses what it cannot hold.
    if (!head || head->fileSize > kMaxInputFileBytes)
        return false;
    return BmpSizeFromBytes(head->bytes, head->fileSize, width, height);
}

Outcome WriteBmpTrueColor(const CImageBuffer& buf, const std::string& path)
{
    AtomicFile file;
    if (!file.Open(path))
        return Outcome(MsgId::BmpCantOpenForWriting);
    const std::vector<uint8_t> header = BmpTrueColorHeader(buf.Width(), buf.Height());
    // The rows lie bottom-up and padded, as the file stores them; on a
    // failure the temporary file is discarded and the old file stays.
    if (!file.Write(header.data(), header.size()) || !file.Write(buf.Bits(), buf.BitsSize()) || !file.Commit())
        return Outcome(MsgId::BmpWriteError);
    return {};
}

Outcome WriteBmpPalette(const CImageBuffer& buf, const std::string& path)
{
    const int colors = buf.ColorCount();
    uint32_t bits = colors <= 2 ? 1 : colors <= 16 ? 4 : colors <= 256 ? 8 : 24;
    if (bits == 24)
        return Outcome(MsgId::BmpNo24BitPalette);
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    const uint64_t rowSize = DibRowBytes(width, bits);
    const uint64_t imageSize = rowSize * height;
    const uint32_t dataOffset = static_cast<uint32_t>(colors) * 4 + 54;
    const uint64_t fileSize = imageSize + dataOffset;

    AtomicFile file;
    if (!file.Open(path))
        return Outcome(MsgId::BmpPaletteCantOpen);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(dataOffset));
    PutBmpHeader(out, static_cast<uint32_t>(fileSize), dataOffset, width, height, static_cast<uint16_t>(bits),
              static_cast<uint32_t>(imageSize), static_cast<uint32_t>(colors));
    for (int i = 0; i < colors; ++i) {
        out.push_back(buf.Blue()[i]);
        out.push_back(buf.Green()[i]);
        out.push_back(buf.Red()[i]);
        out.push_back(0);
    }
    uint64_t written = file.Write(out.data(), out.size()) ? out.size() : 0;

    const std::vector<uint8_t>& plane = buf.IndexPlane();
    const uint8_t valueMask = static_cast<uint8_t>((1u << bits) - 1);
    std::vector<uint8_t> row;
    row.reserve(static_cast<size_t>(rowSize));
    uint64_t sinceData = 0;
    for (uint32_t r = height; r-- > 0;) {
        row.clear();
        const uint8_t* src = plane.data() + static_cast<size_t>(r) * width;
        uint32_t pending = 0;
        uint32_t acc = 0;
        for (uint32_t x = 0; x < width; ++x) {
            if (pending + bits > 8)
                return Outcome(MsgId::BmpTooManyBits);
            acc = (acc << bits) | (src[x] & valueMask);
            pending += bits;
            if (pending == 8) {
                row.push_back(static_cast<uint8_t>(acc));
                acc = 0;
                pending = 0;
            }
        }
        if (pending > 0)
            row.push_back(static_cast<uint8_t>(acc << (8 - pending)));
        sinceData += row.size();
        while (sinceData % 4 != 0) {
            row.push_back(0);
            ++sinceData;
        }
        if (file.Write(row.data(), row.size()))
            written += row.size();
    }
    // Nothing replaces the old file unless every byte was written.
    if (written != fileSize || file.Failed() || !file.Commit())
        return Outcome(MsgId::BmpSizeMismatch);
    return {};
}

Outcome WriteBmp(const CImageBuffer& buf, const std::string& path)
{
    return buf.HasIndexPlane() ? WriteBmpPalette(buf, path) : WriteBmpTrueColor(buf, path);
}

extern constexpr FormatRow kBmpFormat{
    .name = "bmp",
    .extensions = "bmp;dib",
    .openLabel = "Windows Bitmaps (*.bmp,*.dib)",
    .saveLabel = "Windows Bitmap (*.bmp,*.dib)",
    .read = ReadBmp,
    .write = WriteBmp,
    .size = QueryBmpSize,
};

}  // namespace pix
