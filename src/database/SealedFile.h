#pragma once
// The envelope of the small files the searches keep (stored signatures,
// verdicts): an 8-byte magic, a u32 version and a u32 count first, then the
// body, then the CRC-32 (as ContentKey's) of every byte before it.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "common/ByteReader.h"
#include "database/ContentKey.h"

namespace pix {

// A reader over bytes sealed with magic and version, standing at the count,
// or nothing when the magic, the version or the checksum does not match.
inline std::optional<ByteReader> OpenSealed(const uint8_t* data, size_t size, const char (&magic)[8],
                                            uint32_t version)
{
    if (!data || size < sizeof(magic) + 4 + 4 + 4 || std::memcmp(data, magic, sizeof(magic)) != 0)
        return std::nullopt;
    const size_t end = size - 4;
    ByteReader trailer(data + end, 4);
    if (Crc32(data, end) != trailer.U32())
        return std::nullopt;
    ByteReader body(data, end);
    body.Skip(sizeof(magic));
    if (body.U32() != version)
        return std::nullopt;
    return body;
}

// Starts bytes to be sealed with magic and version (the count comes next);
// Seal appends the checksum.
inline std::vector<uint8_t> StartSealed(const char (&magic)[8], uint32_t version)
{
    std::vector<uint8_t> out(magic, magic + sizeof(magic));
    PutU32(out, version);
    return out;
}
inline void Seal(std::vector<uint8_t>& out) { PutU32(out, Crc32(out.data(), out.size())); }

}  // namespace pix
