#include "processing/UniformRegion.h"

#include <gtest/gtest.h>

#include <array>

#include "ProcessingTestSupport.h"

namespace pix {
namespace {

TEST(UniformRegion, FindsTheFlatRectangleUnderThePointer)
{
    // A grey field with a red rectangle from (5, 3) to (14, 9) inclusive,
    // coordinates from the top (memory rows 12 down to 6).
    CImageBuffer buf = test::SolidPicture(24, 16, 90, 90, 90);
    for (uint32_t y = 6; y <= 12; ++y)
        for (uint32_t x = 5; x <= 14; ++x)
            buf.SetPixel(x, y, 220, 20, 30);
    // The rectangle, and bands of the field beside it reaching the edges.
    const struct {
        int x, y;
        std::array<int, 4> sides;  // left, top, right, bottom (exclusive)
    } rows[] = {{8, 6, {5, 3, 15, 10}}, {20, 1, {15, 0, 24, 16}}, {4, 0, {0, 0, 24, 3}}, {2, 15, {0, 10, 24, 16}}};
    for (const auto& row : rows) {
        const PixelRect r = FindUniformRegion(buf, row.x, row.y);
        EXPECT_EQ((std::array<int, 4>{r.left, r.top, r.right, r.bottom}), row.sides) << row.x << "," << row.y;
    }
}

}  // namespace
}  // namespace pix
