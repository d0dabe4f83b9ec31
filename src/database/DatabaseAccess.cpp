#include "database/DatabaseAccess.h"

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"

namespace pix {

std::mutex& DatabaseMutex()
{
    static std::mutex mutex;
    return mutex;
}

DatabaseAccess::DatabaseAccess(SettingsStore& settings, Prompter& prompter, std::string defaultPath)
    : settings_(settings), prompter_(prompter), defaultPath_(std::move(defaultPath))
{
}

std::string DatabaseAccess::ConfiguredPath() const
{
    return settings_.Get(settings::kDbPath, defaultPath_);
}

CImageDatabase* DatabaseAccess::AcquireDatabase()
{
    if (useCount_ == 0) {
        currentPath_ = ConfiguredPath();
        auto database = std::make_unique<CImageDatabase>();
        if (!database->Load(currentPath_)) {
            prompter_.Show(MsgId::NotADatabase, {currentPath_});
            return nullptr;
        }
        database_ = std::move(database);
        database_->StartJournal();
        loadedVersion_ = VersionOf(currentPath_);
        // A fresh database has nothing to save yet.
        modified_ = false;
    }
    ++useCount_;
    return database_.get();
}

void DatabaseAccess::ReleaseDatabase()
{
    if (!database_)
        return;
    if (modified_ && useCount_ > 0) {
        // A failed save keeps the flag, so the next release tries again.
        if (Save())
            modified_ = false;
    }
    if (--useCount_ <= 0) {
        useCount_ = 0;
        database_.reset();
        modified_ = false;
    }
}

bool DatabaseAccess::Save()
{
    const DatabaseFileLock lock(currentPath_);
    // When another program wrote the file meanwhile, our changes go onto
    // its (a file that no longer reads is replaced by ours).
    CImageDatabase current;
    const bool merge = VersionOf(currentPath_) != loadedVersion_ && current.Load(currentPath_);
    if (merge)
        current.Replay(database_->Journal());
    if (!(merge ? current : *database_).Save(currentPath_))
        return false;
    if (merge)
        *database_ = std::move(current);
    database_->StartJournal();
    loadedVersion_ = VersionOf(currentPath_);
    return true;
}

bool DatabaseAccess::ChangeDatabase(const std::string& path)
{
    CImageDatabase test;
    if (!test.Load(path)) {
        prompter_.Show(MsgId::NotADatabase, {path});
        return false;
    }
    settings_.Set(settings::kDbPath, path);
    if (useCount_ == 0)
        currentPath_ = path;
    return true;
}

std::string DatabaseAccess::DatabaseTitle(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

HeldDatabase::HeldDatabase(DatabaseAccess& access) : access_(access)
{
    std::lock_guard lock(DatabaseMutex());
    db_ = access_.AcquireDatabase();
}

HeldDatabase::~HeldDatabase()
{
    if (!db_)
        return;
    std::lock_guard lock(DatabaseMutex());
    access_.ReleaseDatabase();
}

}  // namespace pix
