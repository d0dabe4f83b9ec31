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

// A link planted where the file goes is replaced, never written through.
TEST(AtomicFile, APlantedLinkIsReplacedNotFollowed)
{
    test::TempDir dir;
    const std::string victim = dir.File("victim"), path = dir.File("store");
    test::WriteAll(victim, {1});
    std::filesystem::create_symlink(victim, path);
    ASSERT_TRUE(WriteFileAtomically(path, "new", 3));
    EXPECT_FALSE(std::filesystem::is_symlink(path));
    EXPECT_EQ(test::ReadAll(path), (std::vector<uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(test::ReadAll(victim), (std::vector<uint8_t>{1}));
}

// A writer killed at any moment leaves the old or the new file whole, and
// what it left beside it is gone after the next write.
TEST(AtomicFile, AKilledWriterLeavesAWholeFileAndNoTemporary)
{
    test::TempDir dir;
    const std::string path = dir.File("pix.db");
    auto version = [](uint8_t v) { return std::vector<uint8_t>(1 << 20, v); };
    ASSERT_TRUE(WriteFileAtomically(path, version(0).data(), 1 << 20));
    std::mt19937 random(7);
    for (int round = 0; round < 100; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (uint8_t v = 1;; v = static_cast<uint8_t>(v % 200 + 1))
                WriteFileAtomically(path, version(v).data(), 1 << 20);
        }
        ::usleep(static_cast<useconds_t>(random() % 20000));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::vector<uint8_t> now = test::ReadAll(path);
        ASSERT_EQ(now.size(), size_t{1} << 20) << round;
        ASSERT_EQ(std::count(now.begin(), now.end(), now.front()), 1 << 20) << round;
    }
    ASSERT_TRUE(WriteFileAtomically(path, "done", 4));
    EXPECT_EQ(Entries(dir), 1);
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
