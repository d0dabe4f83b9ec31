#pragma once
// The screen resolution metafiles are sized for.

namespace pix {

// Logical pixels per inch of the screen metafiles are sized for (96 unless
// the application sets the screen's own).
int ScreenDpi();
void SetScreenDpi(int dpi);

}  // namespace pix
