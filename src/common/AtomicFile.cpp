#include "common/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string_view>
#include <vector>

namespace pix {

AtomicFile::~AtomicFile() { Discard(); }

namespace {

// Temporary files are named ".NAME.pxtmp-PID-XXXXXX" beside their target,
// so a later save can tell the leftovers of writers that are gone.
std::string TempPrefix(const std::string& folder, const std::string& name) { return folder + "." + name + ".pxtmp-"; }

// Removes temporary files of name in folder whose writer no longer runs
// (or, named before writers were recorded, that are over an hour old).
void SweepLeftovers(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return;
    const std::string prefix = "." + name + ".pxtmp-";
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view entryName(entry->d_name);
        if (entryName.substr(0, prefix.size()) != prefix)
            continue;
        const std::string_view rest = entryName.substr(prefix.size());
        const size_t dash = rest.find('-');
        bool stale = false;
        if (dash != std::string_view::npos && dash > 0) {
            long pid = 0;
            for (char c : rest.substr(0, dash))
                pid = (c >= '0' && c <= '9' && pid < 100000000) ? pid * 10 + (c - '0') : -1;
            stale = pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
        } else {
            struct stat st {};
            const std::string full = folder + std::string(entryName);
            stale = ::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && std::time(nullptr) - st.st_mtime > 3600;
        }
        if (stale)
            ::unlink((folder + std::string(entryName)).c_str());
    }
    ::closedir(dir);
}

// A name for the temporary file that nothing holds yet.
std::string UniqueTempName(const std::string& prefix)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::string name = prefix + std::to_string(::getpid()) + "-";
    for (int i = 0; i < 6; ++i)
        name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

}  // namespace

bool AtomicFile::Open(const std::string& path, int mode)
{
    Discard();
    failed_ = false;
    error_ = 0;
    if (path.empty()) {
        error_ = ENOENT;
        return false;
    }
    // A folder, or a file we may not replace, is refused up front.
    struct stat st {};
    bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        error_ = EISDIR;
        return false;
    }
    if (exists && ::access(path.c_str(), W_OK) != 0) {
        error_ = errno;
        return false;
    }

    std::string::size_type slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    SweepLeftovers(folder, name);
    const std::string prefix = TempPrefix(folder, name);

    // A file without a name where the file system allows: a write that is
    // killed leaves nothing behind. It gets its name only to be renamed.
    int fd = -1;
    if (::access("/proc/self/fd", X_OK) == 0)
        fd = ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    anonymous_ = fd >= 0;
    std::string named;
    if (!anonymous_) {
        std::vector<char> pattern;
        const std::string templ = prefix + std::to_string(::getpid()) + "-XXXXXX";
        pattern.assign(templ.begin(), templ.end());
        pattern.push_back('\0');
        fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            error_ = errno;
            return false;
        }
        named.assign(pattern.data());
    }
    // The new file is private; give it the mode asked for, the old file's
    // mode, or the mode a newly created file would have.
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
        error_ = errno;
        ::close(fd);
        if (!named.empty())
            ::unlink(named.c_str());
        return false;
    }
    target_ = path;
    temp_ = anonymous_ ? prefix : named;
    replacing_ = exists;
    return true;
}

bool AtomicFile::Write(const void* data, size_t size)
{
    if (!file_ || failed_)
        return false;
    if (size != 0 && std::fwrite(data, 1, size, file_) != size) {
        failed_ = true;
        error_ = errno;
    }
    return !failed_;
}

bool AtomicFile::Commit(bool sync)
{
    if (!file_)
        return false;
    bool ok = !failed_ && std::fflush(file_) == 0 && (!sync || !replacing_ || ::fsync(::fileno(file_)) == 0);
    auto note = [this](bool done) {
        if (!done && error_ == 0)
            error_ = errno;
        return done;
    };
    note(ok || failed_);
    if (ok && anonymous_) {
        // Named beside the target for the moment it takes to rename it.
        const std::string link = "/proc/self/fd/" + std::to_string(::fileno(file_));
        const std::string prefix = temp_;
        ok = false;
        for (int attempt = 0; attempt < 100 && !ok; ++attempt) {
            temp_ = UniqueTempName(prefix);
            ok = ::linkat(AT_FDCWD, link.c_str(), AT_FDCWD, temp_.c_str(), AT_SYMLINK_FOLLOW) == 0;
            if (!ok && errno != EEXIST)
                break;
        }
        if (!note(ok))
            temp_.clear();
    } else if (anonymous_) {
        temp_.clear();  // nothing was named
    }
    ok = note(std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok)
        ok = note(::rename(temp_.c_str(), target_.c_str()) == 0);
    if (!ok && !temp_.empty())
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
    if (!temp_.empty() && !anonymous_)
        ::unlink(temp_.c_str());
    temp_.clear();
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
