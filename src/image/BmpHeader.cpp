#include "image/BmpHeader.h"

#include "common/ByteReader.h"
#include "image/CImageBuffer.h"

namespace pix {

void PutBmpHeader(std::vector<uint8_t>& out, uint32_t fileSize, uint32_t dataOffset, uint32_t width, uint32_t height,
               uint16_t bpp, uint32_t imageSize, uint32_t colors)
{
    out.push_back('B');
    out.push_back('M');
    PutU32(out, fileSize);
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, dataOffset);
    PutU32(out, 40);
    PutU32(out, width);
    PutU32(out, height);
    PutU16(out, 1);
    PutU16(out, bpp);
    PutU32(out, 0);  // compression
    PutU32(out, imageSize);
    PutU32(out, 0);  // resolutions
    PutU32(out, 0);
    PutU32(out, colors);  // colours used
    PutU32(out, colors);  // important colours
}

std::vector<uint8_t> BmpTrueColorHeader(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> header;
    const uint64_t fileSize = static_cast<uint64_t>(StrideFor(width)) * height + 54;
    PutBmpHeader(header, static_cast<uint32_t>(fileSize), 54, width, height, 24, 0, 0);
    return header;
}

}  // namespace pix
