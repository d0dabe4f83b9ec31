#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>
#include <utility>

#include "image/CImageBuffer.h"
#include "sheets/CThumbnailSettings.h"
#include "sheets/PageLayout.h"
#include "sheets/PagePixels.h"

namespace pix {
namespace {

CThumbnailSettings Plain()
{
    CThumbnailSettings f;
    f.pagMargL = f.pagMargT = 0;
    f.tmbMargL = f.tmbMargT = 0;
    return f;
}

std::array<int, 4> Sides(const PageRect& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(PageLayout, GridRules)
{
    const PageRect area = ContentArea(1000, 800, Plain());
    EXPECT_EQ(Sides(area), (std::array{0, 0, 999, 799}));
    CThumbnailSettings margins = Plain();
    margins.pagMargL = 10;
    margins.pagMargT = 25;
    EXPECT_EQ(Sides(ContentArea(1000, 800, margins)), (std::array{100, 200, 899, 599}));

    const struct {
        PageRect area;
        int k, rows, cols;
        std::array<int, 7> grid;  // valid, columns, rows, cell width and height, left, top
    } cases[] = {
        // Automatic: side from 258 down to 250, four columns and three rows, centred.
        {area, 12, 0, 0, {1, 4, 3, 250, 250, 0, 25}},
        {area, 5, 2, 0, {1, 3, 2, 333, 400, 0, 0}},  // left: (1000 - 999) >> 1
        {area, 5, 0, 2, {1, 2, 3, 500, 266, 0, 1}},
        // Margins larger than the page, or a page too small for any cell.
        {{0, 0, -1, 10}, 3, 0, 0, {0, 0, 0, 0, 0, 0, 0}},
        {{0, 0, 1, 1}, 5, 0, 0, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const PageGrid g = LayoutGrid(c.area, c.k, c.rows, c.cols);
        EXPECT_EQ((std::array{int{g.valid}, g.columns, g.rows, g.cellWidth, g.cellHeight, g.left, g.top}), c.grid)
            << c.k << " " << c.rows << " " << c.cols;
    }
    const PageGrid g = LayoutGrid(area, 12, 0, 0);
    EXPECT_EQ(std::pair(g.CellX(5), g.CellY(5)), std::pair(250, 275));

    for (auto [m, rows, cols, clamped] : {std::array{0, 2, 3, 6}, {4, 2, 3, 4}, {9, 2, 3, 6}, {0, 2, 0, 0}})
        EXPECT_EQ(ClampItemsPerPage(m, rows, cols), clamped) << m << " " << rows << " " << cols;
    EXPECT_EQ(PageCount(14, 0), 1);  // (14 at six a page: SheetPages.PagesOfARowsByColumnsGrid)
}

TEST(PageLayout, CellBoxesEffectsAndFitting)
{
    CThumbnailSettings f = Plain();
    f.tmbMargL = 4;
    f.tmbMargT = 4;
    f.fx = "Shadow";
    f.fxArea = 100;
    PageGrid g = LayoutGrid({0, 0, 999, 799}, 12, 0, 0);
    // Cell 1 at (250, 25), 250 square: margins of 10, a label of 20 at the
    // bottom, a shadow of 250 / 16 inside the box.
    const CellLayout cell = LayoutCell(g, 1, 20, f);
    EXPECT_EQ(Sides(cell.label), (std::array{250, 254, 500, 274}));
    EXPECT_EQ(Sides(cell.box), (std::array{260, 35, 489, 254}));
    EXPECT_EQ(Sides(cell.effect.rect), (std::array{260, 35, 474, 239}));
    EXPECT_EQ(cell.effect.depth, 15);

    // An area of 0 still gives every effect but "None" a width of 1 (any
    // other name is a frame).
    f.fxArea = 0;
    for (auto [name, depth] : {std::pair{"Shadow", 1}, {"Soft edges", 1}, {"anything", 1}, {"None", 0}}) {
        f.fx = name;
        EXPECT_EQ(LayoutCell(g, 0, 20, f).effect.depth, depth) << name;
    }
    // A box too small for the frame drops the effect.
    f.fx = "White frame";
    f.fxArea = 600;
    EXPECT_EQ(EffectRectangle({0, 0, 30, 30}, 1000, f).depth, 0);
    // A label taller than the cell leaves the box a point.
    EXPECT_EQ(LayoutCell(g, 0, 400, f).box.Width(), 0);

    using Fit = FittedSize (*)(int, int, int, int);
    const struct {
        Fit fit;
        std::array<int, 6> sizes;  // picture, rectangle, fitted
    } fits[] = {
        {FitEnlarging, {100, 50, 201, 201, 201, 100}},    {FitEnlarging, {50, 400, 201, 100, 12, 100}},
        {FitEnlarging, {1, 1000, 80, 80, 1, 80}},         {FitWithoutEnlarging, {100, 50, 201, 201, 100, 50}},
        {FitWithoutEnlarging, {1000, 1, 80, 80, 80, 1}},
    };
    for (const auto& [fit, s] : fits) {
        const FittedSize fitted = fit(s[0], s[1], s[2], s[3]);
        EXPECT_EQ(std::pair(fitted.width, fitted.height), std::pair(s[4], s[5])) << s[0] << "x" << s[1];
    }
}

struct Page {
    CImageBuffer buffer;
    PageSurface surface;
    Page(int w, int h, uint8_t grey)
    {
        buffer.Create(static_cast<uint32_t>(w), static_cast<uint32_t>(h));
        surface = SurfaceOf(buffer);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                std::fill_n(surface.Pixel(x, y), 3, grey);
    }
    int At(int x, int y, int c = 0) const { return surface.Pixel(x, y)[c]; }
};

TEST(PagePixels, BackgroundsAndPictures)
{
    CThumbnailSettings f = Plain();  // both gradients by default
    Page page(100, 50, 0);
    FillBackground(page.surface, f);
    // Red of (0, 0): left 0xF3 and top 0xDF averaged; the top row is the first row.
    EXPECT_EQ(page.At(0, 0, 2), (0xF3 + 0xDF) >> 1);
    EXPECT_EQ(page.buffer.Row(49)[2], (0xF3 + 0xDF) >> 1);
    f.bgH = 0;
    f.bgV = 0;
    FillBackground(page.surface, f);
    EXPECT_EQ(page.At(99, 49, 0), 0x60);  // blue of 0x608000
    EXPECT_EQ(page.At(99, 49, 1), 0x80);

    // A 2 × 2 picture centred at half opacity, then tiled.
    CImageBuffer picture;
    picture.Create(2, 2);
    picture.SetPixel(0, 1, 255, 255, 255);  // top-left white, the rest black
    f.bgI = 1;
    f.bgImgOpacity = 128;
    f.bgImgPlc = CThumbnailSettings::kPlaceCenter;
    Page grey(6, 4, 100);
    BlendBackgroundPicture(grey.surface, picture, f);
    EXPECT_EQ(grey.At(2, 1), (128 * 100 + 128 * 255) >> 8);
    EXPECT_EQ(grey.At(3, 1), 50);
    EXPECT_EQ(grey.At(0, 0), 100);
    f.bgImgPlc = CThumbnailSettings::kPlaceTile;
    Page tiled(6, 4, 100);
    BlendBackgroundPicture(tiled.surface, picture, f);
    EXPECT_EQ(tiled.At(4, 2), 177);
    EXPECT_EQ(tiled.At(5, 3), 50);
    f.bgImgPlc = CThumbnailSettings::kPlaceScaleToFit;
    f.bgImgOpacity = 256;
    EXPECT_TRUE(PictureCoversPage(f));
}

TEST(PagePixels, FramesShadowsAndSoftEdges)
{
    const PageRect picture{10, 10, 19, 19};
    CImageBuffer black;
    black.Create(4, 4);
    const struct {
        const char* what;
        int side, grey;
        std::function<void(const PageSurface&)> draw;
        std::vector<std::array<int, 3>> pixels;  // x, y, the grey expected there
    } cases[] = {
        {"white frame", 40, 200, [&](const PageSurface& s) { DrawFrame(s, picture, 2, FrameStyle::White); },
         {{8, 8, 255}, {21, 15, 255}, {7, 7, 200}, {12, 12, 200}}},
        // Ring 0 at the top and bottom; the corner is top, then left.
        {"sunken frame", 40, 200, [&](const PageSurface& s) { DrawFrame(s, picture, 2, FrameStyle::Sunken); },
         {{15, 9, 200 * 2 / 4}, {15, 20, (200 * 2 + 255 * 1) / 3}, {9, 9, (200 * 2 / 4) * 2 / 4}}},
        // Ring 1 at the top and right.
        {"raised frame", 40, 200, [&](const PageSurface& s) { DrawFrame(s, picture, 2, FrameStyle::Raised); },
         {{15, 8, (200 * 2 + 255 * 2) / 4}, {21, 15, 200 * 2 / 4}}},
        // Along the bottom q = 0 (e = 0, t = 3) and q = 1 (e = 1, t = 2), the
        // row starting d pixels in; the column from y1 + d up.
        {"shadow", 40, 200, [&](const PageSurface& s) { DrawShadow(s, picture, 4); },
         {{14, 20, 200 * 7 / 8}, {15, 20, 200 * 6 / 8}, {13, 20, 200}, {20, 23, 200 * 7 / 8}}},
        // A shadow or frame at the page's edge stays on the page.
        {"at the page's edge", 20, 200,
         [&](const PageSurface& s) {
             DrawShadow(s, picture, 6);
             DrawFrame(s, {0, 0, 19, 19}, 3, FrameStyle::Black);
         },
         {{19, 19, 200}}},
        // Inside the picture; the corner stays the page; half way down the
        // edge ex = 0 and ey is far, a = 9 - 9 = 0 (the page); ex = 2: a = 9 - 1.
        {"soft edges", 40, 240, [&](const PageSurface& s) { DrawSoftEdges(s, black, {10, 10, 29, 29}, 3); },
         {{20, 20, 0}, {10, 10, 240}, {10, 20, 240}, {12, 20, 240 * 1 / 9}}},
    };
    for (const auto& c : cases) {
        const Page page(c.side, c.side, static_cast<uint8_t>(c.grey));
        c.draw(page.surface);
        for (auto [x, y, grey] : c.pixels)
            EXPECT_EQ(page.At(x, y), grey) << c.what << " at " << x << ", " << y;
    }
}

}  // namespace
}  // namespace pix
