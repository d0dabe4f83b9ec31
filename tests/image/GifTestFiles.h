#pragma once
// Builds GIF files for the reader tests, byte by byte, with an LZW coder of
// its own that codes every pixel as a single-pixel code, at any initial
// code size, with the code widths a decoder expects.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteReader.h"

namespace pix::test {

using Rgb = std::array<uint8_t, 3>;

class GifBuilder {
public:
    // Signature, logical screen and global table (entries must be a power
    // of two from 2 to 256, or none).
    GifBuilder(const std::string& version, uint16_t screenWidth, uint16_t screenHeight,
               const std::vector<Rgb>& globalTable, uint8_t aspect = 0)
    {
        Append(std::string("GIF") + version);
        PutU16(bytes, screenWidth);
        PutU16(bytes, screenHeight);
        uint8_t flags = 0;
        if (!globalTable.empty())
            flags = static_cast<uint8_t>(0x80 | 0x70 | SizeField(globalTable.size()));
        bytes.push_back(flags);
        bytes.push_back(0);  // background
        bytes.push_back(aspect);
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
        bytes.push_back(0x21);
        bytes.push_back(0xFE);
        bytes.push_back(static_cast<uint8_t>(text.size()));
        Append(text);
        bytes.push_back(0);
        return *this;
    }

    // An image whose pixels are given in the order they are stored (for an
    // interlaced image, the order of the passes).
    GifBuilder& Image(uint16_t width, uint16_t height, const std::vector<int>& stored, int codeSize = 8,
                      const std::vector<Rgb>& localTable = {}, bool interlaced = false)
    {
        Descriptor(width, height, localTable, interlaced);
        bytes.push_back(static_cast<uint8_t>(codeSize));
        SubBlocks(LiteralCodes(stored, codeSize, true));
        bytes.push_back(0);
        return *this;
    }
    // An image with the raster given as codes (value, width) exactly.
    GifBuilder& RawImage(uint16_t width, uint16_t height, int codeSize, const std::vector<std::pair<int, int>>& codes,
                         bool terminate = true)
    {
        Descriptor(width, height, {}, false);
        bytes.push_back(static_cast<uint8_t>(codeSize));
        SubBlocks(Pack(codes));
        if (terminate)
            bytes.push_back(0);
        return *this;
    }
    GifBuilder& Trailer()
    {
        bytes.push_back(';');
        return *this;
    }

    // Codes that give stored pixel by pixel, starting with a clear code
    // and ending with the end code when asked.
    static std::vector<std::pair<int, int>> LiteralCodeList(const std::vector<int>& stored, int codeSize, bool end)
    {
        std::vector<std::pair<int, int>> codes;
        const int clear = 1 << codeSize;
        int width = codeSize + 1;
        int next = clear + 2;
        bool first = true;
        codes.push_back({clear, width});
        for (int p : stored) {
            if (!first && next >= 4095) {
                codes.push_back({clear, width});
                width = codeSize + 1;
                next = clear + 2;
                first = true;
            }
            codes.push_back({p, width});
            if (!first) {
                ++next;
                if (next == (1 << width) && width < 12)
                    ++width;
            }
            first = false;
        }
        if (end)
            codes.push_back({clear + 1, width});
        return codes;
    }

    std::vector<uint8_t> bytes;

private:
    static int SizeField(size_t entries)
    {
        int field = 0;
        while ((size_t{2} << field) < entries)
            ++field;
        return field;
    }
    void Append(const std::string& s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
    void Table(const std::vector<Rgb>& table)
    {
        for (const Rgb& c : table)
            bytes.insert(bytes.end(), c.begin(), c.end());
    }
    void Descriptor(uint16_t width, uint16_t height, const std::vector<Rgb>& localTable, bool interlaced)
    {
        bytes.push_back(',');
        PutU16(bytes, 0);
        PutU16(bytes, 0);
        PutU16(bytes, width);
        PutU16(bytes, height);
        uint8_t flags = interlaced ? 0x40 : 0;
        if (!localTable.empty())
            flags = static_cast<uint8_t>(flags | 0x80 | SizeField(localTable.size()));
        bytes.push_back(flags);
        Table(localTable);
    }
    static std::vector<uint8_t> Pack(const std::vector<std::pair<int, int>>& codes)
    {
        std::vector<uint8_t> data;
        uint32_t acc = 0;
        int bits = 0;
        for (auto [code, width] : codes) {
            acc |= static_cast<uint32_t>(code) << bits;
            bits += width;
            while (bits >= 8) {
                data.push_back(static_cast<uint8_t>(acc));
                acc >>= 8;
                bits -= 8;
            }
        }
        if (bits > 0)
            data.push_back(static_cast<uint8_t>(acc));
        return data;
    }
    static std::vector<uint8_t> LiteralCodes(const std::vector<int>& stored, int codeSize, bool end)
    {
        return Pack(LiteralCodeList(stored, codeSize, end));
    }
    void SubBlocks(const std::vector<uint8_t>& data)
    {
        for (size_t at = 0; at < data.size(); at += 255) {
            const size_t n = std::min<size_t>(255, data.size() - at);
            bytes.push_back(static_cast<uint8_t>(n));
            bytes.insert(bytes.end(), data.begin() + static_cast<ptrdiff_t>(at),
                         data.begin() + static_cast<ptrdiff_t>(at + n));
        }
    }
};

}  // namespace pix::test
