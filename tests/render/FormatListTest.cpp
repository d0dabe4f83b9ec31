#include "render/FormatList.h"

#include <gtest/gtest.h>

#include "image/FormatTable.h"

namespace pix {
namespace {

// The dialogs' filter strings, generated from the rows, in the order stored
// filter indexes rely on (a new format would go last).
TEST(FormatList, TheDialogsListEveryFormatInTheirOrder)
{
    EXPECT_EQ(SaveImageFilter(),
              "JPG image (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif|"
              "Windows Bitmap (*.bmp,*.dib)|*.bmp;*.dib|GIF image (*.gif)|*.gif|PNG image (*.png)|*.png|"
              "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafile (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf||");
    EXPECT_EQ(OpenFilter(),
              "Only image files|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif;*.bmp;*.dib;*.gif;*.png;*.tif;*.tiff;*.wmf;*.pxf|"
              "Pixadrome contact sheets (*.pxc)|*.pxc|All files (*.*)|*.*|"
              "JPG images (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif|"
              "Windows Bitmaps (*.bmp,*.dib)|*.bmp;*.dib|GIF images (*.gif)|*.gif|PNG images (*.png)|*.png|"
              "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafiles (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf||");
}

// How hints change a loaded size before loading: JPEG decodes at a reduced
// scale, rounding up; metafiles are drawn at the hints, so it cannot be
// told; the other readers ignore hints.
TEST(FormatList, HintedSizesFollowEachFormatsRule)
{
    struct Case {
        const char* path;
        uint32_t w, h, hintW, hintH;
        bool told;
        uint32_t wantW, wantH;
    } cases[] = {
        {"a.jpg", 4001, 3000, 500, 375, true, 501, 375},
        {"a.JPEG", 4000, 3000, 0, 0, true, 4000, 3000},
        {"a.wmf", 400, 300, 100, 75, false, 400, 300},
        {"a.png", 4000, 3000, 500, 375, true, 4000, 3000},
        {"a.xyz", 4000, 3000, 500, 375, false, 4000, 3000},
    };
    for (const Case& c : cases) {
        uint32_t w = c.w, h = c.h;
        EXPECT_EQ(HintedImageSize(c.path, w, h, c.hintW, c.hintH), c.told) << c.path;
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.wantW, c.wantH)) << c.path;
    }
}

}  // namespace
}  // namespace pix
