#pragma once
// The fields of label, title and footer texts: "[FileName]" and the other
// item fields filled in for one item, "[PageNo]" and the other page fields
// for one page. Field names match without regard to case; the text put in
// for a field is not searched again for that field.

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "sheets/ThumbnailSheet.h"

namespace pix {

// What labels and sorting read of a file: size, creation time (the
// birth time, or the last status change where the file system keeps no
// birth time) and modification time.
struct FileStatus {
    uint64_t size = 0;
    time_t created = 0;
    time_t modified = 0;
};
// False when the file's status cannot be read.
bool QueryFileStatus(const std::string& path, FileStatus& status);

// Replaces every occurrence of field (any case) in text.
void ReplaceField(std::string& text, std::string_view field, std::string_view replacement);

// A file size the short way: "1000 Byte", "4.8 KB", "10 KB", "1.5 MB".
std::string ShortFileSize(uint64_t size);

// The part of a name before its first '.', or the whole name when that is
// empty.
std::string TitleOf(const std::string& name);

// The format's label text with the item fields of the item shown at
// position filled in. The file is only asked for its status, size or
// checksum when the text holds a field that needs them.
std::string ExpandLabelFields(const ThumbnailSheet& sheet, size_t position);

struct PageFieldValues {
    int page = 1;                // from 1
    int itemsPerPage = 0;        // after the clamp; 0 = all on one page
    int itemCount = 0;           // items of the sheet
    std::string documentTitle;   // the sheet's title
};
std::string ExpandPageFields(const std::string& text, const PageFieldValues& values);

// Replaces every "\r\n" (and a lone "\n") by the web page's line break.
std::string HtmlLineBreaks(const std::string& text);

}  // namespace pix
