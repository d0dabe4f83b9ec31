#pragma once
// The envelope of the small files the searches keep (stored signatures,
// verdicts): an 8-byte magic first, then the body, then the CRC-32 (as
// ContentKey's) of every byte before it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "common/ByteReader.h"
#include "database/ContentKey.h"

namespace pix {

// A reader over the body of bytes sealed with magic, or nothing when the
// magic or the checksum does not match.
inline std::optional<ByteReader> OpenSealed(const uint8_t* data, size_t size, const char (&magic)[8])
{
    if (!data || size < sizeof(magic) + 4 || std::memcmp(data, magic, sizeof(magic)) != 0)
        return std::nullopt;
    const size_t end = size - 4;
    ByteReader trailer(data + end, 4);
    if (Crc32(data, end) != trailer.U32())
        return std::nullopt;
    ByteReader body(data, end);
    body.Skip(sizeof(magic));
    return body;
}

// Starts bytes to be sealed with magic; Seal appends the checksum.
inline std::vector<uint8_t> StartSealed(const char (&magic)[8]) { return {magic, magic + sizeof(magic)}; }
inline void Seal(std::vector<uint8_t>& out) { PutU32(out, Crc32(out.data(), out.size())); }

}  // namespace pix
