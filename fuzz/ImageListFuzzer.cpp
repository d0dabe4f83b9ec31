// Feeds arbitrary bytes to the image-list reader. What it refuses leaves
// the list it was given as it was, with the reader failed; what it accepts
// writes out and reads back to the same list.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "FuzzReport.h"
#include "common/Archive.h"
#include "sheets/ImageListStream.h"
#include "sheets/ThumbnailList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const pix::ThumbnailList held(9, 9, 0);
    pix::ThumbnailList list = held;
    pix::ArchiveReader in({data, size});
    const bool read = pix::ReadImageList(in, list);
    pix::fuzz::Report(read);
    if (!read) {
        if (!in.Failed() || !(list == held))
            std::abort();
        return 0;
    }
    pix::ArchiveWriter out;
    pix::WriteImageList(list, out);
    pix::ThumbnailList again = held;
    pix::ArchiveReader back(out.Bytes());
    if (!pix::ReadImageList(back, again) || !(again == list))
        std::abort();
    return 0;
}
