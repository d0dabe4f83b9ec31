#pragma once
// What Save As writes for a contact sheet, by the extension of the name
// given: the sheet file, one picture per page, or web pages.

#include <string_view>

namespace pix {

enum class SheetOutput { Sheet, Pictures, WebPages };

// By the whole extension (after the file name's last '.', any case): a
// picture format's extension gives pictures, "html" and "htm" web pages,
// anything else the sheet file.
SheetOutput SheetOutputFor(std::string_view path);

}  // namespace pix
