#pragma once
// Pictures and failure injection shared by the JPEG, PNG and TIFF tests.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix::test {

// Makes every write past maxBytes of one file fail (EFBIG), as a full disk
// would, until destroyed. Works for root too, unlike permissions.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t maxBytes)
    {
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = maxBytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

inline size_t CountEntries(const std::filesystem::path& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

inline uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// A writer that fails without a word (no existing folder, a file-size
// limit hit mid-write) must not touch the old file, leave no temporary
// file, and report nothing through Save either.
inline void ExpectSilentFailureKeepsOldFile(bool (*write)(const CImageBuffer&, const std::string&),
                                           const std::string& name)
{
    TempDir dir;
    RecordingPrompter prompter;
    const std::string path = dir.File(name);
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    WriteAll(path, old);
    EXPECT_FALSE(write(Gradient(4, 4), dir.File("missing/" + name)));
    {
        FileSizeLimit limit(2048);
        CImageBuffer big = Gradient(300, 300);
        EXPECT_FALSE(write(big, path));
        big.Save(path, prompter);
    }
    EXPECT_TRUE(prompter.texts.empty());
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(CountEntries(dir.Path()), 1u);
}

}  // namespace pix::test
