#include "common/LargeAllocator.h"

#include <gtest/gtest.h>

namespace pix {
namespace {

TEST(LargeAllocator, VectorsGrowAcrossTheMappedSizeAndKeepTheirElements)
{
    LargeVector<uint32_t> numbers;
    for (uint32_t i = 0; i < 3000000; ++i)
        numbers.push_back(i * 7);
    for (uint32_t i = 0; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], i * 7);
}

// Only the whole huge pages below the limit go (and read as zeros after).
TEST(LargeAllocator, ReleasingPagesLeavesTheRestOfTheBlock)
{
    LargeBytes bytes(size_t{5} << 20, 0xAB);
    ReleaseLargeBlockPages(bytes.data(), bytes.capacity(), kLargeBlockBytes + 100);
    if (IsMappedSize(bytes.capacity())) {
        EXPECT_EQ(bytes[0], 0);
        EXPECT_EQ(bytes[kLargeBlockBytes - 1], 0);
    }
    for (size_t i = kLargeBlockBytes; i < bytes.size(); i += 4093)
        ASSERT_EQ(bytes[i], 0xAB) << i;
    EXPECT_EQ(bytes.back(), 0xAB);
}

}  // namespace
}  // namespace pix
