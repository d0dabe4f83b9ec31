#pragma once
// The variable-length-code LZW of GIF rasters, codes of at most 12 bits.
//
// The decoder pulls bytes from the data sub-blocks of a raster and hands
// out one palette index at a time. The encoder is the classic hashed
// encoder: 5003-entry open-addressing table, codes of 9 to 12 bits, a clear
// code whenever the 4096 codes are used up, packets of 254 bytes.

#include <array>
#include <cstdint>
#include <vector>

#include "common/ByteReader.h"

namespace pix {

class GifLzwDecoder {
public:
    static constexpr int kMaxCodeBits = 12;
    static constexpr int kTableSize = 1 << kMaxCodeBits;

    // Starts decoding the sub-blocks at the reader's position with the
    // raster's initial code size. False when the size cannot work (0, or
    // so large that the first codes would need more than 12 bits).
    bool Start(ByteReader& in, int initialCodeSize);

    // The next index into dest; false once the data end: at the end code,
    // at the zero-length block or the end of the file, or at a code that
    // names no entry yet. Indices reach past 255 only when the initial code
    // size is above 8.
    bool Next(uint16_t& dest);

private:
    bool ReadCode(int& code);
    bool FillBits();

    ByteReader* in_ = nullptr;
    int initialCodeSize_ = 0;
    int clearCode_ = 0;
    int endCode_ = 0;
    int codeSize_ = 0;
    int nextFree_ = 0;
    int previous_ = -1;  // code read before the current one, -1 after a clear
    uint16_t firstOfPrevious_ = 0;
    bool ended_ = false;

    // Bits not yet used, least significant first, and what is left of the
    // current sub-block.
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    size_t blockLeft_ = 0;
    bool blocksEnded_ = false;

    std::array<uint16_t, kTableSize> prefix_{};
    std::array<uint16_t, kTableSize> suffix_{};
    std::array<uint16_t, kTableSize + 1> stack_{};
    int stackSize_ = 0;
};

class GifLzwEncoder {
public:
    // Appends the LZW data of pixels (minimum code size 8, so every byte is
    // a code of its own) to out as sub-blocks: each packet of up to 254
    // bytes preceded by its length. The zero-length block is not written.
    // flush, when given, is called whenever out has grown large, so a
    // writer can move it to the file and clear it.
    template <typename Flush>
    void Encode(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out, Flush&& flush);
    void Encode(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out)
    {
        Encode(pixels, count, out, [](std::vector<uint8_t>&) {});
    }

private:
    static constexpr int kHashSize = 5003;
    static constexpr int kInitBits = 9;
    static constexpr int kMaxBits = 12;
    static constexpr int kMaxMaxCode = 1 << kMaxBits;  // 4096
    static constexpr int kClearCode = 256;
    static constexpr int kEndCode = 257;
    static constexpr int kFirstFree = 258;
    static constexpr int kPacketSize = 254;

    void ClearHash() { hashKeys_.fill(-1); }
    void Output(int code, std::vector<uint8_t>& out);
    void PutByte(uint8_t byte, std::vector<uint8_t>& out);
    void FlushPacket(std::vector<uint8_t>& out);

    std::array<int32_t, kHashSize> hashKeys_{};  // (pixel << 12) + prefix, -1 when empty
    std::array<uint16_t, kHashSize> hashCodes_{};
    int nBits_ = kInitBits;
    int maxCode_ = (1 << kInitBits) - 1;
    int freeEnt_ = kFirstFree;
    bool clearFlag_ = false;
    uint32_t accum_ = 0;
    int accumBits_ = 0;
    std::array<uint8_t, kPacketSize> packet_{};
    int packetSize_ = 0;
};

template <typename Flush>
void GifLzwEncoder::Encode(const uint8_t* pixels, size_t count, std::vector<uint8_t>& out, Flush&& flush)
{
    nBits_ = kInitBits;
    maxCode_ = (1 << nBits_) - 1;
    freeEnt_ = kFirstFree;
    clearFlag_ = false;
    accum_ = 0;
    accumBits_ = 0;
    packetSize_ = 0;
    ClearHash();
    Output(kClearCode, out);
    if (count == 0) {
        Output(kEndCode, out);
        return;
    }
    int prefix = pixels[0];
    for (size_t n = 1; n < count; ++n) {
        const int pixel = pixels[n];
        const int32_t key = (pixel << 12) + prefix;
        int i = (pixel << 4) ^ prefix;
        bool found = false;
        if (hashKeys_[i] == key) {
            found = true;
        } else if (hashKeys_[i] >= 0) {
            // Secondary probe: step back by 5003 - first probe (1 from 0).
            const int step = i == 0 ? 1 : kHashSize - i;
            do {
                i -= step;
                if (i < 0)
                    i += kHashSize;
                if (hashKeys_[i] == key) {
                    found = true;
                    break;
                }
            } while (hashKeys_[i] >= 0);
        }
        if (found) {
            prefix = hashCodes_[i];
            continue;
        }
        Output(prefix, out);
        prefix = pixel;
        if (freeEnt_ < kMaxMaxCode) {
            hashCodes_[i] = static_cast<uint16_t>(freeEnt_++);
            hashKeys_[i] = key;
        } else {
            // All codes used: start a new table.
            ClearHash();
            freeEnt_ = kFirstFree;
            clearFlag_ = true;
            Output(kClearCode, out);
        }
        if (out.size() >= (1u << 16))
            flush(out);
    }
    Output(prefix, out);
    Output(kEndCode, out);
}

}  // namespace pix
