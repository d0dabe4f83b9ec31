#pragma once
// The files the open dialog collects without the user naming them: a
// whole folder, and files from the database that moved with it.

#include <string>
#include <vector>

namespace pix {

// The regular files of folder whose names match one of patterns (shell
// patterns, case-insensitive; "*.*" takes every name), hidden ones left
// out, each once, by name; with recurse, then every subfolder the same
// way, depth first, by name.
std::vector<std::string> FilesInFolder(const std::string& folder, const std::vector<std::string>& patterns,
                                       bool recurse);

// A file that is missing where it was stored but present under the same
// name in the database's folder is taken from there; otherwise path.
std::string RelocatedPath(const std::string& path, const std::string& databasePath);

}  // namespace pix
