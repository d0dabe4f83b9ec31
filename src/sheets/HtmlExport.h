#pragma once
// Contact sheets as web pages: one HTML file per page with a table of
// thumbnail pictures, each linked to its image file.

#include <string>
#include <vector>

namespace pix {

class Progress;
class ThumbnailSheet;

struct HtmlPage {
    int width = 1024;             // page size in pixels the grid is laid out on
    int height = 768;
    std::string pagePath;         // the HTML file to write
    std::string thumbnailFolder;  // where the thumbnail pictures go, ending in a separator
    std::string suffix;           // appended to each file name, e.g. "_small.jpg"
    int page = 1;                 // from 1
    int itemsPerPage = 0;         // 0 = all on one page
    int rows = 0;
    int cols = 0;
};

// Writes one page file and the pictures of its items. The title is the
// sheet's document title. False when the page file cannot be written
// (nothing is reported; pictures that cannot be written leave their
// links pointing at missing files).
bool ExportHtmlPage(const ThumbnailSheet& sheet, const std::string& documentTitle, const HtmlPage& page,
                    Progress& progress);

// The markup of one page as ExportHtmlPage writes it, line ends "\r\n";
// pictures are made as a side effect.
std::string HtmlPageMarkup(const ThumbnailSheet& sheet, const std::string& documentTitle, const HtmlPage& page,
                           Progress& progress);

// Writes every page of the sheet: one file at path, or, when the items
// need more than one page, files named path's title + page number +
// extension beside it. Returns the written page paths.
std::vector<std::string> ExportHtml(const ThumbnailSheet& sheet, const std::string& documentTitle,
                                    const std::string& path, HtmlPage layout, Progress& progress);

// The link from a page in pageFolder to target: relative when both lie on
// the same drive (every path without a drive letter shares one), else a
// file URL of the target's drive and folder.
std::string MakeRelativeUrl(const std::string& pageFolder, const std::string& target);

// "folder + title + number + . + extension" for page p of path.
std::string NumberedPagePath(const std::string& path, int page);

}  // namespace pix
