#include <gtest/gtest.h>

#include <filesystem>

#include "common/FileBytes.h"
#include "database/DuplicateFacts.h"
#include "database/VerdictStore.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

TEST(VerdictStore, PairsAreKeptInEitherOrderMergedOnSaveAndADamagedFileCountsAsNone)
{
    test::TempDir dir;
    const std::string file = dir.File("db/pixadrome.verdicts");
    EXPECT_EQ(VerdictStorePath(dir.File("db/my.db")), file);
    const ContentId a{0x11, 5}, b{0x11, 6}, c{0xffffffff, uint64_t{1} << 40};
    VerdictStore first, second, read;
    EXPECT_TRUE(first.AddNotDuplicates(b, a));
    EXPECT_FALSE(first.AddNotDuplicates(a, b));
    second.AddNotDuplicates(c, a);
    ASSERT_TRUE(first.Save(file) && second.Save(file));
    ASSERT_TRUE(read.Load(file));
    EXPECT_EQ(read.List(), (std::vector<VerdictStore::Pair>{{a, b}, {a, c}}));
    EXPECT_TRUE(read.AreNotDuplicates(b, a) && read.AreNotDuplicates(a, c) && !read.AreNotDuplicates(b, c));

    // The layout: magic, version, count, pairs, checksum.
    const std::vector<uint8_t> good = ReadFileBytes(file).value();
    ASSERT_EQ(good.size(), 8u + 4 + 4 + 2 * 24 + 4);
    EXPECT_EQ(std::string(good.begin(), good.begin() + 8), "PXVERD\r\n");
    EXPECT_EQ(good[12], 2);
    EXPECT_EQ(good[16 + 24 + 12], 0xff);  // the second pair's c after a

    std::vector<uint8_t> flipped = good, cut(good.begin(), good.end() - 1);
    flipped[20] ^= 1;
    for (const auto& damaged : {flipped, cut, std::vector<uint8_t>{}}) {
        test::WriteAll(file, damaged);
        EXPECT_TRUE(!read.Load(file) && read.Empty());
    }
}

TEST(SuggestedKeeper, MostPixelsThenLargestFileThenEarliestDate)
{
    auto facts = [](uint32_t w, uint32_t h, uint64_t size, std::time_t taken, bool present = true) {
        PictureFacts f;
        f.present = present;
        f.width = w;
        f.height = h;
        f.fileSize = size;
        f.takenSeconds = taken;
        return f;
    };
    const struct {
        std::vector<PictureFacts> members;
        size_t keeper;
    } rows[] = {
        {{facts(100, 100, 9000, 0), facts(200, 100, 10, 0)}, 1},
        {{facts(100, 200, 10, 0), facts(200, 100, 11, 0)}, 1},
        {{facts(10, 10, 5, 0), facts(10, 10, 5, 2000), facts(10, 10, 5, 1000)}, 2},
        {{facts(10, 10, 5, 0), facts(10, 10, 5, 0)}, 0},
        {{facts(900, 900, 5, 0, false), facts(10, 10, 5, 0)}, 1},
        {{}, 0},
    };
    for (size_t i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(SuggestedKeeper(rows[i].members), rows[i].keeper) << "row " << i;
}

}  // namespace
}  // namespace pix
