#include "common/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pix {
namespace {

// Reads up to size bytes; fewer when the file ends or a read fails.
size_t ReadUpTo(int fd, uint8_t* data, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    return got;
}

template <typename Bytes>
std::optional<Bytes> ReadWholeFile(const std::string& path, size_t maxBytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    Bytes bytes;
    try {
        bytes.resize(static_cast<size_t>(st.st_size));
    } catch (...) {
        ::close(fd);
        return std::nullopt;
    }
    const size_t got = ReadUpTo(fd, bytes.data(), bytes.size());
    ::close(fd);
    bytes.resize(got);  // a file that shrank while read keeps what was there
    return bytes;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, size_t maxBytes)
{
    return ReadWholeFile<std::vector<uint8_t>>(path, maxBytes);
}

std::optional<LargeBytes> ReadLargeFileBytes(const std::string& path, size_t maxBytes)
{
    return ReadWholeFile<LargeBytes>(path, maxBytes);
}

std::optional<FileHead> ReadFileHead(const std::string& path, size_t maxBytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) {
        ::close(fd);
        return std::nullopt;
    }
    FileHead head;
    head.fileSize = static_cast<uint64_t>(st.st_size);
    const size_t want = head.fileSize < maxBytes ? static_cast<size_t>(head.fileSize) : maxBytes;
    try {
        head.bytes.resize(want);
    } catch (...) {
        ::close(fd);
        return std::nullopt;
    }
    const size_t got = ReadUpTo(fd, head.bytes.data(), want);
    ::close(fd);
    if (got < want) {
        // As for the whole-file read: the file ends where reading stopped.
        head.bytes.resize(got);
        head.fileSize = got;
    }
    return head;
}

}  // namespace pix
