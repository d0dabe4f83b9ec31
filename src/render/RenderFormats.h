#pragma once
// Installs the image formats whose codecs need the render layer (metafiles)
// into the format table. Both executables call it once at start-up.

namespace pix {

void RegisterRenderFormats();

// Logical pixels per inch of the screen metafiles are sized for (96 unless
// the application sets the screen's own).
int ScreenDpi();
void SetScreenDpi(int dpi);

}  // namespace pix
