#pragma once
// Contact-sheet pages as pictures: one page drawn from the sheet's items
// and its format, printing and previewing them, and saving them as
// picture files.

#include <string>
#include <vector>

#include "image/CImageBuffer.h"

class QPagedPaintDevice;

namespace pix {

class Progress;
class ThumbnailSheet;

struct PageRequest {
    int width = 0;           // page size in pixels
    int height = 0;
    int dpi = 96;            // vertical resolution the fonts are sized for
    int page = 1;            // from 1
    int itemsPerPage = 0;    // 0 = all on one page
    int rows = 0;
    int cols = 0;
    std::string documentTitle;
};

// Draws one page: background, title, footer, the items of the page with
// their effects and labels. An empty buffer when the size is not allowed.
CImageBuffer RenderPage(const ThumbnailSheet& sheet, const PageRequest& request);

// Items per page as the sheet's format asks, after the clamp.
int SheetItemsPerPage(const ThumbnailSheet& sheet);
int SheetPageCount(const ThumbnailSheet& sheet);

// Prints pages first..last (from 1) of the sheet on device, one device
// page each: at the device's resolution when highQuality, else at a
// quarter of it in each direction, stretched. False when the device
// cannot be painted on or the progress was cancelled.
bool PrintSheet(QPagedPaintDevice& device, const ThumbnailSheet& sheet, const std::string& documentTitle,
                int first, int last, bool highQuality, Progress& progress);

// Saves the sheet as pictures of width × height: one file at path, or,
// when the items need more than one page, numbered files beside it.
// Returns the written paths; failures are reported by the writers.
class Prompter;
std::vector<std::string> ExportPictures(const ThumbnailSheet& sheet, const std::string& documentTitle,
                                        const std::string& path, int width, int height, Progress& progress,
                                        Prompter& prompter);

}  // namespace pix
