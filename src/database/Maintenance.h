#pragma once
// Keeping the stored paths in step with the disk: registering the current
// file (noticing moved and copied files), locating moved files, and
// removing the records of deleted ones.

#include <functional>
#include <string>
#include <vector>

#include "database/ImageDatabase.h"

namespace pix {

class Progress;
class Prompter;

// Deletes a file from the disk; true on success.
using FileRemover = std::function<bool(const std::string&)>;
bool RemoveFileFromDisk(const std::string& path);

struct RegisterResult {
    std::string key;       // the file's content key; empty when it cannot be read
    bool modified = false;  // records were changed in a way that must be saved
    std::string file;      // the file to go on with (the kept original when a copy was found)
};

// Registers the file at path. The pane (interactive false) takes a file
// found under another path as moved; the dialog (interactive true) asks
// whether it moved or is a copy.
RegisterResult RegisterFile(CImageDatabase& db, const std::string& path, bool interactive, Prompter& prompter,
                            const FileRemover& removeFile = RemoveFileFromDisk);
// The same with the file's content key already read (empty: unreadable),
// so that the slow reading can happen before the database is locked.
RegisterResult RegisterFile(CImageDatabase& db, const std::string& path, const std::string& key, bool interactive,
                            Prompter& prompter, const FileRemover& removeFile = RemoveFileFromDisk);

struct LocateCounts {
    int scanned = 0;
    int found = 0;
    int updated = 0;
};
// Updates the stored path of each file whose content is known under
// another path, then reports the counts. Stops where progress is
// cancelled; what changed so far stays.
LocateCounts LocateFiles(CImageDatabase& db, const std::vector<std::string>& paths, Progress& progress,
                         Prompter& prompter);

// Shows the paths of the missing files and answers whether to remove them.
using RemovalConfirmation = std::function<bool(const std::vector<std::string>& paths)>;

struct CleanCounts {
    int scanned = 0;
    int missing = 0;
    int removed = 0;
};
// Removes every record of the files whose stored path no longer exists,
// after confirmation, and reports the result.
CleanCounts CleanDatabase(CImageDatabase& db, Progress& progress, Prompter& prompter,
                          const RemovalConfirmation& confirm);

// False only when the file system says the path does not exist; a path
// that cannot be checked (no permission) counts as present.
bool FileIsMissing(const std::string& path);

}  // namespace pix
