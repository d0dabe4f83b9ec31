#include "database/Maintenance.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "database/Attributes.h"
#include "database/ContentKey.h"

namespace pix {
namespace {

CDbCursor CursorAt(const CStrList& key)
{
    CDbCursor cursor;
    cursor.SetKey(key);
    return cursor;
}

// Stores path as the one path of key.
void StorePath(CImageDatabase& db, const std::string& key, const std::string& path, int start)
{
    CDbCursor cursor = CursorAt({key, "path"});
    db.Delete(cursor, "", start);
    db.Insert(cursor, path);
}

}  // namespace

bool RemoveFileFromDisk(const std::string& path) { return std::remove(path.c_str()) == 0; }

bool FileIsMissing(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0)
        return false;
    return errno == ENOENT || errno == ENOTDIR;
}

RegisterResult RegisterFile(CImageDatabase& db, const std::string& path, bool interactive, Prompter& prompter,
                            const FileRemover& removeFile)
{
    return RegisterFile(db, path, ContentKey(path), interactive, prompter, removeFile);
}

RegisterResult RegisterFile(CImageDatabase& db, const std::string& path, const std::string& key, bool interactive,
                            Prompter& prompter, const FileRemover& removeFile)
{
    RegisterResult result;
    result.file = path;
    if (key.empty()) {
        CDbCursor cursor = CursorAt({"path"});
        if (!db.FindFirst(cursor, path, true, -1)) {
            prompter.Show(MsgId::FileNotAccessible, {path});
            return result;
        }
        if (prompter.Show(MsgId::FileNotAccessibleRemove, {path}) == Answer::Yes) {
            const std::string stale = db.GetNext(cursor);
            CDbCursor owner = CursorAt({stale});
            db.Delete(owner, "", interactive ? -1 : 0);
            result.modified = true;
        }
        return result;
    }
    result.key = key;

    CDbCursor cursor = CursorAt({key, "path"});
    if (db.Exists(cursor, path, 0))
        return result;
    const std::string original = StoredPath(db, key);
    CDbCursor any;
    if (db.FindFirst(any, key, false, 0)) {
        // The content is known under another path.
        if (!interactive || original.empty()) {
            StorePath(db, key, path, 0);
            result.modified = true;
            return result;
        }
        if (prompter.Show(MsgId::DuplicateFoundNewPath, {original, path}) == Answer::Yes) {
            if (prompter.Show(MsgId::DeleteDuplicateAt, {original}) == Answer::Yes)
                removeFile(original);
            StorePath(db, key, path, -1);
            result.modified = true;
        } else {
            if (prompter.Show(MsgId::DeleteCopyAt, {path}) == Answer::Yes)
                removeFile(path);
            result.file = original;
        }
        return result;
    }
    // A new file: the prefix rule leaves the single record (key, "path", path).
    // This is not marked as a change; the next saved change carries it.
    CDbCursor fresh;
    db.Insert(fresh, key);
    fresh.PushBack(key);
    db.Insert(fresh, "path");
    fresh.PushBack("path");
    db.Insert(fresh, path);
    return result;
}

LocateCounts LocateFiles(CImageDatabase& db, const std::vector<std::string>& paths, Progress& progress,
                         Prompter& prompter)
{
    LocateCounts counts;
    const int n = static_cast<int>(paths.size());
    progress.SetRange(0, n);
    for (int i = 0; i < n; ++i) {
        const std::string& path = paths[static_cast<size_t>(i)];
        const std::string text = FormatMessage("Scanning %s\r\nFound %d of %d\r\nUpdated %d paths",
                                               {path, counts.found, n, counts.updated});
        if (!progress.Step(text, i))
            break;
        ++counts.scanned;
        const std::string key = ContentKey(path);
        if (key.empty())
            continue;
        CDbCursor cursor = CursorAt({key, "path"});
        if (!db.FindFirst(cursor, "", false, 0))
            continue;
        ++counts.found;
        if (db.GetNext(cursor) != path) {
            StorePath(db, key, path, 0);
            ++counts.updated;
        }
    }
    prompter.Show(MsgId::LocateResult, {n, counts.found, counts.updated});
    return counts;
}

CleanCounts CleanDatabase(CImageDatabase& db, Progress& progress, Prompter& prompter,
                          const RemovalConfirmation& confirm)
{
    CleanCounts counts;
    const std::vector<std::string> owners = Owners(db);
    std::vector<std::string> missingPaths;
    std::vector<std::string> missingKeys;
    progress.SetRange(0, static_cast<int>(owners.size()));
    for (size_t i = 0; i < owners.size(); ++i) {
        const std::string path = StoredPath(db, owners[i]);
        if (path.empty())
            continue;  // attribute definitions and templates have no file
        ++counts.scanned;
        if (FileIsMissing(path)) {
            missingPaths.push_back(path);
            missingKeys.push_back(owners[i]);
        }
        if (!progress.Step(FormatMessage("Scanned %d files\r\n(unknown total)", {counts.scanned}),
                           static_cast<int>(i)))
            break;
    }
    counts.missing = static_cast<int>(missingPaths.size());
    if (missingPaths.empty()) {
        prompter.Show(MsgId::AllFilesFound);
        return counts;
    }
    if (!confirm(missingPaths))
        return counts;
    const int total = counts.missing;
    progress.SetRange(0, total);
    for (int k = 0; k < total; ++k) {
        if (!progress.Step(FormatMessage("Removing file %d of %d", {k + 1, total}), k))
            break;
        CDbCursor cursor = CursorAt({missingKeys[static_cast<size_t>(k)]});
        db.Delete(cursor, "", 0);
        ++counts.removed;
    }
    prompter.Show(MsgId::RemovedFiles, {counts.removed, total});
    return counts;
}

}  // namespace pix
