#include "processing/CoreFormats.h"

#include "image/BmpCodec.h"
#include "image/JpegCodec.h"
#include "image/PngCodec.h"
#include "image/PxfCodec.h"
#include "image/TiffCodec.h"
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
    for (const FormatRow* row : {&kPxfFormat})
        RegisterFormat(*row);
}

}  // namespace pix
