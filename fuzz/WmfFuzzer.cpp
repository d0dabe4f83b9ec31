// libFuzzer target for the metafile reader: sizing, record parsing and
// playback of hostile bytes.
//
// The first input byte chooses the size hints: a few values ask for the
// full-size default (256 × 256, or a placeable frame up to 2000 × 2000); the
// rest ask for a small picture so that playback stays cheap. The remaining
// bytes are the file. A full-size load must be what the size query says
// from the file's headers.

#include <QByteArray>
#include <QGuiApplication>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "image/CImageBuffer.h"
#include "render/WmfPlayer.h"

// Fontconfig keeps pattern copies it never frees when Qt resolves a family
// for the first time; metafiles name arbitrary families, so leak checking
// would stop on those rather than on ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Text needs a GUI application; the offscreen platform needs no display.
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen"));
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t selector = data[0];
    uint32_t width = 0;
    uint32_t height = 0;
    if (selector >= 8) {
        width = 1u + selector % 64u;
        height = 1u + (selector / 4u) % 64u;
    }
    pix::WmfLimits limits;
    limits.work = uint64_t{1} << 22;
    limits.bitmapPixels = uint64_t{1} << 22;
    pix::CImageBuffer buf;
    const std::span<const uint8_t> file(data + 1, size - 1);
    pix::ReadWmfBytes(file, width, height, buf, limits);
    if (width == 0 && height == 0) {
        uint32_t w = 0, h = 0;
        const bool known =
            pix::WmfSizeFromBytes(file.first(std::min(file.size(), pix::kWmfSizeHeadBytes)), file.size(), w, h);
        if (known != !buf.IsEmpty() || (known && (w != buf.Width() || h != buf.Height())))
            std::abort();
    }
    return 0;
}
