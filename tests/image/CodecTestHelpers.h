#pragma once
// Pictures and failure injection shared by the JPEG, PNG and TIFF tests.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix::test {

// A true-colour picture whose every pixel differs from its neighbours.
inline CImageBuffer Gradient(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 7 + y), static_cast<uint8_t>(y * 13 + 5),
                         static_cast<uint8_t>(x ^ (y * 3)));
    return buf;
}

// A palette picture of colors entries; plane index (x * 3 + y * 5) % colors.
inline CImageBuffer Indexed(uint32_t w, uint32_t h, int colors)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (int i = 0; i < colors; ++i) {
        buf.Red()[i] = static_cast<uint8_t>(i * 37);
        buf.Green()[i] = static_cast<uint8_t>(255 - i * 11);
        buf.Blue()[i] = static_cast<uint8_t>(i * 5 + 1);
    }
    std::vector<uint8_t> plane(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const auto i = static_cast<uint8_t>((x * 3 + y * 5) % static_cast<uint32_t>(colors));
            plane[static_cast<size_t>(y) * w + x] = i;
            buf.SetPixel(x, h - 1 - y, buf.Red()[i], buf.Green()[i], buf.Blue()[i]);
        }
    EXPECT_TRUE(buf.SetIndexPlane(std::move(plane), colors));
    return buf;
}

inline bool SamePixels(const CImageBuffer& a, const CImageBuffer& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.IsEmpty() != b.IsEmpty())
        return false;
    for (uint32_t y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.Row(y), b.Row(y), static_cast<size_t>(a.Width()) * 3) != 0)
            return false;
    return true;
}

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

// A whole file in one read (large corpus files too).
inline std::vector<uint8_t> Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
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
