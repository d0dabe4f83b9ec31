#include "common/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pix {

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, size_t maxBytes)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(static_cast<size_t>(st.st_size));
    } catch (...) {
        ::close(fd);
        return std::nullopt;
    }
    size_t got = 0;
    while (got < bytes.size()) {
        ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    bytes.resize(got);  // a file that shrank while read keeps what was there
    return bytes;
}

}  // namespace pix
