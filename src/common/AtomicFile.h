#pragma once
// Writes a file through a temporary file in the same folder that replaces
// the target only on Commit, so a failed or interrupted write never leaves
// a half-written file or destroys the old one. Where the file system
// allows, the temporary file has no name until it is renamed into place,
// so a killed writer leaves nothing; named leftovers of writers that are
// gone are removed by the next write of the same file.

#include <cstdint>
#include <cstdio>
#include <string>

namespace pix {

class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();  // discards the temporary file unless committed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file beside path; false when that is impossible.
    // The new file gets mode when it is given (not -1), else the old file's
    // mode or the mode a newly created file would have.
    bool Open(const std::string& path, int mode = -1);
    // The stream to write to (valid between Open and Commit/Discard).
    std::FILE* Stream() const { return file_; }
    // Writes size bytes; false (and the file is marked failed) on error.
    bool Write(const void* data, size_t size);
    bool Failed() const { return failed_; }
    // The errno of the first failure of Open, Write or Commit; 0 when none
    // was recorded.
    int Error() const { return error_; }
    // Flushes, syncs when an existing file is replaced (unless told not to:
    // files that may be lost, such as caches) and renames the temporary file
    // over the target. A new file is not synced: a crash can lose it, but
    // no older content with it.
    bool Commit(bool sync = true);
    // Deletes the temporary file; the target is left as it was.
    void Discard();

private:
    std::FILE* file_ = nullptr;
    std::string target_;
    std::string temp_;
    bool failed_ = false;
    int error_ = 0;
    bool replacing_ = false;
    bool anonymous_ = false;  // the temporary file has no name until Commit
};

// Writes bytes to path atomically; false on any failure.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size);

}  // namespace pix
