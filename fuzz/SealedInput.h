#pragma once
// Shared by the fuzz targets of checksummed files.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/ByteReader.h"
#include "database/ContentKey.h"

namespace pix::fuzz {

// Runs check on the input as it is and with its CRC-32 appended, so that
// mutations of a checksummed file reach what lies inside the checksum.
template <typename Check>
void AsIsAndSealed(const uint8_t* data, size_t size, Check check)
{
    check(data, size);
    std::vector<uint8_t> sealed(data, data + size);
    PutU32(sealed, Crc32(data, size));
    check(sealed.data(), sealed.size());
}

}  // namespace pix::fuzz
