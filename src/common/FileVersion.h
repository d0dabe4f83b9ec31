#pragma once
// Whether a file is still the one a program read or wrote: another program
// that replaced or rewrote it meanwhile changed one of these.

#include <cstdint>
#include <optional>
#include <string>

namespace pix {

// What tells one version of a file from the next: its inode, size and
// modification time.
struct FileVersion {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileVersion&) const = default;
};
// Nothing when the file does not exist.
std::optional<FileVersion> VersionOf(const std::string& path);

}  // namespace pix
