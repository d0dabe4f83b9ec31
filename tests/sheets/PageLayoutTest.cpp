#include <gtest/gtest.h>

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

TEST(PageLayout, GridRules)
{
    const CThumbnailSettings f = Plain();
    const PageRect area = ContentArea(1000, 800, f);
    EXPECT_EQ(area.right, 999);
    EXPECT_EQ(area.bottom, 799);

    // Automatic: side from 258 down to 250, four columns and three rows, centred.
    PageGrid g = LayoutGrid(area, 12, 0, 0);
    ASSERT_TRUE(g.valid);
    EXPECT_EQ(g.cellWidth, 250);
    EXPECT_EQ(g.columns, 4);
    EXPECT_EQ(g.rows, 3);
    EXPECT_EQ(g.top, 25);
    EXPECT_EQ(g.left, 0);
    EXPECT_EQ(g.CellX(5), 250);
    EXPECT_EQ(g.CellY(5), 275);

    g = LayoutGrid(area, 5, 2, 0);
    EXPECT_EQ(g.columns, 3);
    EXPECT_EQ(g.cellHeight, 400);
    EXPECT_EQ(g.cellWidth, 333);
    EXPECT_EQ(g.left, 0);  // (1000 - 999) >> 1
    g = LayoutGrid(area, 5, 0, 2);
    EXPECT_EQ(g.rows, 3);
    EXPECT_EQ(g.cellHeight, 266);

    EXPECT_EQ(ClampItemsPerPage(0, 2, 3), 6);
    EXPECT_EQ(ClampItemsPerPage(4, 2, 3), 4);
    EXPECT_EQ(ClampItemsPerPage(9, 2, 3), 6);
    EXPECT_EQ(ClampItemsPerPage(0, 2, 0), 0);
    EXPECT_EQ(PageCount(14, 6), 3);
    EXPECT_EQ(PageCount(14, 0), 1);

    // Margins larger than the page, or a page too small for any cell.
    EXPECT_FALSE(LayoutGrid({0, 0, -1, 10}, 3, 0, 0).valid);
    EXPECT_FALSE(LayoutGrid({0, 0, 1, 1}, 5, 0, 0).valid);
    CThumbnailSettings margins = Plain();
    margins.pagMargL = 10;
    margins.pagMargT = 25;
    const PageRect inner = ContentArea(1000, 800, margins);
    EXPECT_EQ(inner.left, 100);
    EXPECT_EQ(inner.right, 899);
    EXPECT_EQ(inner.top, 200);
    EXPECT_EQ(inner.bottom, 599);
}

TEST(PageLayout, CellBoxesEffectsAndFitting)
{
    CThumbnailSettings f = Plain();
    f.tmbMargL = 4;
    f.tmbMargT = 4;
    f.fx = "Shadow";
    f.fxArea = 100;
    PageGrid g = LayoutGrid({0, 0, 999, 799}, 12, 0, 0);
    const CellLayout cell = LayoutCell(g, 1, 20, f);
    EXPECT_EQ(cell.label.top, 25 + 250 - 20 - 1);
    EXPECT_EQ(cell.label.right, 500);
    EXPECT_EQ(cell.box.left, 250 + 10);
    EXPECT_EQ(cell.box.top, 25 + 10);
    EXPECT_EQ(cell.box.Width(), 250 - 20 - 1);
    EXPECT_EQ(cell.box.Height(), 250 - 10 - 20 - 1);
    EXPECT_EQ(cell.effect.depth, 250 / 16);
    EXPECT_EQ(cell.effect.rect.right, cell.box.right - 15);

    // An area of 0 still gives every effect but "None" a width of 1.
    f.fxArea = 0;
    for (const char* name : {"Shadow", "Soft edges", "Sunken border", "Black frame", "anything"}) {
        f.fx = name;
        EXPECT_EQ(LayoutCell(g, 0, 20, f).effect.depth, 1) << name;
    }
    f.fx = "None";
    EXPECT_EQ(LayoutCell(g, 0, 20, f).effect.depth, 0);
    // A box too small for the frame drops the effect.
    f.fx = "White frame";
    f.fxArea = 600;
    EXPECT_EQ(EffectRectangle({0, 0, 30, 30}, 1000, f).depth, 0);
    // A label taller than the cell leaves the box a point.
    EXPECT_EQ(LayoutCell(g, 0, 400, f).box.Width(), 0);

    EXPECT_EQ(FitEnlarging(100, 50, 201, 201).width, 201);
    EXPECT_EQ(FitEnlarging(100, 50, 201, 201).height, 100);
    EXPECT_EQ(FitEnlarging(50, 400, 201, 100).height, 100);
    EXPECT_EQ(FitEnlarging(50, 400, 201, 100).width, 12);
    EXPECT_EQ(FitWithoutEnlarging(100, 50, 201, 201).width, 100);
    EXPECT_EQ(FitWithoutEnlarging(1000, 1, 80, 80).height, 1);
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
    Page white(40, 40, 200);
    DrawFrame(white.surface, picture, 2, FrameStyle::White);
    EXPECT_EQ(white.At(8, 8), 255);
    EXPECT_EQ(white.At(21, 15), 255);
    EXPECT_EQ(white.At(7, 7), 200);
    EXPECT_EQ(white.At(12, 12), 200);

    Page sunken(40, 40, 200);
    DrawFrame(sunken.surface, picture, 2, FrameStyle::Sunken);
    EXPECT_EQ(sunken.At(15, 9), 200 * 2 / 4);                  // ring 0, top
    EXPECT_EQ(sunken.At(15, 20), (200 * 2 + 255 * 1) / 3);     // ring 0, bottom
    EXPECT_EQ(sunken.At(9, 9), (200 * 2 / 4) * 2 / 4);          // corner: top, then left
    Page raised(40, 40, 200);
    DrawFrame(raised.surface, picture, 2, FrameStyle::Raised);
    EXPECT_EQ(raised.At(15, 8), (200 * 2 + 255 * 2) / 4);       // ring 1, top
    EXPECT_EQ(raised.At(21, 15), 200 * 2 / 4);                  // ring 1, right

    Page shadow(40, 40, 200);
    DrawShadow(shadow.surface, picture, 4);
    EXPECT_EQ(shadow.At(14, 20), 200 * 7 / 8);  // q = 0: e = 0, t = 3
    EXPECT_EQ(shadow.At(15, 20), 200 * 6 / 8);  // q = 1: e = 1, t = 2
    EXPECT_EQ(shadow.At(13, 20), 200);          // the row starts d pixels in
    EXPECT_EQ(shadow.At(20, 23), 200 * 7 / 8);  // column, from y1 + d up

    // A shadow at the page's edge stays on the page.
    Page edge(20, 20, 200);
    DrawShadow(edge.surface, picture, 6);
    DrawFrame(edge.surface, {0, 0, 19, 19}, 3, FrameStyle::Black);
    EXPECT_EQ(edge.At(19, 19), 200);

    CImageBuffer source;
    source.Create(4, 4);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            source.SetPixel(x, y, 0, 0, 0);
    Page soft(40, 40, 240);
    DrawSoftEdges(soft.surface, source, {10, 10, 29, 29}, 3);
    EXPECT_EQ(soft.At(20, 20), 0);   // inside: the picture
    EXPECT_EQ(soft.At(10, 10), 240);  // the corner stays the page
    // Edge pixel half way down: ex = 0, ey far: a = 9 - 9 = 0, the page.
    EXPECT_EQ(soft.At(10, 20), 240);
    EXPECT_EQ(soft.At(12, 20), 240 * 1 / 9);  // ex = 2: a = 9 - 1
}

}  // namespace
}  // namespace pix
