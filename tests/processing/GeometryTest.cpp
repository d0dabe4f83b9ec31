#include "processing/Geometry.h"

#include <gtest/gtest.h>

#include "image/CImageBuffer.h"

namespace pix {
namespace {

// 3 x 2 picture whose red byte is 10 * (column from left) + (row from top),
// with an index plane holding the same numbers.
CImageBuffer Numbered()
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(3, 2));
    std::vector<uint8_t> plane(6);
    for (uint32_t top = 0; top < 2; ++top)
        for (uint32_t x = 0; x < 3; ++x) {
            uint8_t v = static_cast<uint8_t>(10 * x + top);
            buf.SetPixel(x, 1 - top, v, 0, 0);
            plane[top * 3 + x] = v;
        }
    EXPECT_TRUE(buf.SetIndexPlane(std::move(plane), 256));
    return buf;
}

// Reads the picture as rows from the top, checking pixels against the plane.
std::vector<std::vector<int>> Rows(const CImageBuffer& buf)
{
    std::vector<std::vector<int>> rows(buf.Height());
    for (uint32_t top = 0; top < buf.Height(); ++top)
        for (uint32_t x = 0; x < buf.Width(); ++x) {
            uint8_t r, g, b;
            buf.GetPixel(x, buf.Height() - 1 - top, r, g, b);
            EXPECT_EQ(r, buf.IndexPlane()[top * buf.Width() + x]);
            rows[top].push_back(r);
        }
    return rows;
}

using Grid = std::vector<std::vector<int>>;

TEST(Geometry, FlipsAndTurnsCarryTheIndexPlane)
{
    CImageBuffer v = Numbered();
    FlipVertical(v);
    EXPECT_EQ(Rows(v), (Grid{{1, 11, 21}, {0, 10, 20}}));

    CImageBuffer h = Numbered();
    FlipHorizontal(h);
    EXPECT_EQ(Rows(h), (Grid{{20, 10, 0}, {21, 11, 1}}));

    CImageBuffer r = Numbered();
    RotateRight(r);
    ASSERT_EQ(r.Width(), 2u);
    ASSERT_EQ(r.Height(), 3u);
    EXPECT_EQ(r.Stride(), 8u);
    EXPECT_EQ(Rows(r), (Grid{{1, 0}, {11, 10}, {21, 20}}));  // old top-left now top-right

    CImageBuffer l = Numbered();
    RotateLeft(l);
    EXPECT_EQ(Rows(l), (Grid{{20, 21}, {10, 11}, {0, 1}}));  // old top-left now bottom-left
}

}  // namespace
}  // namespace pix
