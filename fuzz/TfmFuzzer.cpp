// Feeds arbitrary bytes to the thumbnail-format record reader. Whatever it
// accepts must write out and read back to the same format.
#include <cstddef>
#include <cstdint>

#include "common/Archive.h"
#include "sheets/CThumbnailSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    pix::CThumbnailSettings format;
    pix::ArchiveReader in({data, size});
    if (!format.Serialize(in))
        return 0;
    pix::ArchiveWriter out;
    format.Serialize(out);
    pix::CThumbnailSettings again;
    pix::ArchiveReader back(out.Bytes());
    if (!again.Serialize(back) || !(again == format) || !back.AtEnd())
        __builtin_trap();
    return 0;
}
