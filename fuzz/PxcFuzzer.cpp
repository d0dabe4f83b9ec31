// Feeds arbitrary bytes to the contact-sheet reader. What it refuses leaves
// the sheet it was read into as it was; whatever it accepts must write out,
// read back and write out again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzReport.h"
#include "sheets/ThumbnailSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::ThumbnailSheet sheet;
    sheet.Settings().label = "held";
    const std::vector<uint8_t> before = sheet.ToBytes();
    const bool read = sheet.FromBytes({data, size});
    pix::fuzz::Report(read);
    if (!read) {
        if (sheet.ToBytes() != before)
            __builtin_trap();
        return 0;
    }
    const std::vector<uint8_t> written = sheet.ToBytes();
    pix::ThumbnailSheet again;
    if (!again.FromBytes(written) || again.ToBytes() != written)
        __builtin_trap();
    return 0;
}
