#pragma once
// Interleaved 8-bit rows as the decoding libraries give them (top row
// first, red-green-blue or blue-green-red, with or without alpha), stored
// into the picture. Alpha is composed onto black, as the PNG reader does.

#include <cstddef>
#include <cstdint>

#include "image/CImageBuffer.h"

namespace pix {

enum class ChannelOrder : uint8_t { Rgb, Bgr };

struct DecodedRows {
    const uint8_t* pixels = nullptr;  // the top row
    size_t stride = 0;                // bytes from one row to the next
    unsigned channels = 3;            // 3, or 4 with alpha last
    ChannelOrder order = ChannelOrder::Rgb;
    bool premultiplied = false;       // the colours are already multiplied by alpha
};

// Fills the picture, whose size is already set, from rows of the same
// width and height.
void StoreDecodedRows(const DecodedRows& rows, CImageBuffer& buf);

}  // namespace pix
