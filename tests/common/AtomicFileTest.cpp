#include "common/AtomicFile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <algorithm>
#include <iterator>
#include <random>

#include "support/TestSupport.h"

namespace pix {
namespace {

long Entries(const test::TempDir& dir) { return std::distance(std::filesystem::directory_iterator(dir.Path()), {}); }

TEST(AtomicFile, ReplacesOnlyOnCommitAndKeepsTheModeOfTheOldFile)
{
    test::TempDir dir;
    const std::string path = dir.File("picture.bmp");
    test::WriteAll(path, {1, 2, 3});
    ::chmod(path.c_str(), 0640);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(path));
        file.Write("partial", 7);
    }  // destroyed without Commit, as after a failed write
    EXPECT_EQ(test::ReadAll(path), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(Entries(dir), 1);
    {
        AtomicFile file;
        ASSERT_TRUE(file.Open(path));
        ASSERT_TRUE(file.Write("abcd", 4));
        // Until committed the old content is untouched.
        EXPECT_EQ(test::ReadAll(path), (std::vector<uint8_t>{1, 2, 3}));
        ASSERT_TRUE(file.Commit());
    }
    EXPECT_EQ(test::ReadAll(path), (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(dir), 1);  // no temporary file left
}

TEST(AtomicFile, RefusesFoldersAndMissingParents)
{
    test::TempDir dir;
    AtomicFile file;
    EXPECT_FALSE(file.Open(dir.Path().string()));
    EXPECT_FALSE(file.Open(dir.File("no/such/folder/x.bmp")));
    EXPECT_FALSE(file.Open(""));
}

}  // namespace
}  // namespace pix
