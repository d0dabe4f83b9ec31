#include "render/ScreenDpi.h"

namespace pix {

namespace {
constexpr int kDefaultScreenDpi = 96;
int screenDpi = kDefaultScreenDpi;
}  // namespace

int ScreenDpi() { return screenDpi; }

void SetScreenDpi(int dpi)
{
    // The metafile header keeps units per inch in 16 bits.
    if (dpi > 0 && dpi <= 0xFFFF)
        screenDpi = dpi;
}

}  // namespace pix
