// Feeds arbitrary bytes to the reader of the desktop's thumbnail cache as
// the entry of one fixed file. An entry it takes must be within its size
// limits and carry that file's URI and time.
#include <QByteArray>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "render/DesktopThumbnailCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const pix::DesktopThumbnailCache::Original original{"file:///photos/a.jpg", 1700000000, 4000};
    const QImage entry = pix::DesktopThumbnailCache::ReadEntry(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), original);
    if (entry.isNull())
        return 0;
    if (entry.width() > 1024 || entry.height() > 1024 || entry.text("Thumb::URI") != "file:///photos/a.jpg")
        std::abort();
    pix::DesktopThumbnailCache::ShowsWhole(entry, 400, 300);
    return 0;
}
