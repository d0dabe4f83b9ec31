#include "database/SignatureCache.h"

#include <gtest/gtest.h>

#include "common/FileBytes.h"
#include "database/ContentKey.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

Signature Filled(uint8_t value)
{
    Signature s;
    s.fill(value);
    return s;
}

TEST(SignatureCache, ADamagedFileIsIgnoredAndWrittenAnew)
{
    test::TempDir dir;
    const std::string file = dir.File("pixadrome.sig");
    SignatureCache made;
    made.Store("/p/a.jpg", {10, 20}, 32, Filled(7));
    made.Store("/p/b.jpg", {11, 21}, 0, Filled(8));
    ASSERT_TRUE(made.Save(file));
    const std::vector<uint8_t> good = ReadFileBytes(file).value();

    std::vector<uint8_t> flipped = good, cut = good, later = good;
    flipped[good.size() - 20] ^= 1;  // a signature byte
    cut.pop_back();
    later[8] = 2;  // another version, with its checksum right
    const uint32_t crc = Crc32(later.data(), later.size() - 4);
    for (int i = 0; i < 4; ++i)
        later[later.size() - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
    for (const auto& damaged : {flipped, cut, later, std::vector<uint8_t>{}}) {
        test::WriteAll(file, damaged);
        SignatureCache cache;
        EXPECT_FALSE(cache.Load(file));
        EXPECT_EQ(cache.Count(), 0u);
        cache.Store("/p/c.jpg", {1, 2}, 64, Filled(9));
        ASSERT_TRUE(cache.Save(file));
        EXPECT_TRUE(cache.Load(file));
        EXPECT_EQ(cache.Count(), 1u);
    }
    SignatureCache back;
    ASSERT_TRUE(back.Parse(good.data(), good.size()));
    EXPECT_EQ(back.Lookup("/p/a.jpg", {10, 20}, 32), Filled(7));
    EXPECT_EQ(back.Lookup("/p/a.jpg", {10, 20}, 0), std::nullopt);
    EXPECT_EQ(back.Lookup("/p/b.jpg", {11, 22}, 0), std::nullopt);
}

TEST(SignatureCache, SavingKeepsWhatAnotherProgramWroteMeanwhile)
{
    test::TempDir dir;
    const std::string file = dir.File("cache/pixadrome.sig");
    SignatureCache first, second;
    first.Store("/a", {1, 1}, 32, Filled(1));
    first.Store("/c", {3, 3}, 0, Filled(4));
    second.Store("/b", {2, 2}, 32, Filled(2));
    second.Store("/a", {1, 2}, 32, Filled(3));
    ASSERT_TRUE(first.Save(file));
    ASSERT_TRUE(second.Save(file));
    SignatureCache both;
    ASSERT_TRUE(both.Load(file));
    EXPECT_EQ(both.Count(), 3u);
    EXPECT_EQ(both.Lookup("/c", {3, 3}, 0), Filled(4));
    EXPECT_EQ(both.Lookup("/b", {2, 2}, 32), Filled(2));
    EXPECT_EQ(both.Lookup("/a", {1, 2}, 32), Filled(3));
}

}  // namespace
}  // namespace pix
