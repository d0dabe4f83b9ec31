#pragma once
// How much memory the system could still give: available physical memory
// plus free swap, from /proc/meminfo.

#include <cstdint>
#include <string>

namespace pix {

// Bytes available, or 0 when the figures cannot be read.
uint64_t AvailableMemory();
// The same from the text of a meminfo file.
uint64_t AvailableMemoryFrom(const std::string& meminfo);

}  // namespace pix
