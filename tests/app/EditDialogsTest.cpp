#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/CAssociationsDlg.h"
#include "app/CJpegDialog.h"
#include "uiservices/CProgressDlg.h"
#include "imageui/CPixadromeDoc.h"
#include "imageui/CColorReductionDlg.h"
#include "imageui/CColorSettingsDlg.h"
#include "imageui/CMosaicDlg.h"
#include "uiservices/CPixadromePrintDlg.h"
#include "uiservices/CResizeDlg.h"
#include "imageui/ImagePrinting.h"

namespace pix::test {
namespace {

using ImageView = AppTest;
using Printing = AppTest;

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
    // Left of the first eighth (x < 50) a press picks the standard size by
    // the height: y·2000/200 = 700 -> 800 x 600, 470 (below 480) -> 320 x 200,
    // 1990 (1024 and more) -> 1280 x 1024. Elsewhere x·2000/400, y·2000/200,
    // up to 8000 when dragged far past the frame.
    const struct {
        QPoint at;
        int w, h;
    } rows[] = {{{100, 50}, 500, 500}, {{5000, 5000}, 8000, 8000}, {{10, 70}, 800, 600}, {{10, 47}, 320, 200},
                {{10, 199}, 1280, 1024}};
    for (const auto& row : rows) {
        dlg.PressInPreview(row.at, QSize(400, 200));
        EXPECT_EQ(QSize(dlg.NewWidth(), dlg.NewHeight()), QSize(row.w, row.h)) << row.at.x() << "," << row.at.y();
    }
    dlg.RecomputeScale();
    EXPECT_EQ(dlg.Scale(), 2560);
}

// Rotate, correct the colours, resize; then Ctrl+Alt+Z twice gives the
// rotated picture bit for bit, Ctrl+Shift+Z the corrected one again, and a
// new edit after a step back ends the steps forward. Ctrl+Z reloads the
// file and forgets the steps.
TEST_F(ImageView, StepsBackAndForwardWalkTheEditsByTheirKeysAndUndoReloadsTheFile)
{
    ASSERT_TRUE(app.ShowActive());
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePattern(dir, "s.bmp", 40, 30))));
    ASSERT_NE(view, nullptr);
    view->setFocus();
    CPixadromeDoc& doc = view->Document();
    const CImageBuffer original = doc.Image();
    {
        // The colour sliders show their effect at once; Cancel restores the
        // picture exactly and leaves no step.
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
    EXPECT_FALSE(view->CanUndo());
    view->OnRotateRight();
    const CImageBuffer rotated = doc.Image();
    CColorSettingsDlg correction(doc);
    correction.Slider(0)->setValue(-100);
    correction.accept();
    const CImageBuffer corrected = doc.Image();
    view->ApplyResize(12, 16);
    const auto key = [&](QKeyCombination combination) {
        QTest::keyClick(view, combination.key(), combination.keyboardModifiers());
    };
    key(Qt::CTRL | Qt::ALT | Qt::Key_Z);
    EXPECT_TRUE(SamePixels(doc.Image(), corrected));
    key(Qt::CTRL | Qt::ALT | Qt::Key_Z);
    EXPECT_TRUE(SamePixels(doc.Image(), rotated));
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("30 x 40:16 Mio"));
    // Back at the picture of the file there is nothing to save.
    key(Qt::CTRL | Qt::ALT | Qt::Key_Z);
    EXPECT_FALSE(doc.IsModified());
    key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_TRUE(doc.IsModified());
    key(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_TRUE(SamePixels(doc.Image(), corrected));
    doc.OnFlipVertical();
    EXPECT_FALSE(app.Main().Action("stepForward")->isEnabled());
    key(Qt::CTRL | Qt::ALT | Qt::Key_Z);
    EXPECT_TRUE(SamePixels(doc.Image(), corrected));

    key(Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(SamePixels(doc.Image(), original));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("40 x 30:16 Mio"));
    EXPECT_FALSE(app.Main().Action("stepBack")->isEnabled());
    EXPECT_FALSE(app.Main().Action("stepForward")->isEnabled());
    // A picture of few colours tells their number.
    ReduceOptions sixteen;
    sixteen.colors = 16;
    ASSERT_TRUE(view->ApplyColorReduction(sixteen));
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("40 x 30:16 col"));
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

TEST_F(Printing, PicturesAreFittedAndCentredAndQualitySurvivesInTheSettings)
{
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

    // A landscape picture on a portrait page: full printable width,
    // centred vertically.
    const QRect portrait(0, 0, 1000, 1400);
    EXPECT_EQ(FitOnPage(400, 300, portrait), QRect(0, 324, 1000, 750));  // (1399 - 750) / 2
    // A tall picture: full height, centred horizontally, h·W/H rounded down.
    EXPECT_EQ(FitOnPage(300, 900, portrait), QRect(266, 0, 466, 1400));
    // Drawn on an image page, the picture shows centred.
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
    // A PDF file stays among the printers.
    again.show();
    QStringList printers;
    if (auto* box = again.findChild<QComboBox*>(QStringLiteral("printers")))
        for (int i = 0; i < box->count(); ++i)
            printers << box->itemText(i);
    EXPECT_TRUE(printers.contains(QStringLiteral("Print to File (PDF)"))) << printers.join(',').toStdString();
}


TEST(MosaicDialog, ChecksTheSourcesAndShowsTheCounts)
{
    RecordingPrompter prompter;
    ScriptedFileChooser files;
    CMosaicDlg dlg(640, 480, prompter, files);
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

TEST(JpegDialog, ShowsQualityAndSizeOkWritesExactlyTheShownFileAPreviewPansAndCancelWritesNothing)
{
    TempDir dir;
    RecordingPrompter prompter;
    const CImageBuffer picture = Gradient(200, 150);
    const QString target = Q(dir.File("out.jpg"));
    CJpegDialog dialog(&picture, target, 75, prompter);
    EXPECT_EQ(dialog.QualityText(), QStringLiteral("75%"));
    const QString temp = dialog.TemporaryPath();
    ASSERT_TRUE(QFileInfo(temp).fileName().startsWith(QStringLiteral("pxc")));
    EXPECT_EQ(dialog.SizeText(), QStringLiteral("%1 byte").arg(QFileInfo(temp).size()));
    EXPECT_EQ(dialog.Preview().Width(), 200u);

    // Slider position 100 is quality 0, position 0 quality 100.
    dialog.SetSliderPosition(100);
    EXPECT_EQ(dialog.Quality(), 0);
    const qint64 smallest = QFileInfo(temp).size();
    dialog.SetSliderPosition(0);
    EXPECT_EQ(dialog.QualityText(), QStringLiteral("100%"));
    EXPECT_GT(QFileInfo(temp).size(), smallest);
    dialog.SetSliderPosition(40);
    const QByteArray shown = [&] {
        QFile f(temp);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    dialog.accept();
    QFile written(target);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), shown);
    EXPECT_FALSE(QFileInfo::exists(temp));
    EXPECT_TRUE(prompter.texts.empty());

    // A preview larger than its frame pans by dragging, as far as its
    // edges; Cancel leaves the target as it was and removes the temporary
    // file.
    WriteAll(dir.File("keep.jpg"), {1, 2, 3});
    const CImageBuffer large = Gradient(900, 700);
    CJpegDialog cancelled(&large, Q(dir.File("keep.jpg")), 75, prompter);
    ASSERT_TRUE(QFileInfo::exists(cancelled.TemporaryPath()));
    cancelled.show();
    QWidget* frame = nullptr;
    for (QWidget* w : cancelled.findChildren<QWidget*>())
        if (w->minimumWidth() == 320 && w->minimumHeight() == 240)
            frame = w;
    ASSERT_NE(frame, nullptr);
    QTest::mousePress(frame, Qt::LeftButton, Qt::NoModifier, QPoint(200, 200));
    MoveWith(frame, Qt::LeftButton, QPoint(100, 150));
    EXPECT_EQ(cancelled.PanOffset(), QPoint(100, 50));
    MoveWith(frame, Qt::LeftButton, QPoint(-5000, -5000));
    EXPECT_EQ(cancelled.PanOffset(), QPoint(900 - frame->width(), 700 - frame->height()));
    cancelled.reject();
    EXPECT_FALSE(QFileInfo::exists(cancelled.TemporaryPath()));
    EXPECT_EQ(ReadAll(dir.File("keep.jpg")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(AssociationsDialog, ABoxTicksItsTypeAndOnlyOkWrites)
{
    TempDir dir;
    XdgFolders xdg;  // nothing installed: claims fail
    xdg.configHome = Q(dir.File("config"));
    MemorySettingsStore settings;
    FileAssociations associations(settings, xdg);
    RecordingPrompter prompter;
    for (bool ok : {false, true}) {
        CAssociationsDlg dialog(associations, prompter);
        QTreeWidgetItem* jpe = dialog.List()->topLevelItem(1);
        EXPECT_EQ(jpe->text(1), QStringLiteral("jpe file"));
        dialog.List()->topLevelItem(0)->setCheckState(0, Qt::Checked);
        EXPECT_EQ(jpe->checkState(0), Qt::Checked);
        EXPECT_EQ(jpe->text(1), QStringLiteral("Image (Pixadrome)"));
        ok ? dialog.accept() : dialog.reject();
        EXPECT_EQ(prompter.texts, ok ? std::vector<std::string>{"ERROR create"} : std::vector<std::string>{});
    }
}

// While an operation runs, input to the other windows waits and the
// minimised main window's title shows the percent; Esc or the window's own
// Cancel button stops the work.
TEST(ProgressDlg, TitleShowsThePercentInputToOtherWindowsWaitsAndEscOrCancelStops)
{
    QMainWindow main;
    main.setWindowTitle(QStringLiteral("Pixadrome - photos"));
    main.show();
    auto* button = new QPushButton(QStringLiteral("Other"), &main);
    main.setCentralWidget(button);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    {
        CProgressDlg dlg(&main);
        dlg.SetRange(0, 9);
        main.showMinimized();
        EXPECT_TRUE(dlg.Step("Loading a.bmp", 4));
        EXPECT_EQ(main.windowTitle(), QStringLiteral("Pixadrome 50%"));
        EXPECT_TRUE(CProgressDlg::OperationRunning());
        // Closing the main window is refused while the operation runs.
        EXPECT_FALSE(main.close());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        EXPECT_FALSE(dlg.Pump());
        EXPECT_FALSE(dlg.Step("Loading b.bmp", 5));
        const auto buttons = dlg.findChildren<QPushButton*>();
        ASSERT_EQ(buttons.size(), 2);
        for (QPushButton* b : buttons)
            EXPECT_FALSE(b->isEnabled());
    }
    EXPECT_FALSE(CProgressDlg::OperationRunning());
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Pixadrome - photos"));
    EXPECT_FALSE(main.isMinimized());
    {
        CProgressDlg dlg(&main);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(dlg.Pump());
        EXPECT_EQ(clicks, 0);
        QPushButton* cancel = nullptr;
        for (QPushButton* b : dlg.findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("Cancel"))
                cancel = b;
        ASSERT_NE(cancel, nullptr);
        // Through the window, as the window system delivers a click.
        QTest::mouseClick(dlg.windowHandle(), Qt::LeftButton, Qt::NoModifier,
                          cancel->mapTo(&dlg, cancel->rect().center()));
        EXPECT_FALSE(dlg.Pump());
        EXPECT_FALSE(cancel->isEnabled());
    }
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace pix::test
