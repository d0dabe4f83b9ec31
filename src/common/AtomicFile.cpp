#include "common/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace pix {

AtomicFile::~AtomicFile() { Discard(); }

bool AtomicFile::Open(const std::string& path, int mode)
{
    Discard();
    failed_ = false;
    if (path.empty())
        return false;
    // A folder, or a file we may not replace, is refused up front.
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && (S_ISDIR(st.st_mode) || ::access(path.c_str(), W_OK) != 0))
        return false;

    std::string::size_type slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::vector<char> pattern;
    std::string templ = folder + "." + name + ".pxtmp-XXXXXX";
    pattern.assign(templ.begin(), templ.end());
    pattern.push_back('\0');
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    // mkstemp makes the file private; give it the mode asked for, the old
    // file's mode, or the mode a newly created file would have.
    if (mode < 0 && exists) {
        mode = static_cast<int>(st.st_mode & 07777);
    } else if (mode < 0) {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = static_cast<int>(0666 & ~mask);
    }
    (void)::fchmod(fd, static_cast<mode_t>(mode));
    file_ = ::fdopen(fd, "wb");
    if (!file_) {
        ::close(fd);
        ::unlink(pattern.data());
        return false;
    }
    target_ = path;
    temp_.assign(pattern.data());
    replacing_ = exists;
    return true;
}

bool AtomicFile::Write(const void* data, size_t size)
{
    if (!file_ || failed_)
        return false;
    if (size != 0 && std::fwrite(data, 1, size, file_) != size)
        failed_ = true;
    return !failed_;
}

bool AtomicFile::Commit(bool sync)
{
    if (!file_)
        return false;
    bool ok = !failed_ && std::fflush(file_) == 0 && (!sync || !replacing_ || ::fsync(::fileno(file_)) == 0);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok)
        ok = ::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok)
        ::unlink(temp_.c_str());
    temp_.clear();
    return ok;
}

void AtomicFile::Discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        temp_.clear();
    }
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size)
{
    AtomicFile file;
    if (!file.Open(path))
        return false;
    if (!file.Write(data, size))
        return false;
    return file.Commit();
}

}  // namespace pix
