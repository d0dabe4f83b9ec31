#include <gtest/gtest.h>

#include "platform/MemoryStatus.h"

namespace pix {
namespace {

TEST(MemoryStatus, AddsAvailableMemoryAndFreeSwap)
{
    const std::string meminfo =
        "MemTotal:       24000000 kB\nMemFree:          100000 kB\nMemAvailable:    2000000 kB\n"
        "SwapTotal:       1000000 kB\nSwapFree:         500000 kB\n";
    EXPECT_EQ(AvailableMemoryFrom(meminfo), 2500000ull * 1024);
    EXPECT_EQ(AvailableMemoryFrom("MemFree: 5 kB\n"), 0u);
    EXPECT_GT(AvailableMemory(), 0u);  // this machine has a /proc/meminfo
}

}  // namespace
}  // namespace pix
