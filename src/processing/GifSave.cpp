#include "processing/GifSave.h"

#include "image/CImageBuffer.h"
#include "image/GifCodec.h"
#include "processing/ColorReduction.h"

namespace pix {

Outcome WriteGifReducing(const CImageBuffer& buf, const std::string& path)
{
    if (buf.HasIndexPlane() || buf.IsEmpty())
        return WriteGif(buf, path);
    // No point reducing what cannot be written.
    if (!GifSizeWritable(buf.Width(), buf.Height()))
        return Outcome(MsgId::GifTooLarge);
    ReduceOptions options;
    options.colors = 256;
    options.dither = true;
    options.preference = 0;
    options.preserve = false;
    options.writeBack = false;
    CImageBuffer reduced = buf;
    ReduceColors(reduced, options);
    return WriteGif(reduced, path);
}

extern constexpr FormatRow kGifFormat{
    .name = "gif",
    .extensions = "gif",
    .openLabel = "GIF images (*.gif)",
    .saveLabel = "GIF image (*.gif)",
    .read = ReadGif,
    .write = WriteGifReducing,
    .size = QueryGifSize,
};

}  // namespace pix
