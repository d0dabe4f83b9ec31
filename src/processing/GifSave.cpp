#include "processing/GifSave.h"

#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/GifCodec.h"
#include "processing/ColorReduction.h"

namespace pix {

void WriteGifReducing(CImageBuffer& buf, const std::string& path, Prompter& prompter)
{
    if (!buf.HasIndexPlane()) {
        if (!buf.IsEmpty() && !GifSizeWritable(buf.Width(), buf.Height())) {
            // No point reducing what cannot be written.
            prompter.Show(MsgId::GifTooLarge);
            return;
        }
        ReduceOptions options;
        options.colors = 256;
        options.dither = true;
        options.preference = 0;
        options.preserve = false;
        options.writeBack = false;
        ReduceColors(buf, options);
    }
    WriteGif(buf, path, prompter);
}

void RegisterReducingGifWriter()
{
    FormatCodec codec = CodecFor(ImageFormat::Gif);
    codec.write = WriteGifReducing;
    RegisterCodec(ImageFormat::Gif, codec);
}

}  // namespace pix
