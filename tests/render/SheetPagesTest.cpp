#include <gtest/gtest.h>

#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "image/CImageBuffer.h"
#include "render/SheetPages.h"
#include "sheets/ThumbnailSheet.h"
#include "sheets/SheetTestSupport.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

// A sheet of one red 100 × 100 picture n times, plain page: no margins, texts or
// gradients, no effect.
struct Fixture {
    test::TempDir dir;
    ThumbnailSheet sheet;
    explicit Fixture(int n)
    {
        const std::string red = test::WriteSolidPicture(dir.File("red.bmp"), 100, 100, 255, 0, 0);
        sheet = test::SheetOf(std::vector<std::string>(static_cast<size_t>(n), red));
        CThumbnailSettings& f = sheet.Settings();
        f.title.clear();
        f.footer.clear();
        f.label.clear();
        f.bgH = f.bgV = 0;
        f.fx = "None";
    }
};

// Red, green, blue of the top-left based pixel.
std::array<int, 3> At(const CImageBuffer& page, uint32_t x, uint32_t y)
{
    uint8_t r, g, b;
    page.GetPixel(x, page.Height() - 1 - y, r, g, b);
    return {r, g, b};
}
constexpr std::array<int, 3> kRed{255, 0, 0};
constexpr std::array<int, 3> kBackground{0x00, 0x80, 0x60};

TEST(SheetPages, ItemsSitInTheirCells)
{
    Fixture fx(12);
    PageRequest request{1000, 800, 96, 1, 0, 0, 0, "sheet"};
    const CImageBuffer page = RenderPage(fx.sheet, request);
    ASSERT_EQ(page.Width(), 1000u);
    // 250-pixel cells from y = 25; the box of 230 is centred: x 10..239, y
    // 35..264. The twelfth cell's picture, and the background above the grid.
    for (auto [x, y, rgb] : {std::tuple{10u, 35u, kRed}, {239u, 264u, kRed}, {9u, 35u, kBackground},
                             {240u, 264u, kBackground}, {760u, 535u, kRed}, {500u, 10u, kBackground}})
        EXPECT_EQ(At(page, x, y), rgb) << x << "," << y;

    // A two-line title pushes the grid down and shrinks it to stay on the
    // page.
    fx.sheet.Settings().title = "One\r\nTwo";
    fx.sheet.Settings().fx = "Shadow";
    const CImageBuffer titled = RenderPage(fx.sheet, request);
    uint32_t firstRed = 0;
    while (firstRed < 800 && At(titled, 125, firstRed) != kRed)
        ++firstRed;
    EXPECT_GT(firstRed, 35u);
    EXPECT_LT(firstRed, 800u);
    EXPECT_EQ(At(titled, 125, 799), kBackground);
}

TEST(SheetPages, PagesOfARowsByColumnsGrid)
{
    Fixture fx(14);
    CThumbnailSettings& f = fx.sheet.Settings();
    f.rows = 2;
    f.cols = 3;
    EXPECT_EQ(SheetItemsPerPage(fx.sheet), 6);
    EXPECT_EQ(SheetPageCount(fx.sheet), 3);
    f.footer = "[PageNo]/[PagesTotal]";

    // The last page holds two items: the first row only.
    PageRequest request{600, 400, 96, 3, 0, 2, 3, "sheet"};
    const CImageBuffer last = RenderPage(fx.sheet, request);
    EXPECT_EQ(At(last, 100, 100), kRed);
    EXPECT_EQ(At(last, 300, 100), kRed);
    EXPECT_EQ(At(last, 500, 100), kBackground);

    // Printed: one PDF page per sheet page. (Saved as numbered page
    // pictures: the command line's and the save dialog's tests.)
    test::RecordingProgress progress;
    const QString pdf = QString::fromStdString(fx.dir.File("sheet.pdf"));
    {
        QPdfWriter writer(pdf);
        writer.setResolution(150);
        ASSERT_TRUE(PrintSheet(writer, fx.sheet, "sheet", 1, 3, false, progress));
    }
    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (pdfinfo.isEmpty())
        GTEST_SKIP() << "pdfinfo is not installed";
    QProcess info;
    info.start(pdfinfo, {pdf});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QByteArray out = info.readAllStandardOutput();
    EXPECT_TRUE(QString::fromUtf8(out).contains(QRegularExpression(QStringLiteral("Pages:\\s+3\\n"))))
        << out.toStdString();
}

TEST(SheetPages, ALabelHigherThanItsCellStaysInIt)
{
    Fixture fx(3);  // three cells in a column, only the middle one labelled
    fx.sheet.Settings().label = "[Label]";
    for (uint32_t item : {0u, 1u, 2u})  // capitals reach the top of their line
        fx.sheet.SetLabel(item, item == 1 ? QStringLiteral("\u00C5\u00C9 ").repeated(300).toStdString() : "");
    const CImageBuffer page = RenderPage(fx.sheet, {100, 360, 96, 1, 0, 3, 1, "sheet"});
    int inside = 0, outside = 0;  // pixels neither background nor picture
    for (uint32_t y = 0; y < page.Height(); ++y)
        for (uint32_t x = 0; x < page.Width(); ++x)
            if (At(page, x, y) != kBackground && At(page, x, y) != kRed)
                ++(y >= 120 && y < 240 ? inside : outside);
    EXPECT_GT(inside, 0);
    EXPECT_EQ(outside, 0);
}

TEST(SheetPages, BackgroundPicture)
{
    Fixture fx(1);
    CThumbnailSettings& f = fx.sheet.Settings();
    f.bgI = 1;
    f.bgImg = fx.dir.File("missing.bmp");
    f.bgImgPlc = CThumbnailSettings::kPlaceScaleToFit;
    f.bgImgOpacity = 256;
    PageRequest request{200, 100, 96, 1, 0, 0, 0, "sheet"};
    // Unreadable: ignored, the colour stays.
    EXPECT_EQ(At(RenderPage(fx.sheet, request), 1, 1), kBackground);
    test::WriteSolidPicture(fx.dir.File("blue.bmp"), 7, 5, 0, 0, 255);
    f.bgImg = fx.dir.File("blue.bmp");
    EXPECT_EQ(At(RenderPage(fx.sheet, request), 1, 1), (std::array<int, 3>{0, 0, 255}));
}

}  // namespace
}  // namespace pix
