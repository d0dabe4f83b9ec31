// The main of the core layers' test programs: the image layer's formats are
// registered first, as a program does at start-up. GIF is written by the
// image layer's writer, which needs an index plane; the tests of the layer
// that reduces colours register its own GIF row.

#include <gtest/gtest.h>

#include "image/AvifCodec.h"
#include "image/BmpCodec.h"
#include "image/GifCodec.h"
#include "image/HeifCodec.h"
#include "image/JpegCodec.h"
#include "image/JxlCodec.h"
#include "image/PngCodec.h"
#include "image/PxfCodec.h"
#include "image/TiffCodec.h"
#include "image/WebpCodec.h"

int main(int argc, char** argv)
{
    using namespace pix;
    constexpr FormatRow gif{"gif", "gif", "GIF images (*.gif)", "GIF image (*.gif)", ReadGif, WriteGif, QueryGifSize};
    for (const FormatRow* row : {&kJpegFormat, &kBmpFormat, &gif, &kPngFormat, &kTiffFormat, &kPxfFormat,
                                 &kWebpFormat, &kAvifFormat, &kJxlFormat})
        RegisterFormat(*row);
    if (HeifDecoderPresent())
        RegisterFormat(kHeifFormat);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
