#include "image/FormatTable.h"

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#include "image/CImageBuffer.h"
#include "image/Orientation.h"

namespace pix {
namespace {

std::vector<FormatRow>& Rows()
{
    static std::vector<FormatRow> rows;
    return rows;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Calls visit with each extension of a row, without dot.
template <typename Visit>
void ForEachExtension(std::string_view extensions, Visit visit)
{
    while (!extensions.empty()) {
        const size_t end = std::min(extensions.find(';'), extensions.size());
        if (end > 0)
            visit(extensions.substr(0, end));
        extensions.remove_prefix(std::min(end + 1, extensions.size()));
    }
}

// Whether the last four characters of "." + extension are key.
bool KeyMatches(std::string_view extension, const char (&key)[4])
{
    if (extension.size() < 3)
        return false;
    size_t k = 0;
    if (extension.size() == 3) {
        if (key[0] != '.')
            return false;
        k = 1;
    }
    const std::string_view tail = extension.substr(extension.size() - (4 - k));
    for (char c : tail)
        if (Upper(c) != key[k++])
            return false;
    return true;
}

std::string Patterns(std::string_view extensions)
{
    std::string out;
    ForEachExtension(extensions, [&](std::string_view ext) {
        out += out.empty() ? "*." : ";*.";
        out += ext;
    });
    return out;
}

// Each row's label and patterns; only rows with a writer when saving.
std::string RowFilters(bool saving)
{
    std::string out;
    for (const FormatRow& row : Formats())
        if (!saving || row.write)
            out += std::string(saving ? row.saveLabel : row.openLabel) + "|" + Patterns(row.extensions) + "|";
    return out;
}

}  // namespace

void RegisterFormat(const FormatRow& row)
{
    std::vector<FormatRow>& rows = Rows();
    auto same = std::find_if(rows.begin(), rows.end(), [&](const FormatRow& r) { return r.name == row.name; });
    if (same != rows.end())
        *same = row;
    else
        rows.push_back(row);
}

std::span<const FormatRow> Formats() { return Rows(); }

const FormatRow* FormatForPath(std::string_view path)
{
    if (path.size() < 4)
        return nullptr;
    char key[4];
    for (size_t i = 0; i < 4; ++i)
        key[i] = Upper(path[path.size() - 4 + i]);
    for (const FormatRow& row : Formats()) {
        bool found = false;
        ForEachExtension(row.extensions, [&](std::string_view ext) { found = found || KeyMatches(ext, key); });
        if (found)
            return &row;
    }
    return nullptr;
}

bool IsPictureExtension(std::string_view ext)
{
    bool found = false;
    for (const FormatRow& row : Formats())
        ForEachExtension(row.extensions, [&](std::string_view known) {
            found = found || std::equal(known.begin(), known.end(), ext.begin(), ext.end(),
                                        [](char a, char b) { return Upper(a) == Upper(b); });
        });
    return found;
}

bool QueryImageSize(const std::string& path, uint32_t& width, uint32_t& height)
{
    const FormatRow* row = FormatForPath(path);
    uint8_t orientation = 1;
    if (!row || !row->size || !row->size(path, width, height, &orientation))
        return false;
    if (CurrentLoadOptions().upright && SwapsSides(orientation))
        std::swap(width, height);
    return true;
}

bool HintedImageSize(std::string_view path, uint32_t& width, uint32_t& height, uint32_t hintWidth,
                     uint32_t hintHeight)
{
    const FormatRow* row = FormatForPath(path);
    if (!row)
        return false;
    return !row->hinted || row->hinted(width, height, hintWidth, hintHeight);
}

std::string OpenFilter()
{
    std::string all;
    for (const FormatRow& row : Formats())
        all += (all.empty() ? "" : ";") + Patterns(row.extensions);
    return "Only image files|" + all + "|Pixadrome contact sheets (*.pxc)|*.pxc|All files (*.*)|*.*|" +
           RowFilters(false) + "|";
}

std::string ImagesFilter() { return RowFilters(false) + "|"; }

std::string SaveSheetFilter()
{
    return "Pixadrome contact sheet (*.pxc)|*.pxc|Webpage (*.html,*.htm)|*.html;*.htm|" + RowFilters(true) + "|";
}

std::string SaveImageFilter() { return RowFilters(true) + "|"; }

}  // namespace pix
