#pragma once
// The thumbnail-format commands of the Options menu: on the active
// sheet's format, or on the default format in the settings when no sheet
// is active (sheet null).

namespace pix {

class AppServices;
class CThumbnailDoc;

// Edits the format in the format editor; OK keeps the changes (the
// sheet's views redraw).
void EditFormat(AppServices& app, CThumbnailDoc* sheet);
// Writes the format to a ".tfm" file the user names.
void SaveFormatToFile(AppServices& app, CThumbnailDoc* sheet);
// Reads a ".tfm" file into the format editor; OK makes it the sheet's
// format (its views redraw) or the default.
void LoadFormatFromFile(AppServices& app, CThumbnailDoc* sheet);
// After the user agrees, the sheet's format becomes the default.
void UseFormatAsDefault(AppServices& app, CThumbnailDoc& sheet);

}  // namespace pix
