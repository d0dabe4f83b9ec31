#include "processing/CoreFormats.h"

#include "image/AvifCodec.h"
#include "image/BmpCodec.h"
#include "image/HeifCodec.h"
#include "image/JpegCodec.h"
#include "image/JxlCodec.h"
#include "image/PngCodec.h"
#include "image/PxfCodec.h"
#include "image/TiffCodec.h"
#include "image/WebpCodec.h"
#include "processing/GifSave.h"

namespace pix {

void RegisterCoreFormats(std::initializer_list<const FormatRow*> drawn)
{
    for (const FormatRow* row : {&kJpegFormat, &kBmpFormat, &kGifFormat, &kPngFormat, &kTiffFormat})
        RegisterFormat(*row);
    for (const FormatRow* row : drawn)
        RegisterFormat(*row);
    // A new format goes last: the dialogs' stored filter indexes keep
    // choosing the entries they chose.
    for (const FormatRow* row : {&kPxfFormat, &kWebpFormat, &kAvifFormat})
        RegisterFormat(*row);
    // Without an HEVC decoder HEIF files are not offered at all: they stay
    // files of an unknown type.
    if (HeifDecoderPresent())
        RegisterFormat(kHeifFormat);
    RegisterFormat(kJxlFormat);
}

}  // namespace pix
