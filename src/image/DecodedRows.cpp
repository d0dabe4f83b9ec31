#include "image/DecodedRows.h"

namespace pix {

void StoreDecodedRows(const DecodedRows& rows, CImageBuffer& buf)
{
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    const bool alpha = rows.channels == 4;
    const bool compose = alpha && !rows.premultiplied;
    const unsigned red = rows.order == ChannelOrder::Rgb ? 0 : 2;
    const unsigned blue = 2 - red;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = rows.pixels + rows.stride * y;
        uint8_t* dst = buf.Row(height - 1 - y);
        for (uint32_t x = 0; x < width; ++x, src += rows.channels, dst += 3) {
            const unsigned a = compose ? src[3] : 255;
            dst[0] = static_cast<uint8_t>((src[blue] * a + 127) / 255);
            dst[1] = static_cast<uint8_t>((src[1] * a + 127) / 255);
            dst[2] = static_cast<uint8_t>((src[red] * a + 127) / 255);
        }
    }
}

}  // namespace pix
