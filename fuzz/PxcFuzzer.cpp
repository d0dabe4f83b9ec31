// Feeds arbitrary bytes to the contact-sheet reader. Whatever it accepts
// must write out, read back and write out again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sheets/ThumbnailSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::ThumbnailSheet sheet;
    if (!sheet.FromBytes({data, size}))
        return 0;
    const std::vector<uint8_t> written = sheet.ToBytes();
    pix::ThumbnailSheet again;
    if (!again.FromBytes(written) || again.ToBytes() != written)
        __builtin_trap();
    return 0;
}
