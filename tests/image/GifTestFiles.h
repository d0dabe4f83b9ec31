#pragma once
// Builds GIF files for the reader tests, byte by byte, with an LZW coder of
// its own that codes every pixel as a single-pixel code, at any initial
// code size, with the code widths a decoder expects.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/ByteReader.h"

namespace pix::test {

using Rgb = std::array<uint8_t, 3>;
using Codes = std::vector<std::pair<int, int>>;  // (value, width)

class GifBuilder {
public:
    // Signature, logical screen and global table (entries must be a power
    // of two from 2 to 256, or none).
    GifBuilder(const std::string& version, uint16_t screenWidth, uint16_t screenHeight,
               const std::vector<Rgb>& globalTable)
    {
        Append("GIF" + version);
        PutU16(bytes, screenWidth);
        PutU16(bytes, screenHeight);
        bytes.insert(bytes.end(), {TableFlags(globalTable, 0xF0), 0, 0});  // background 0, no aspect
        Table(globalTable);
    }

    // Graphic control extension with a transparent index.
    GifBuilder& Transparency(uint8_t index)
    {
        bytes.insert(bytes.end(), {0x21, 0xF9, 4, 0x01, 0, 0, index, 0});
        return *this;
    }
    GifBuilder& Comment(const std::string& text)
    {
        bytes.insert(bytes.end(), {0x21, 0xFE, static_cast<uint8_t>(text.size())});
        Append(text);
        bytes.push_back(0);
        return *this;
    }

    // An image whose pixels are given in the order they are stored (for an
    // interlaced image, the order of the passes).
    GifBuilder& Image(uint16_t width, uint16_t height, const std::vector<int>& stored, int codeSize = 8,
                      const std::vector<Rgb>& localTable = {}, bool interlaced = false)
    {
        return RawImage(width, height, codeSize, LiteralCodes(stored, codeSize), localTable, interlaced);
    }
    // An image with the raster given as codes exactly.
    GifBuilder& RawImage(uint16_t width, uint16_t height, int codeSize, const Codes& codes,
                         const std::vector<Rgb>& localTable = {}, bool interlaced = false)
    {
        bytes.push_back(',');
        for (uint16_t v : {uint16_t{0}, uint16_t{0}, width, height})
            PutU16(bytes, v);
        bytes.push_back(static_cast<uint8_t>(TableFlags(localTable, 0x80) | (interlaced ? 0x40 : 0)));
        Table(localTable);
        bytes.push_back(static_cast<uint8_t>(codeSize));
        const std::vector<uint8_t> data = Pack(codes);
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            bytes.push_back(static_cast<uint8_t>(n));
            bytes.insert(bytes.end(), data.begin() + static_cast<ptrdiff_t>(at),
                         data.begin() + static_cast<ptrdiff_t>(at + n));
        }
        bytes.push_back(0);
        return *this;
    }
    GifBuilder& Trailer()
    {
        bytes.push_back(';');
        return *this;
    }

    std::vector<uint8_t> bytes;

private:
    // The table flag bits given, and the table's size field.
    static uint8_t TableFlags(const std::vector<Rgb>& table, uint8_t flags)
    {
        if (table.empty())
            return 0;
        int field = 0;
        while ((size_t{2} << field) < table.size())
            ++field;
        return static_cast<uint8_t>(flags | field);
    }
    void Append(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
    void Table(const std::vector<Rgb>& table)
    {
        for (const Rgb& c : table)
            bytes.insert(bytes.end(), c.begin(), c.end());
    }
    static std::vector<uint8_t> Pack(const Codes& codes)
    {
        std::vector<uint8_t> data;
        uint32_t acc = 0;
        int bits = 0;
        for (auto [code, width] : codes) {
            acc |= static_cast<uint32_t>(code) << bits;
            for (bits += width; bits >= 8; bits -= 8, acc >>= 8)
                data.push_back(static_cast<uint8_t>(acc));
        }
        if (bits > 0)
            data.push_back(static_cast<uint8_t>(acc));
        return data;
    }
    // A clear code, every pixel as a code of its own, the end code; the
    // table is reset before it is full.
    static Codes LiteralCodes(const std::vector<int>& stored, int codeSize)
    {
        const int clear = 1 << codeSize;
        int width = codeSize + 1;
        int next = clear + 2;
        bool first = true;
        Codes codes{{clear, width}};
        for (int p : stored) {
            if (!first && next >= 4095) {
                codes.push_back({clear, width});
                width = codeSize + 1;
                next = clear + 2;
                first = true;
            }
            codes.push_back({p, width});
            if (!first && ++next == (1 << width) && width < 12)
                ++width;
            first = false;
        }
        codes.push_back({clear + 1, width});
        return codes;
    }
};

}  // namespace pix::test
