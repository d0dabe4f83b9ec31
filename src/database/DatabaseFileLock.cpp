#include "database/DatabaseFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace pix {

DatabaseFileLock::DatabaseFileLock(const std::string& dbPath)
{
    const size_t slash = dbPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : dbPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? dbPath : dbPath.substr(slash + 1);
    const std::string lockPath = folder + "." + name + ".lock";
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd_ < 0)
        return;
    int result;
    do
        result = ::flock(fd_, LOCK_EX);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

DatabaseFileLock::~DatabaseFileLock()
{
    if (fd_ >= 0)
        ::close(fd_);  // closing lets the lock go
}

}  // namespace pix
