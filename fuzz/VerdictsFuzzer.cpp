// Feeds arbitrary bytes to the verdicts reader, as they are and with a
// correct checksum appended (so that mutations reach the pairs): what it
// refuses must leave no verdicts; what it accepts must write back to bytes
// that read as the same pairs, each of which is answered in either order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "SealedInput.h"
#include "common/ByteReader.h"
#include "database/ContentKey.h"
#include "database/VerdictStore.h"

namespace {

void Check(const uint8_t* data, size_t size)
{
    pix::VerdictStore store;
    store.AddNotDuplicates({1, 2}, {3, 4});
    if (!store.Parse(data, size)) {
        if (!store.Empty())
            std::abort();
        return;
    }
    const std::vector<uint8_t> bytes = store.Serialize();
    pix::VerdictStore again;
    if (!again.Parse(bytes.data(), bytes.size()) || again.Serialize() != bytes)
        std::abort();
    for (const auto& [a, b] : store.List())
        if (!(a < b || a == b) || !again.AreNotDuplicates(b, a))
            std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::fuzz::AsIsAndSealed(data, size, Check);
    return 0;
}
