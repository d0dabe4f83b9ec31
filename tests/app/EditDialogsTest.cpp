#include <QCheckBox>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QSlider>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "imageui/CPixadromeDoc.h"
#include "common/Progress.h"
#include "imageui/CColorReductionDlg.h"
#include "imageui/CColorSettingsDlg.h"
#include "imageui/CMosaicDlg.h"
#include "imageui/CPixadromePrintDlg.h"
#include "imageui/CResizeDlg.h"
#include "imageui/ImagePrinting.h"

namespace pix::test {
namespace {

TEST(ResizeDialog, AspectRuleFollowsTypingAndTheCheckBox)
{
    RecordingPrompter prompter;
    CResizeDlg dlg(400, 300, 1024, 768, prompter);
    EXPECT_TRUE(dlg.MaintainAspect());
    EXPECT_EQ(dlg.NewWidth(), 400);
    EXPECT_EQ(dlg.Scale(), 800);
    dlg.TypeWidth(200);
    EXPECT_EQ(dlg.NewHeight(), 150);
    dlg.TypeHeight(100);
    EXPECT_EQ(dlg.NewWidth(), 133);
    dlg.SetMaintainAspect(false);
    dlg.TypeWidth(500);
    EXPECT_EQ(dlg.NewHeight(), 100);
    dlg.SetMaintainAspect(true);  // wider than high: the height follows
    EXPECT_EQ(dlg.NewHeight(), 375);

    CResizeDlg none(0, 0, 1024, 768, prompter);  // no source picture
    EXPECT_FALSE(none.MaintainAspect());
    EXPECT_EQ(none.NewWidth(), 1024);
    EXPECT_EQ(none.NewHeight(), 768);

    // OK refuses sizes outside the range.
    none.TypeWidth(0);
    none.accept();
    EXPECT_EQ(none.result(), QDialog::Rejected);
    EXPECT_EQ(prompter.texts, std::vector<std::string>{"Please enter an integer between 1 and 8000."});
    none.TypeWidth(8000);
    none.accept();
    EXPECT_EQ(none.result(), QDialog::Accepted);
}

TEST(ResizeDialog, PreviewPressesSetSizesAndStandardBands)
{
    RecordingPrompter prompter;
    CResizeDlg dlg(0, 0, 1000, 500, prompter);
    ASSERT_EQ(dlg.Scale(), 2000);
    const QSize frame(400, 200);
    dlg.PressInPreview(QPoint(100, 50), frame);  // 100·2000/400 = 500, 50·2000/200 = 500
    EXPECT_EQ(dlg.NewWidth(), 500);
    EXPECT_EQ(dlg.NewHeight(), 500);
    dlg.PressInPreview(QPoint(5000, 5000), frame);  // dragged far past the frame
    EXPECT_EQ(dlg.NewWidth(), 8000);
    EXPECT_EQ(dlg.NewHeight(), 8000);
    // The left eighth (x < 50) picks by the height: 70·2000/200 = 700 -> 800 x 600.
    dlg.PressInPreview(QPoint(10, 70), frame);
    EXPECT_EQ(dlg.NewWidth(), 800);
    EXPECT_EQ(dlg.NewHeight(), 600);
    dlg.PressInPreview(QPoint(10, 47), frame);  // 470: below 480
    EXPECT_EQ(dlg.NewWidth(), 320);
    dlg.PressInPreview(QPoint(10, 199), frame);  // 1990: 1024 and more
    EXPECT_EQ(dlg.NewWidth(), 1280);
    dlg.RecomputeScale();
    EXPECT_EQ(dlg.Scale(), 2560);
}

TEST(ColorSettingsDialog, SlidersPreviewLiveAndCancelRestoresExactly)
{
    TempDir dir;
    RunningApp app;
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePattern(dir, "c.bmp", 20, 10))));
    CPixadromeDoc& doc = view->Document();
    const CImageBuffer original = doc.Image();
    {
        CColorSettingsDlg dlg(doc);
        dlg.Slider(1)->setValue(256);  // contrast at the bottom: inverted
        uint8_t r, g, b, r0, g0, b0;
        doc.Image().GetPixel(3, 4, r, g, b);
        original.GetPixel(3, 4, r0, g0, b0);
        EXPECT_EQ(r, 256 - r0 > 255 ? 255 : 256 - r0);
        dlg.Slider(5)->setValue(-256);
        dlg.Reset(5);
        dlg.reject();
    }
    EXPECT_TRUE(SamePixels(doc.Image(), original));
    EXPECT_FALSE(doc.IsModified());

    CColorSettingsDlg ok(doc);
    ok.Slider(0)->setValue(-100);
    ok.accept();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(SamePixels(doc.Image(), original));
}

TEST(ImageView, OperationsMarkTheDocumentAndTheStatusFollows)
{
    TempDir dir;
    RunningApp app;
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePattern(dir, "r.bmp", 40, 30))));
    CPixadromeDoc& doc = view->Document();
    view->ApplyResize(20, 15);
    EXPECT_EQ(doc.Width(), 20);
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("20 x 15:16 Mio"));
    EXPECT_TRUE(doc.IsModified());
    view->OnRotateRight();
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("15 x 20:16 Mio"));
    view->OnUndo();
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("40 x 30:16 Mio"));
    EXPECT_FALSE(doc.IsModified());
    view->OnEnhance();
    EXPECT_TRUE(doc.IsModified());

    view->OnUndo();
    ReduceOptions o;
    o.colors = 16;
    ASSERT_TRUE(view->ApplyColorReduction(o));
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("40 x 30:16 col"));
    EXPECT_TRUE(doc.IsModified());

    view->OnUndo();
    MosaicSettings s;
    s.rows = 2;
    s.columns = 2;
    NullProgress progress;
    doc.MakePhotoMosaic(s, {{WritePattern(dir, "s.bmp", 50, 50), MosaicSourceKind::Reusable}}, progress);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.Width(), 40);
}

TEST(ColorReductionDialog, SpinArrowsJumpByPowersOfTwoAndPreserveDisablesThePreference)
{
    EXPECT_EQ(PowerOfTwoSpinBox::StepUp(100), 128);
    EXPECT_EQ(PowerOfTwoSpinBox::StepDown(100), 64);
    EXPECT_EQ(PowerOfTwoSpinBox::StepUp(256), 256);
    EXPECT_EQ(PowerOfTwoSpinBox::StepUp(128), 256);
    EXPECT_EQ(PowerOfTwoSpinBox::StepUp(0), 2);
    EXPECT_EQ(PowerOfTwoSpinBox::StepDown(2), 2);
    EXPECT_EQ(PowerOfTwoSpinBox::StepDown(3), 2);

    RecordingPrompter prompter;
    CColorReductionDlg dlg(prompter);
    EXPECT_EQ(dlg.Colors()->value(), 256);
    dlg.Colors()->setValue(100);
    dlg.Colors()->stepUp();
    EXPECT_EQ(dlg.Colors()->value(), 128);
    EXPECT_TRUE(dlg.PreferenceEnabled());
    dlg.Preserve()->setChecked(true);
    EXPECT_FALSE(dlg.PreferenceEnabled());
    EXPECT_TRUE(dlg.Options().preserve);
    EXPECT_TRUE(dlg.Options().dither);

    dlg.Colors()->setValue(300);
    dlg.accept();
    EXPECT_EQ(prompter.texts, std::vector<std::string>{"Please enter an integer between 2 and 256."});
}

TEST(Printing, PicturesAreFittedAndCentredByWholeNumbers)
{
    // A landscape picture on a portrait page: full printable width,
    // centred vertically.
    const QRect page(0, 0, 1000, 1400);
    EXPECT_EQ(FitOnPage(400, 300, page), QRect(0, 324, 1000, 750));  // (1399 - 750) / 2
    // A tall picture: full height, centred horizontally, h·W/H rounded down.
    EXPECT_EQ(FitOnPage(300, 900, page), QRect(266, 0, 466, 1400));
}

TEST(Printing, APdfPageHoldsThePictureAndQualitySurvivesInTheSettings)
{
    TempDir dir;
    RunningApp app;
    // Red on the left half, blue on the right.
    CImageBuffer blocks = SolidPicture(40, 20, 255, 0, 0);
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 20; x < 40; ++x)
            blocks.SetPixel(x, y, 0, 0, 255);
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePicture(dir, "p.bmp", blocks))));
    for (bool high : {false, true}) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setResolution(150);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = Q(dir.File(high ? "high.pdf" : "normal.pdf"));
        printer.setOutputFileName(pdf);
        view->PrintTo(printer, high, false);
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(5).startsWith("%PDF"));
        EXPECT_GT(f.size(), 500);
    }

    // The same drawing on an image page shows the picture centred.
    QImage page(300, 400, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    PrintImagePage(view->Document().Image(), painter, QRect(0, 0, 300, 400), true, false);
    painter.end();
    EXPECT_EQ(QColor(page.pixel(50, 200)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(page.pixel(250, 200)), QColor(0, 0, 255));
    EXPECT_EQ(QColor(page.pixel(150, 10)), QColor(Qt::white));

    QPrinter printer;
    {
        CPixadromePrintDlg dlg(&printer, app.settings);
        EXPECT_FALSE(dlg.HighQuality());
        dlg.SetHighQuality(true);
        dlg.accept();
    }
    EXPECT_EQ(app.settings.GetInt("Settings", "PrintQuality", 0), 1);
    CPixadromePrintDlg again(&printer, app.settings);
    EXPECT_TRUE(again.HighQuality());
}


TEST(MosaicDialog, ChecksTheSourcesAndShowsTheCounts)
{
    RecordingPrompter prompter;
    ScriptedFileChooser files;
    CMosaicDlg dlg(640, 480, prompter, files);
    dlg.accept();
    EXPECT_EQ(prompter.texts.back(), "You must provide at least one source image.");
    dlg.SetGrid(4, 4, 3);
    dlg.AddFiles(MosaicSourceKind::Chopped, {"/a.bmp", "/b.bmp"});
    dlg.AddFiles(MosaicSourceKind::AsIs, {"/c.bmp"});
    EXPECT_EQ(dlg.InfoText(), QStringLiteral("Tile height: 120  Tile width: 160|Real sources: 3  Virtual sources: 7"));
    dlg.accept();  // 16 tiles > 3 · 2 + 1 clips
    EXPECT_EQ(prompter.texts.back(), "You need more source images to cover this number of rows and columns.");
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    dlg.AddFiles(MosaicSourceKind::Reusable, {"/d.bmp"});
    const auto sources = dlg.Sources();
    ASSERT_EQ(sources.size(), 4u);
    EXPECT_EQ(sources[0].kind, MosaicSourceKind::AsIs);  // as-is, chopped, reusable
    EXPECT_EQ(sources[3].kind, MosaicSourceKind::Reusable);
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace pix::test
