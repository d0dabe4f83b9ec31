#pragma once
// The thumbnail-format commands of the Options menu: on the active
// sheet's format, or on the default format in the settings when no sheet
// is active (sheet null).

namespace pix {

class AppServices;
class CThumbnailDoc;

// Writes the format to a ".tfm" file the user names.
void SaveFormatToFile(AppServices& app, CThumbnailDoc* sheet);
// Reads a ".tfm" file into the sheet (its views redraw) or the default.
void LoadFormatFromFile(AppServices& app, CThumbnailDoc* sheet);
// After the user agrees, the sheet's format becomes the default.
void UseFormatAsDefault(AppServices& app, CThumbnailDoc& sheet);

}  // namespace pix
