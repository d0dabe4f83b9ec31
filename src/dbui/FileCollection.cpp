#include "dbui/FileCollection.h"

#include <fnmatch.h>

#include <algorithm>
#include <filesystem>

#include "database/Maintenance.h"

namespace pix {
namespace {

namespace fs = std::filesystem;

bool Matches(const std::string& name, const std::vector<std::string>& patterns)
{
    return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
        return pattern == "*.*" || ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
    });
}

void Collect(const fs::path& folder, const std::vector<std::string>& patterns, bool recurse,
             std::vector<std::string>& out)
{
    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        // Links to folders are not followed: they could lead back here.
        const fs::file_status own = it->symlink_status(error);
        if (error)
            break;
        if (fs::is_directory(own))
            folders.push_back(name);
        else if (fs::is_regular_file(it->status(error)) && !error && Matches(name, patterns))
            files.push_back(name);
        error.clear();
    }
    std::sort(files.begin(), files.end());
    for (const std::string& name : files)
        out.push_back((folder / name).string());
    if (!recurse)
        return;
    std::sort(folders.begin(), folders.end());
    for (const std::string& name : folders)
        Collect(folder / name, patterns, true, out);
}

}  // namespace

std::vector<std::string> FilesInFolder(const std::string& folder, const std::vector<std::string>& patterns,
                                       bool recurse)
{
    std::vector<std::string> out;
    Collect(folder, patterns.empty() ? std::vector<std::string>{"*.*"} : patterns, recurse, out);
    return out;
}

std::string RelocatedPath(const std::string& path, const std::string& databasePath)
{
    if (!FileIsMissing(path))
        return path;
    const size_t slash = path.find_last_of('/');
    const size_t dbSlash = databasePath.find_last_of('/');
    if (dbSlash == std::string::npos)
        return path;
    const std::string moved =
        databasePath.substr(0, dbSlash + 1) + (slash == std::string::npos ? path : path.substr(slash + 1));
    return FileIsMissing(moved) ? path : moved;
}

}  // namespace pix
