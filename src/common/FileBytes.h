#pragma once
// Reads a whole file into memory, refusing files larger than a limit.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/LargeAllocator.h"

namespace pix {

// Files beyond this are refused by every reader that reads them whole.
inline constexpr size_t kMaxInputFileBytes = size_t{1} << 31;

// The file's bytes, or nothing when it cannot be opened, read, or is
// larger than maxBytes.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, size_t maxBytes = kMaxInputFileBytes);
// The same in a buffer of large blocks, for big files read into memory whole.
std::optional<LargeBytes> ReadLargeFileBytes(const std::string& path, size_t maxBytes = kMaxInputFileBytes);

// The start of a file: at most maxBytes of its first bytes, and the size
// of the whole file (what was there to read, should it shrink meanwhile).
struct FileHead {
    std::vector<uint8_t> bytes;
    uint64_t fileSize = 0;
};

// The first bytes of a regular file, or nothing when it cannot be opened
// or read.
std::optional<FileHead> ReadFileHead(const std::string& path, size_t maxBytes);

}  // namespace pix
