#include "render/RenderFormats.h"

#include "image/FormatTable.h"
#include "processing/GifSave.h"
#include "render/WmfPlayer.h"
#include "render/WmfWriter.h"

namespace pix {

namespace {
constexpr int kDefaultScreenDpi = 96;
int screenDpi = kDefaultScreenDpi;
}  // namespace

void RegisterRenderFormats()
{
    RegisterCodec(ImageFormat::Wmf, {ReadWmf, WriteWmf, QueryWmfSize});
    RegisterReducingGifWriter();
}

int ScreenDpi() { return screenDpi; }

void SetScreenDpi(int dpi)
{
    // The metafile header keeps units per inch in 16 bits.
    if (dpi > 0 && dpi <= 0xFFFF)
        screenDpi = dpi;
}

}  // namespace pix
