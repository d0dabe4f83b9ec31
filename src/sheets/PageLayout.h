#pragma once
// The geometry of a contact-sheet page: items per page, the content area
// inside the margins, the grid of cells and, per cell, the label, the
// thumbnail box, the effect rectangle and where the picture goes. Pure
// integer arithmetic shared by the page renderer and the HTML export.
// Rectangles are inclusive: right and bottom are the last pixel.

#include <cstdint>
#include <string>

namespace pix {

class CThumbnailSettings;

struct PageRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// The largest r with r × r ≤ v (0 for v ≤ 0): the side of the largest
// square of v pixels.
int64_t IntegerSqrt(int64_t v);

// Items per page: rows × cols when both are set and fewer than m (or m is
// 0, all on one page), else m.
int ClampItemsPerPage(int m, int rows, int cols);
// Pages of a sheet of n items at m per page (m after the clamp).
int PageCount(int n, int m);

// The page area inside the page margins.
PageRect ContentArea(int width, int height, const CThumbnailSettings& format);

enum class EffectKind { None, Shadow, SoftEdges, Frame };
EffectKind EffectOf(const std::string& name);
// The frame effects by name (any other name draws like the sunken border).
enum class FrameStyle { Sunken, Raised, White, Black };
FrameStyle FrameOf(const std::string& name);

struct PageGrid {
    bool valid = false;  // false when no cell size fits (nothing is drawn)
    int columns = 0;
    int rows = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int left = 0;  // top-left corner of the centred grid
    int top = 0;
    int CellX(int j) const { return (j % columns) * cellWidth + left; }
    int CellY(int j) const { return (j / columns) * cellHeight + top; }
};
// The grid for k items in area: square cells as large as fit when rows
// and cols are 0, else the given rows and/or columns; centred in area.
PageGrid LayoutGrid(const PageRect& area, int k, int rows, int cols);

struct EffectBox {
    PageRect rect;  // the rectangle the picture is fitted into
    int depth = 0;  // the effect width d in pixels, 0 for none
};
// The effect width and rectangle for a thumbnail box, with s the size the
// effect area is measured on.
EffectBox EffectRectangle(const PageRect& box, int s, const CThumbnailSettings& format);

struct CellLayout {
    PageRect label;      // where the label text goes
    PageRect box;        // the thumbnail box inside the cell margins
    EffectBox effect;
};
// Cell j of the grid with a label measured lh pixels high (at most the
// cell height).
CellLayout LayoutCell(const PageGrid& grid, int j, int lh, const CThumbnailSettings& format);

struct FittedSize {
    int width = 0;
    int height = 0;
};
// A w × h picture fitted to the rectangle rw × rh, width first; pictures
// may grow to the rectangle's width (the page) or not (the web page).
FittedSize FitEnlarging(int w, int h, int rw, int rh);
FittedSize FitWithoutEnlarging(int w, int h, int rw, int rh);

}  // namespace pix
