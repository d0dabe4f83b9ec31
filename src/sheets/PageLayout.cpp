#include "sheets/PageLayout.h"

#include <algorithm>
#include <cmath>

#include "sheets/CThumbnailSettings.h"

namespace pix {

int64_t IntegerSqrt(int64_t v)
{
    if (v <= 0)
        return 0;
    auto r = static_cast<int64_t>(std::sqrt(static_cast<double>(v)));
    while (r * r > v)
        --r;
    while ((r + 1) * (r + 1) <= v)
        ++r;
    return r;
}

namespace {

int Percent(int64_t value, int64_t percent) { return static_cast<int>(value * percent / 100); }

}  // namespace

int ClampItemsPerPage(int m, int rows, int cols)
{
    if (rows > 0 && cols > 0) {
        const int64_t cells = int64_t{rows} * cols;
        if (cells < m || m == 0)
            return static_cast<int>(std::min<int64_t>(cells, INT32_MAX));
    }
    return m;
}

int PageCount(int n, int m) { return m != 0 ? (n - 1) / m + 1 : 1; }

PageRect ContentArea(int width, int height, const CThumbnailSettings& format)
{
    PageRect area;
    area.top = Percent(format.pagMargT, height);
    area.bottom = area.top + height - Percent(2 * int64_t{format.pagMargT}, height) - 1;
    area.left = Percent(format.pagMargL, width);
    area.right = area.left + width - Percent(2 * int64_t{format.pagMargL}, width) - 1;
    return area;
}

EffectKind EffectOf(const std::string& name)
{
    if (name == "None")
        return EffectKind::None;
    if (name == "Shadow")
        return EffectKind::Shadow;
    if (name == "Soft edges")
        return EffectKind::SoftEdges;
    return EffectKind::Frame;
}

FrameStyle FrameOf(const std::string& name)
{
    if (name == "Raised border")
        return FrameStyle::Raised;
    if (name == "White frame")
        return FrameStyle::White;
    if (name == "Black frame")
        return FrameStyle::Black;
    return FrameStyle::Sunken;
}

PageGrid LayoutGrid(const PageRect& area, int k, int rows, int cols)
{
    PageGrid grid;
    const int aw = area.right - area.left + 1;
    const int ah = area.bottom - area.top + 1;
    if (k <= 0 || aw <= 0 || ah <= 0)
        return grid;
    if (rows > 0 && cols > 0) {
        grid.columns = cols;
        grid.rows = rows;
    } else if (rows > 0) {
        grid.rows = rows;
        grid.columns = static_cast<int>((int64_t{k} + rows - 1) / rows);
    } else if (cols > 0) {
        grid.columns = cols;
        grid.rows = static_cast<int>((int64_t{k} + cols - 1) / cols);
    } else {
        int64_t side = IntegerSqrt(int64_t{aw} * ah / k);
        for (; side > 0; --side) {
            const int64_t nc = aw / side;
            const int64_t nr = ah / side;
            if (k <= nr * nc) {
                grid.columns = static_cast<int>(nc);
                grid.rows = static_cast<int>(nr);
                break;
            }
        }
        if (side <= 0)
            return grid;  // no cell size fits: a page without thumbnails
        grid.cellWidth = grid.cellHeight = static_cast<int>(side);
    }
    if (rows > 0 || cols > 0) {
        grid.cellWidth = aw / grid.columns;
        grid.cellHeight = ah / grid.rows;
    }
    grid.left = area.left + ((aw - grid.columns * grid.cellWidth) >> 1);
    grid.top = area.top + ((ah - grid.rows * grid.cellHeight) >> 1);
    grid.valid = true;
    return grid;
}

EffectBox EffectRectangle(const PageRect& box, int s, const CThumbnailSettings& format)
{
    EffectBox out{box, 0};
    const int f = Percent(format.fxArea, s);
    switch (EffectOf(format.fx)) {
    case EffectKind::None:
        return out;
    case EffectKind::Shadow:
        out.depth = std::max(1, f / 16);
        out.rect.right -= out.depth;
        out.rect.bottom -= out.depth;
        break;
    case EffectKind::SoftEdges:
        out.depth = std::max(1, f / 16);
        break;
    case EffectKind::Frame:
        out.depth = std::max(1, f / 64);
        out.rect.left += out.depth;
        out.rect.top += out.depth;
        out.rect.right -= out.depth;
        out.rect.bottom -= out.depth;
        break;
    }
    if (out.rect.Width() <= 0 || out.rect.Height() <= 0)
        out = {box, 0};
    return out;
}

CellLayout LayoutCell(const PageGrid& grid, int j, int lh, const CThumbnailSettings& format)
{
    const int x = grid.CellX(j);
    const int y = grid.CellY(j);
    const int cw = grid.cellWidth;
    const int ch = grid.cellHeight;
    lh = std::min(ch, lh);
    CellLayout cell;
    cell.label = {x, y + ch - lh - 1, x + cw, y + ch - 1};
    const int mt = Percent(format.tmbMargT, ch);
    const int reserve = std::max(mt, lh);
    const int bh = ch - mt - reserve - 1;
    const int bw = cw - Percent(2 * int64_t{format.tmbMargL}, cw) - 1;
    if (bw <= 0 || bh <= 0) {
        cell.box = {x, y, x, y};
    } else {
        cell.box.left = x + Percent(format.tmbMargL, cw);
        cell.box.top = y + mt;
        cell.box.right = cell.box.left + bw;
        cell.box.bottom = cell.box.top + bh;
    }
    cell.effect = EffectRectangle(cell.box, std::min(cw, ch), format);
    return cell;
}

FittedSize FitEnlarging(int w, int h, int rw, int rh)
{
    FittedSize f;
    f.width = rw;
    f.height = static_cast<int>(std::max<int64_t>(1, int64_t{rw} * h / w));
    if (f.height > rh) {
        f.height = std::min(h, rh);
        f.width = static_cast<int>(std::max<int64_t>(1, int64_t{f.height} * w / h));
    }
    return f;
}

FittedSize FitWithoutEnlarging(int w, int h, int rw, int rh)
{
    FittedSize f;
    f.width = std::min(w, rw);
    f.height = static_cast<int>(std::max<int64_t>(1, int64_t{f.width} * h / w));
    if (f.height > rh) {
        f.height = std::min(h, rh);
        f.width = static_cast<int>(std::max<int64_t>(1, int64_t{f.height} * w / h));
    }
    return f;
}

}  // namespace pix
