#include <gtest/gtest.h>

#include <numeric>

#include "database/ContentKey.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(ContentKey, KnownChecksumsAndKeyByteOrder)
{
    const std::string nine = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(nine.data()), nine.size()), 0xFC891918u);
    EXPECT_EQ(CrcToKey(0x12345678u), "78563412");

    test::TempDir dir;
    test::WriteAll(dir.File("nine"), {nine.begin(), nine.end()});
    test::WriteAll(dir.File("empty"), {});
    EXPECT_EQ(ContentKey(dir.File("nine")), "181989fc");
    EXPECT_EQ(ContentKey(dir.File("empty")), CrcToKey(Crc32(nullptr, 0)));
    EXPECT_EQ(ContentKey(dir.File("missing")), "");
}

TEST(ContentKey, BlockwiseUpdatesMatchOneRunAtEveryLengthAndAlignment)
{
    std::vector<uint8_t> bytes(3 * 1024 * 1024 + 77);
    uint32_t x = 12345;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    // A bit-at-a-time reference over short prefixes and odd offsets.
    auto reference = [](const uint8_t* p, size_t n) {
        uint32_t c = 0xFFFFFFFFu;
        for (size_t i = 0; i < n; ++i) {
            c ^= uint32_t{p[i]} << 24;
            for (int k = 0; k < 8; ++k)
                c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : (c << 1);
        }
        return ~c;
    };
    for (size_t offset : {0, 1, 3, 7})
        for (size_t n : {0, 1, 15, 16, 17, 63, 64, 65, 255, 1000, 4097})
            EXPECT_EQ(Crc32(bytes.data() + offset, n), reference(bytes.data() + offset, n)) << offset << "+" << n;

    const uint32_t whole = Crc32(bytes.data(), bytes.size());
    uint32_t state = kCrcInitial;
    for (size_t pos = 0, step = 1; pos < bytes.size(); step = step * 3 + 1) {
        const size_t n = std::min(step, bytes.size() - pos);
        state = UpdateCrc(state, bytes.data() + pos, n);
        pos += n;
    }
    EXPECT_EQ(FinishCrc(state), whole);

    test::TempDir dir;
    test::WriteAll(dir.File("big"), bytes);
    EXPECT_EQ(ContentKey(dir.File("big")), CrcToKey(whole));
}

}  // namespace
}  // namespace pix
