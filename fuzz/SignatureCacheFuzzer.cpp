// Feeds arbitrary bytes to the signature cache reader, as they are and
// with a correct checksum appended (so that mutations reach the entries):
// what it refuses must leave the cache empty; what it accepts must write
// back to bytes that read as the same entries, and answer a look-up of
// the first of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "SealedInput.h"
#include "common/ByteReader.h"
#include "database/ContentKey.h"
#include "database/SignatureCache.h"

namespace {

void Check(const uint8_t* data, size_t size)
{
    pix::SignatureCache cache;
    cache.Store("/kept", {1, 2}, 32, pix::Signature{});
    if (!cache.Parse(data, size)) {
        if (cache.Count() != 0 || cache.Modified())
            std::abort();
        return;
    }
    const std::vector<uint8_t> bytes = cache.Serialize();
    pix::SignatureCache again;
    if (!again.Parse(bytes.data(), bytes.size()) || again.Count() != cache.Count() || again.Serialize() != bytes)
        std::abort();
    if (cache.Count() == 0)
        return;
    // The first entry of the written file: path, size, time, load size, bytes.
    pix::ByteReader in(bytes.data(), bytes.size());
    in.Skip(16);
    const uint32_t length = in.U32();
    const std::string path(reinterpret_cast<const char*>(in.Current()), length);
    in.Skip(length);
    pix::FileStamp stamp;
    stamp.size = in.U32();
    stamp.size |= uint64_t{in.U32()} << 32;
    stamp.modified = static_cast<int64_t>(in.U32() | (uint64_t{in.U32()} << 32));
    const uint32_t loadSize = in.U32();
    pix::Signature signature{};
    in.Bytes(signature.data(), signature.size());
    if (in.Failed() || cache.Lookup(path, stamp, loadSize) != signature)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::fuzz::AsIsAndSealed(data, size, Check);
    return 0;
}
