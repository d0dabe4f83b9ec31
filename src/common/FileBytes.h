#pragma once
// Reads a whole file into memory, refusing files larger than a limit.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pix {

// Files beyond this are refused by every reader that reads them whole.
inline constexpr size_t kMaxInputFileBytes = size_t{1} << 31;

// The file's bytes, or nothing when it cannot be opened, read, or is
// larger than maxBytes.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path, size_t maxBytes = kMaxInputFileBytes);

}  // namespace pix
