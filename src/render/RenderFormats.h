#pragma once
// Installs the codecs that live above the image layer into the format
// table: metafiles (drawn with Qt's painter) and the GIF writer that
// reduces true-colour pictures to 256 colours first. Both executables call
// it once at start-up.

namespace pix {

void RegisterRenderFormats();

// Logical pixels per inch of the screen metafiles are sized for (96 unless
// the application sets the screen's own).
int ScreenDpi();
void SetScreenDpi(int dpi);

}  // namespace pix
