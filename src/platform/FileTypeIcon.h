#pragma once
// The icon of a file's type from the desktop's icon theme, as a 32 × 32
// picture; a null image when the theme has none. Only on the GUI thread.

#include <QImage>
#include <string>

namespace pix {

QImage FileTypeIcon(const std::string& path);

}  // namespace pix
