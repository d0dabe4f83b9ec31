#include "sheets/SheetOutput.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "image/FormatTable.h"

namespace pix {

SheetOutput SheetOutputFor(std::string_view path)
{
    const size_t slash = path.find_last_of("/\\");
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return SheetOutput::Sheet;
    std::string ext(name.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == "html" || ext == "htm")
        return SheetOutput::WebPages;
    if (IsPictureExtension(ext))
        return SheetOutput::Pictures;
    return SheetOutput::Sheet;
}

}  // namespace pix
