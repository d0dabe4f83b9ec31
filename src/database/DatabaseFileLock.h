#pragma once
// Programs that change one database file take turns: each change is read,
// made and written while holding an exclusive advisory lock on a hidden
// file beside the database (".NAME.lock"). A lock held by a program that
// died goes with it. Readers need no lock: a database file is replaced
// whole, never written in place.

#include <string>

#include "common/FileVersion.h"

namespace pix {

class DatabaseFileLock {
public:
    // Waits for the lock of the database at dbPath. Where no lock file can
    // be made (a folder we may not write), nothing is locked: nothing can
    // be saved there either.
    explicit DatabaseFileLock(const std::string& dbPath);
    ~DatabaseFileLock();
    DatabaseFileLock(const DatabaseFileLock&) = delete;
    DatabaseFileLock& operator=(const DatabaseFileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace pix
