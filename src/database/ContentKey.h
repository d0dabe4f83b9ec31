#pragma once
// The content key of a file: the CRC-32 of all its bytes (polynomial
// 0x04C11DB7 processed most significant bit first, initial value
// 0xFFFFFFFF, result inverted), written as its four bytes from the least
// significant to the most significant, two lower-case hex digits each.

#include <cstddef>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace pix {

// Continues a CRC over size more bytes. Start with kCrcInitial and invert
// the final state (FinishCrc) to get the checksum.
inline constexpr uint32_t kCrcInitial = 0xFFFFFFFFu;
uint32_t UpdateCrc(uint32_t state, const uint8_t* data, size_t size);
inline uint32_t FinishCrc(uint32_t state) { return ~state; }

// UpdateCrc folds 16-byte blocks with the processor's carry-less multiply
// where it has one (CrcUsesCarrylessMultiply) and otherwise uses the table
// path, which is also callable directly so both can be checked everywhere.
uint32_t UpdateCrcPortable(uint32_t state, const uint8_t* data, size_t size);
bool CrcUsesCarrylessMultiply();

// The checksum of a byte range.
uint32_t Crc32(const uint8_t* data, size_t size);

// The checksum as the eight-character key.
std::string CrcToKey(uint32_t crc);

// The key of the file at path, or the empty string when it cannot be read.
std::string ContentKey(const std::string& path);

// A file's content as far as telling files apart goes: its checksum and
// its size in bytes.
struct ContentId {
    uint32_t crc = 0;
    uint64_t size = 0;
    auto operator<=>(const ContentId&) const = default;
};
// The id of the file at path, or nothing when it cannot be read.
std::optional<ContentId> ContentIdOfFile(const std::string& path);

}  // namespace pix
