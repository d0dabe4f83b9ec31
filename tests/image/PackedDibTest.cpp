#include "image/PackedDib.h"

#include <gtest/gtest.h>

#include "CodecTestHelpers.h"
#include "image/CImageBuffer.h"
#include "support/DibFiles.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using test::Dib;

// The colour table has colours-used entries, else 2^depth, of 4 bytes (3
// after the 12-byte header); 16 bits are 5-5-5 without masks; rows stored
// top-down begin with the top row.
TEST(PackedDib, TablesMasksAndRowOrder)
{
    const std::vector<uint8_t> masks{0, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};  // 5-6-5
    struct Case {
        const char* what;
        Dib dib;
        std::vector<uint8_t> rgb;  // top row first
    } cases[] = {
        {"two of 256",
         {.width = 2, .bpp = 8, .colorsUsed = 2, .table = {10, 20, 30, 0, 40, 50, 60, 0}, .pixels = {1, 0, 0, 0}},
         {60, 50, 40, 30, 20, 10}},
        {"12-byte header",
         {.width = 3, .bpp = 1, .headerSize = 12, .table = {0, 0, 0, 255, 255, 255}, .pixels = {0xA0, 0, 0, 0}},
         {255, 255, 255, 0, 0, 0, 255, 255, 255}},
        {"5-5-5 red", {.bpp = 16, .pixels = {0x00, 0x7C, 0, 0}}, {255, 0, 0}},
        {"5-6-5 green", {.bpp = 16, .compression = 3, .table = masks, .pixels = {0xE0, 0x07, 0, 0}}, {0, 255, 0}},
        {"32 bits top-down", {.height = -2, .bpp = 32, .pixels = {1, 2, 3, 0, 4, 5, 6, 0}}, {3, 2, 1, 6, 5, 4}},
        {"24 bits, padding set", {.height = 2, .bpp = 24, .pixels = {1, 2, 3, 9, 4, 5, 6, 9}}, {6, 5, 4, 3, 2, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CImageBuffer buf;
        ASSERT_TRUE(ReadPackedDib(c.dib.Packed(), buf));
        EXPECT_EQ(test::TopDownRgb(buf), c.rgb);
        // Taking the block over gives the same buffer, padding cleared.
        CImageBuffer adopted;
        ASSERT_TRUE(AdoptPackedDib(c.dib.Packed(), adopted));
        EXPECT_EQ(std::vector<uint8_t>(adopted.Bits(), adopted.Bits() + adopted.BitsSize()),
                  std::vector<uint8_t>(buf.Bits(), buf.Bits() + buf.BitsSize()));
        EXPECT_EQ(buf.ColorCount(), c.dib.bpp > 8 ? 0 : c.dib.colorsUsed ? int(c.dib.colorsUsed) : 1 << c.dib.bpp);
    }
}

}  // namespace
}  // namespace pix
