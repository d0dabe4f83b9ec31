#pragma once
// The one database object the application shares: loaded by the first
// holder, saved (when marked modified) and freed by the last.

#include <memory>
#include <optional>
#include <mutex>
#include <string>

#include "database/DatabaseFileLock.h"
#include "database/ImageDatabase.h"

namespace pix {

class Prompter;
class SettingsStore;

// The one lock of every use of the shared database, by any thread: the
// user-interface thread and the workers that register files and read the
// attribute tree.
std::mutex& DatabaseMutex();

class DatabaseAccess {
public:
    // defaultPath: the database file used when the settings name none.
    DatabaseAccess(SettingsStore& settings, Prompter& prompter, std::string defaultPath);

    // Loads the database for the first holder (reporting a damaged file,
    // then answering null) and counts the holder.
    CImageDatabase* AcquireDatabase();
    // Saves a modified database for the holder that lets it go; the last
    // holder frees it. When another program changed the file since it was
    // loaded, this program's changes are made again on the file as it is
    // now, and that is written (and held from then on).
    void ReleaseDatabase();
    void MarkDatabaseModified() { modified_ = true; }
    int UseCount() const { return useCount_; }

    // The path in the settings, or the default.
    std::string ConfiguredPath() const;
    // The path of the loaded database (or of the next one to load).
    const std::string& CurrentPath() const { return currentPath_; }

    // The checks of choosing another database file: it must load (a
    // missing file is a new, empty database). On success the path becomes
    // the configured one; the caller releases and re-acquires its holders.
    // A file that does not load is reported and changes nothing.
    bool ChangeDatabase(const std::string& path);

    // The file name without its folder, cut before its first '.'.
    static std::string DatabaseTitle(const std::string& path);

private:
    SettingsStore& settings_;
    Prompter& prompter_;
    std::string defaultPath_;
    std::string currentPath_;
    bool Save();

    std::unique_ptr<CImageDatabase> database_;
    std::optional<FileVersion> loadedVersion_;  // of the file when loaded or last saved
    int useCount_ = 0;
    bool modified_ = false;
};

// Holds the shared database for as long as it lives: acquired and released
// under DatabaseMutex. get() is null when the database did not load (a
// damaged file was reported then) and nothing is held.
class HeldDatabase {
public:
    explicit HeldDatabase(DatabaseAccess& access);
    ~HeldDatabase();
    HeldDatabase(const HeldDatabase&) = delete;
    HeldDatabase& operator=(const HeldDatabase&) = delete;
    CImageDatabase* get() const { return db_; }

private:
    DatabaseAccess& access_;
    CImageDatabase* db_ = nullptr;
};

}  // namespace pix
