#include "render/FormatList.h"

#include <gtest/gtest.h>

#include <tuple>

#include "image/FormatTable.h"
#include "image/HeifCodec.h"

namespace pix {
namespace {

// The dialogs' filter strings, generated from the rows, in the order stored
// filter indexes rely on (a new format would go last).
TEST(FormatList, TheDialogsListEveryFormatInTheirOrderAndHintsFollowEachRule)
{
    EXPECT_EQ(SaveImageFilter(),
              "JPG image (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif|"
              "Windows Bitmap (*.bmp,*.dib)|*.bmp;*.dib|GIF image (*.gif)|*.gif|PNG image (*.png)|*.png|"
              "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafile (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf|"
              "WebP image (*.webp)|*.webp|AVIF image (*.avif)|*.avif||");
    // HEIF is offered only where libheif can decode HEVC.
    const bool heif = HeifDecoderPresent();
    EXPECT_EQ(OpenFilter(),
              std::string("Only image files|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif;*.bmp;*.dib;*.gif;*.png;*.tif;*.tiff;"
                          "*.wmf;*.pxf;*.webp;*.avif;") +
                  (heif ? "*.heic;*.heif;" : "") +
                  "*.jxl|Pixadrome contact sheets (*.pxc)|*.pxc|All files (*.*)|*.*|"
                  "JPG images (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif|"
                  "Windows Bitmaps (*.bmp,*.dib)|*.bmp;*.dib|GIF images (*.gif)|*.gif|PNG images (*.png)|*.png|"
                  "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafiles (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf|"
                  "WebP images (*.webp)|*.webp|AVIF images (*.avif)|*.avif|" +
                  (heif ? "HEIF images (*.heic, *.heif)|*.heic;*.heif|" : "") + "JPEG XL images (*.jxl)|*.jxl||");

    // How hints change a loaded size before loading: JPEG decodes at a
    // reduced scale, rounding up; WebP decodes at the fit, rounding up;
    // metafiles are drawn at the hints and HEIF files may hold a smaller
    // picture for them, so it cannot be told; the other readers ignore hints.
    const std::tuple<const char*, bool, uint32_t, uint32_t> cases[] = {
        {"a.jpg", true, 501, 375},       {"a.webp", true, 500, 375},     {"a.wmf", false, 4001, 3000},
        {"a.heic", false, 4001, 3000},  {"a.png", true, 4001, 3000},    {"a.avif", true, 4001, 3000}};
    for (auto [path, told, wantW, wantH] : cases) {
        uint32_t w = 4001, h = 3000;
        EXPECT_EQ(HintedImageSize(path, w, h, 500, 375), told) << path;
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(wantW, wantH)) << path;
    }
}

}  // namespace
}  // namespace pix
