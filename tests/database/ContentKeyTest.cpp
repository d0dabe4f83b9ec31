#include <gtest/gtest.h>

#include "database/ContentKey.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

// The known check value of "123456789", the key's byte order and a
// missing file's empty key: the [CRC32] label field's test.

// The bit-at-a-time definition, continued from any state.
uint32_t BitwiseUpdate(uint32_t c, const uint8_t* p, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        c ^= uint32_t{p[i]} << 24;
        for (int k = 0; k < 8; ++k)
            c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
    }
    return c;
}

std::vector<uint8_t> RandomBytes(size_t n, uint32_t x)
{
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes) {
        x = x * 1664525u + 1013904223u;
        b = static_cast<uint8_t>(x >> 24);
    }
    return bytes;
}

TEST(ContentKey, FoldedAndTablePathsMatchTheBitwiseDefinition)
{
    const std::vector<uint8_t> bytes = RandomBytes(70000, 987654321);
    // Every length up to 300 (the folded path starts at 64 bytes, folds four
    // lanes per 64 bytes, then single blocks, then a tail of 0-15 bytes) at
    // every alignment, from the initial state and from states whose bits
    // all reach the first folded block.
    for (uint32_t start : {kCrcInitial, 0u, 0x80000001u, 0x12345678u})
        for (size_t offset = 0; offset < 16; ++offset)
            for (size_t n = 0; n <= 300; ++n) {
                const uint8_t* p = bytes.data() + offset;
                const uint32_t expected = BitwiseUpdate(start, p, n);
                ASSERT_EQ(UpdateCrc(start, p, n), expected) << std::hex << start << std::dec << " " << offset << "+" << n;
                ASSERT_EQ(UpdateCrcPortable(start, p, n), expected) << offset << "+" << n;
            }
    // Long runs: lane folding over many rounds, and every tail length.
    for (size_t n = 65536 - 20; n < 65536 + 20; ++n)
        ASSERT_EQ(UpdateCrc(0xCAFEBABEu, bytes.data() + 3, n), BitwiseUpdate(0xCAFEBABEu, bytes.data() + 3, n)) << n;
    // Data full of set bits or clear bits, where a dropped carry would show.
    const std::vector<uint8_t> ones(4096, 0xFF), zeros(4096, 0x00);
    for (size_t n : {64, 127, 128, 4096}) {
        EXPECT_EQ(UpdateCrc(kCrcInitial, ones.data(), n), BitwiseUpdate(kCrcInitial, ones.data(), n)) << n;
        EXPECT_EQ(UpdateCrc(kCrcInitial, zeros.data(), n), BitwiseUpdate(kCrcInitial, zeros.data(), n)) << n;
    }
    RecordProperty("carryless_multiply", CrcUsesCarrylessMultiply() ? "yes" : "no");
}

TEST(ContentKey, AFileReadInManyBlocksHasTheKeyOfItsBytes)
{
    const std::vector<uint8_t> bytes = RandomBytes(3 * 1024 * 1024 + 77, 12345);
    test::TempDir dir;
    test::WriteAll(dir.File("big"), bytes);
    EXPECT_EQ(ContentKey(dir.File("big")), CrcToKey(FinishCrc(BitwiseUpdate(kCrcInitial, bytes.data(), bytes.size()))));
}

}  // namespace
}  // namespace pix
