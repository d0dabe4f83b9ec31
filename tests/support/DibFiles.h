#pragma once
// Bitmap files and packed DIBs assembled byte by byte: an information
// header of any size (12 is the core header; fields past the 40-byte ones
// are filler a reader must skip), then the colour table and the pixel data
// exactly as given; File() puts the 14-byte file header in front.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/ByteReader.h"
#include "image/DibPixels.h"

namespace pix::test {

struct Dib {
    int32_t width = 1;
    int32_t height = 1;  // negative: rows stored top-down
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    uint32_t colorsUsed = 0;
    std::vector<uint8_t> table;   // colour table, or channel masks
    std::vector<uint8_t> pixels;  // rows or run-length data

    // Gives the picture a colour table of colorsUsed (else 2^bpp) entries
    // and full rows of a plain pattern.
    Dib& Filled()
    {
        const bool core = headerSize == 12;
        const uint64_t entries = bpp <= 8 ? (colorsUsed ? colorsUsed : 1u << bpp) : 0;
        table.resize(entries * (core ? 3 : 4));
        for (size_t i = 0; i < table.size(); ++i)
            table[i] = static_cast<uint8_t>(i * 29);
        pixels.resize(DibRowBytes(static_cast<uint32_t>(std::abs(width)), bpp) * static_cast<uint32_t>(std::abs(height)));
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<uint8_t>(i % 3);
        return *this;
    }

    std::vector<uint8_t> Packed() const
    {
        std::vector<uint8_t> out;
        PutU32(out, headerSize);
        if (headerSize == 12) {
            PutU16(out, static_cast<uint16_t>(width));
            PutU16(out, static_cast<uint16_t>(height));
            PutU16(out, 1);
            PutU16(out, bpp);
        } else {
            PutU32(out, static_cast<uint32_t>(width));
            PutU32(out, static_cast<uint32_t>(height));
            PutU16(out, 1);
            PutU16(out, bpp);
            PutU32(out, compression);
            PutU32(out, static_cast<uint32_t>(pixels.size()));
            PutU32(out, 2835);  // resolutions
            PutU32(out, 2835);
            PutU32(out, colorsUsed);
            PutU32(out, 0);
            out.resize(headerSize, 0xEE);
        }
        out.insert(out.end(), table.begin(), table.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }

    std::vector<uint8_t> File() const
    {
        const auto offset = static_cast<uint32_t>(14 + headerSize + table.size());
        std::vector<uint8_t> out{'B', 'M'};
        PutU32(out, offset + static_cast<uint32_t>(pixels.size()));
        PutU32(out, 0);
        PutU32(out, offset);
        const std::vector<uint8_t> packed = Packed();
        out.insert(out.end(), packed.begin(), packed.end());
        return out;
    }
};

}  // namespace pix::test
