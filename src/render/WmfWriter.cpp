#include "render/WmfWriter.h"

#include <algorithm>
#include <cmath>

#include "common/AtomicFile.h"
#include "common/ByteReader.h"
#include "image/CImageBuffer.h"
#include "image/PackedDib.h"
#include "render/ScreenDpi.h"
#include "render/WmfPlayer.h"

namespace pix {

namespace {

// Metafile coordinates are signed 16-bit.
constexpr uint32_t kMaxSide = 32767;

// Words of the blit record before the bitmap: size (2), function, raster
// operation (2), ySrc, xSrc, height, width, yDst, xDst.
constexpr uint32_t kDibBitBltFixedWords = 11;
constexpr uint32_t kEofWords = 3;

// The frame's extent in logical units for a side of pixels pixels.
int16_t FrameExtent(uint32_t pixels, int unitsPerInch, int dpi)
{
    return static_cast<int16_t>(std::floor(static_cast<double>(pixels) * unitsPerInch / dpi + 0.5));
}

void PutPlaceableHeader(std::vector<uint8_t>& out, uint32_t width, uint32_t height)
{
    const int dpi = ScreenDpi();
    const int unitsPerInch = dpi;
    const size_t start = out.size();
    PutU32(out, wmf::kPlaceableKey);
    PutU16(out, 0);  // handle
    PutU16(out, 0);  // left
    PutU16(out, 0);  // top
    PutU16(out, static_cast<uint16_t>(FrameExtent(width, unitsPerInch, dpi)));
    PutU16(out, static_cast<uint16_t>(FrameExtent(height, unitsPerInch, dpi)));
    PutU16(out, static_cast<uint16_t>(unitsPerInch));
    PutU32(out, 0);  // reserved
    uint16_t checksum = 0;
    for (size_t i = start; i < out.size(); i += 2)
        checksum ^= static_cast<uint16_t>(out[i] | (out[i + 1] << 8));
    PutU16(out, checksum);
}

}  // namespace

std::vector<uint8_t> MakeWmfBytes(const CImageBuffer& buf)
{
    if (buf.IsEmpty())
        return {};
    // A picture beyond what 16-bit coordinates can describe is shrunk to
    // fit; the reader never renders anything near that size anyway.
    CImageBuffer shrunk;
    const CImageBuffer* picture = &buf;
    if (buf.Width() > kMaxSide || buf.Height() > kMaxSide) {
        const double scale = std::min(double(kMaxSide) / buf.Width(), double(kMaxSide) / buf.Height());
        shrunk = buf;
        shrunk.Resize(std::max<uint32_t>(1, static_cast<uint32_t>(buf.Width() * scale)),
                      std::max<uint32_t>(1, static_cast<uint32_t>(buf.Height() * scale)));
        picture = &shrunk;
    }
    const uint32_t width = picture->Width();
    const uint32_t height = picture->Height();
    const std::vector<uint8_t> dib = MakePackedDib(*picture);
    // Rows are padded to four bytes and the header is 40, so the DIB is a
    // whole number of words.
    const uint32_t blitWords = kDibBitBltFixedWords + static_cast<uint32_t>(dib.size() / 2);
    const uint32_t totalWords = wmf::kHeaderWords + blitWords + kEofWords;

    std::vector<uint8_t> out;
    out.reserve(wmf::kPlaceableBytes + size_t{totalWords} * 2);
    PutPlaceableHeader(out, width, height);

    PutU16(out, wmf::kTypeMemory);
    PutU16(out, wmf::kHeaderWords);
    PutU16(out, wmf::kVersionDib);
    PutU32(out, totalWords);
    PutU16(out, 0);  // objects
    PutU32(out, blitWords);  // largest record
    PutU16(out, 0);

    PutU32(out, blitWords);
    PutU16(out, wmf::kDibBitBlt);
    PutU32(out, wmf::kRopSrcCopy);
    PutU16(out, 0);  // ySrc
    PutU16(out, 0);  // xSrc
    PutU16(out, static_cast<uint16_t>(height));
    PutU16(out, static_cast<uint16_t>(width));
    PutU16(out, 0);  // yDst
    PutU16(out, 0);  // xDst
    out.insert(out.end(), dib.begin(), dib.end());

    PutU32(out, kEofWords);
    PutU16(out, wmf::kEof);
    return out;
}

Outcome WriteWmf(const CImageBuffer& buf, const std::string& path)
{
    const std::vector<uint8_t> bytes = MakeWmfBytes(buf);
    AtomicFile file;
    if (bytes.empty() || !file.Open(path) || !file.Write(bytes.data(), bytes.size()) || !file.Commit())
        return WriteFailure(path, file.Error());
    return {};
}

}  // namespace pix
