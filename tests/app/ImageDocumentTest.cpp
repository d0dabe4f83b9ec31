#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/CJpegDialog.h"
#include "image/CodecTestHelpers.h"
#include "image/JpegCodec.h"
#include "imageui/CPixadromeDoc.h"
#include "image/PackedDib.h"
#include "imageui/ZoomRules.h"
#include "render/ImageConversion.h"
#include "support/DibFiles.h"

namespace pix::test {
namespace {

using ImageDocument = AppTest;
using ImageView = AppTest;

TEST_F(ImageDocument, OpeningABitmapMakesOneWindowAndFileCommandsNeedAndFollowTheFile)
{
    EXPECT_EQ(app.WindowCount(), 0);  // nothing opens without a path
    const std::string path = WritePattern(dir, "photo.bmp", 64, 48);
    CChildFrame* frame = app.app->OpenPath(Q(path));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(app.WindowCount(), 1);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("photo.bmp 1:1"));
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("64 x 48:16 Mio"));
    // Opening the same file again activates the open window.
    EXPECT_EQ(app.app->OpenPath(Q(path)), frame);
    EXPECT_EQ(app.WindowCount(), 1);

    // An unreadable file opens no window.
    WriteAll(dir.File("broken.bmp"), {'B', 'M', 0, 0});
    EXPECT_EQ(app.app->OpenPath(Q(dir.File("broken.bmp"))), nullptr);
    EXPECT_EQ(app.WindowCount(), 1);
    EXPECT_EQ(app.prompter.texts.size(), 1u);  // told why, one way or the other

    const char* commands[] = {"copyFile", "moveFile", "deleteFile"};
    app.Main().UpdateActions();
    for (const char* name : commands)
        EXPECT_TRUE(app.Main().Action(name)->isEnabled()) << name;
    // Gone behind the window's back: nothing to copy, move or delete.
    std::filesystem::remove(path);
    app.Main().UpdateActions();
    for (const char* name : commands)
        EXPECT_FALSE(app.Main().Action(name)->isEnabled()) << name;

    // Copy, move and delete follow the file.
    WritePattern(dir, "photo.bmp", 64, 48);
    CPixadromeDoc& doc = app.ViewOf(frame)->Document();
    app.files.saves.push_back(Q(dir.File("copy.bmp")));
    doc.OnCopy();
    EXPECT_TRUE(QFileInfo::exists(Q(path)));
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("copy.bmp"))));
    EXPECT_EQ(doc.PathName(), Q(dir.File("copy.bmp")));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("copy.bmp 1:1"));

    // Moving onto an existing file asks; "No" leaves everything in place.
    // (The answers are handed out by the count of messages: the one about
    // the unreadable file, this question, then the one to delete.)
    app.files.saves.push_back(Q(path));
    app.prompter.script = {Answer::Ok, Answer::No, Answer::Yes};
    doc.OnMove();
    EXPECT_EQ(app.prompter.texts.back(), path + " already exists.\nDo you want to replace it?");
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("copy.bmp"))));
    EXPECT_EQ(doc.PathName(), Q(dir.File("copy.bmp")));

    app.files.saves.push_back(Q(dir.File("moved.bmp")));
    doc.OnMove();
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("copy.bmp"))));
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("moved.bmp"))));
    EXPECT_EQ(doc.PathName(), Q(dir.File("moved.bmp")));
    EXPECT_EQ(app.files.titles.back(), QStringLiteral("Move: Choose new directory or new name"));

    // Delete moves the file to the trash and closes the window.
    doc.OnDelete();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("moved.bmp"))));
    const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files/moved.bmp");
    EXPECT_TRUE(QFileInfo::exists(trash)) << trash.toStdString();
    EXPECT_EQ(app.WindowCount(), 0);
}

TEST_F(ImageDocument, SaveAsWritesTheFileAndOpensItInANewWindow)
{
    CChildFrame* frame = app.app->OpenPath(Q(WritePattern(dir, "a.bmp", 10, 6)));
    CPixadromeDoc& doc = app.ViewOf(frame)->Document();
    doc.OnFlipVertical();
    app.files.saves.push_back(Q(dir.File("out/b.bmp")));
    QDir(Q(dir.Path().string())).mkdir(QStringLiteral("out"));
    EXPECT_TRUE(doc.OnSaveAs());
    EXPECT_EQ(app.WindowCount(), 2);
    EXPECT_TRUE(doc.IsModified());  // saved elsewhere: still modified
    EXPECT_EQ(doc.PathName(), Q(dir.File("a.bmp")));
    CImageBuffer written;
    written.Load(dir.File("out/b.bmp"));
    EXPECT_TRUE(SamePixels(written, doc.Image()));
    EXPECT_EQ(app.settings.GetString("State", "DestDir", ""), dir.File("out"));

    // Saving under its own name clears the flag and shows the file as
    // written, in a new window beside the one that shows it already.
    app.files.saves.push_back(Q(dir.File("a.bmp")));
    EXPECT_TRUE(doc.OnSaveAs());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(app.WindowCount(), 3);

    // A JPEG name goes through the compression dialog, which writes it.
    QStringList asked;
    app.app->SetJpegSaver([&](const CImageBuffer& image, const QString& path) {
        asked << path;
        return WriteJpeg(image, path.toStdString(), 75).Report(app.prompter);
    });
    app.files.saves.push_back(Q(dir.File("a.jpg")));
    EXPECT_TRUE(doc.OnSaveAs());
    EXPECT_EQ(asked, QStringList{Q(dir.File("a.jpg"))});
    EXPECT_EQ(app.WindowCount(), 4);
}

// A save over the picture's own file that fails (here the disk fills up)
// says why, leaves the file as it was and keeps the edits: the window
// stays open, still modified. (The other writers on a full disk: the
// format table's tests.)
TEST_F(ImageDocument, AFailedSaveSaysWhyKeepsTheFileAndTheEdits)
{
    app.app->SetJpegSaver([&](const CImageBuffer& image, const QString& path) {
        CJpegDialog dialog(&image, path, kDefaultJpegQuality, app.prompter);
        dialog.accept();
        return dialog.Written();
    });
    const struct {
        const char* name;
        MsgId why;
    } rows[] = {{"a.wmf", MsgId::ImageWriteFailed}, {"a.gif", MsgId::GifWriteError}, {"a.jpg", MsgId::JpegCopyFailed}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = WritePicture(dir, row.name, Noise(300, 200, 3));
        const std::vector<uint8_t> before = ReadAll(path);
        CChildFrame* frame = app.app->OpenPath(Q(path));
        ASSERT_NE(frame, nullptr);
        CPixadromeDoc& doc = app.ViewOf(frame)->Document();
        doc.OnFlipVertical();
        app.prompter = RecordingPrompter();
        app.prompter.script = {Answer::Yes};  // save the changes
        const int windows = app.WindowCount();
        {
            FileSizeLimit full(2048);
            EXPECT_FALSE(frame->close());
        }
        // The question, then why (the JPEG dialog also says its preview
        // could not be written).
        ASSERT_GE(app.prompter.ids.size(), 2u);
        EXPECT_EQ(app.prompter.ids.front(), MsgId::SaveChanges);
        EXPECT_EQ(app.prompter.ids.back(), row.why);
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(ReadAll(path), before);
        EXPECT_EQ(app.WindowCount(), windows);
        doc.SetModifiedFlag(false);
        frame->close();
    }
}

TEST_F(ImageDocument, PasteMakesAnUntitledPictureOfTheBitmapOnTheClipboard)
{
    // 2 x 1 at 24 bits, blue, green and red of each pixel.
    const std::vector<uint8_t> bmp = Dib{.width = 2, .pixels = {7, 0, 248, 200, 0, 55, 0, 0}}.File();
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/bmp"), QByteArray(reinterpret_cast<const char*>(bmp.data()),
                                                          static_cast<qsizetype>(bmp.size())));
    QGuiApplication::clipboard()->setMimeData(mime);
    app.app->OnPaste();
    ASSERT_EQ(app.WindowCount(), 1);
    CPixadromeDoc& doc = app.ViewOf(app.Main().Children().first())->Document();
    uint8_t r, g, b;
    doc.Image().GetPixel(0, 0, r, g, b);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(r, 248);
    doc.Image().GetPixel(1, 0, r, g, b);
    EXPECT_EQ(b, 200);
    EXPECT_EQ(doc.Title(), QStringLiteral("Image1"));
    EXPECT_TRUE(doc.PathName().isEmpty());
    // The picture is nowhere else: closing asks until it has been saved.
    app.prompter.script = {Answer::Cancel};
    app.Main().Action("closeAll")->trigger();
    EXPECT_EQ(app.prompter.texts, std::vector<std::string>{"Save changes to Image1?"});
    EXPECT_EQ(app.WindowCount(), 1);
    app.files.saves.push_back(Q(dir.File("pasted.bmp")));
    EXPECT_TRUE(doc.OnSaveAs());
    EXPECT_FALSE(doc.IsModified());
    app.prompter.texts.clear();
    app.prompter.script.clear();

    // With no picture on the clipboard, Paste makes no window.
    QGuiApplication::clipboard()->setText(QStringLiteral("just text"));
    const int windows = app.WindowCount();
    app.app->OnPaste();
    EXPECT_EQ(app.WindowCount(), windows);
}

void Click(QWidget* w, Qt::MouseButton button, QPoint p)
{
    QTest::mousePress(w, button, Qt::NoModifier, p);
    QTest::mouseRelease(w, button, Qt::NoModifier, p);
}

TEST_F(ImageView, ClicksStepAlongTheZoomSequenceAndMenuZoomStopsAtTheEnds)
{
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePattern(dir, "z.bmp", 40, 30))));
    ASSERT_NE(view, nullptr);
    QStringList captions;
    for (int i = 0; i < 7; ++i) {
        Click(view->viewport(), Qt::LeftButton, QPoint(5, 5));
        captions << view->Caption().section(QLatin1Char(' '), 1);
    }
    EXPECT_EQ(captions, (QStringList{"3:2", "2:1", "3:1", "4:1", "6:1", "8:1", "8:1"}));
    app.Main().UpdateActions();
    EXPECT_FALSE(app.Main().Action("zoomIn")->isEnabled());
    EXPECT_TRUE(app.Main().Action("zoomOut")->isEnabled());

    captions.clear();
    for (int i = 0; i < 13; ++i) {
        Click(view->viewport(), Qt::RightButton, QPoint(5, 5));
        captions << view->Caption().section(QLatin1Char(' '), 1);
    }
    EXPECT_EQ(captions, (QStringList{"6:1", "4:1", "3:1", "2:1", "3:2", "1:1", "2:3", "1:2", "1:3", "1:4", "1:6",
                                     "1:8", "1:8"}));
    EXPECT_EQ(ZoomRatioText(4.0 / 3), "1:1");  // between the steps: the nearer half step
    EXPECT_EQ(view->ScrollSize(), QSize(5, 3));
    app.Main().UpdateActions();
    EXPECT_FALSE(app.Main().Action("zoomOut")->isEnabled());
    view->OnZoomIn();
    EXPECT_EQ(view->Caption(), QStringLiteral("z.bmp 1:4"));
}

// A picture larger than its window opens whole and sharp; '*' toggles it
// with 1:1, a zoom of its own (Ctrl and the wheel) ends the fit, and the
// setting off opens it at 1:1.
TEST_F(ImageView, ALargePictureOpensFittedAndSharpUntilTheUserZooms)
{
    ASSERT_TRUE(app.ShowActive());
    const CImageBuffer big = Noise(1600, 1200, 3);
    const QString path = Q(WritePicture(dir, "big.bmp", big));
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(path));
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->FittedToWindow());
    // The new window is as large as the area lets the fitted picture be.
    const QSize room = view->parentWidget()->parentWidget()->size() - view->parentWidget()->size();
    EXPECT_LE(std::min(room.width(), room.height()), 2);
    EXPECT_EQ(view->horizontalScrollBar()->maximum() + view->verticalScrollBar()->maximum(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->PaintedResampled(); }));
    // Sharp on the screen's own pixels, at any scale factor.
    const QImage shot = view->viewport()->grab().toImage();
    const QSize size = view->ScrollSize() * shot.devicePixelRatio();
    QImage sharp = ToQImage(big.ResizedCopy(static_cast<uint32_t>(size.width()),
                                            static_cast<uint32_t>(size.height())))
                       .convertToFormat(shot.format());
    sharp.setDevicePixelRatio(shot.devicePixelRatio());
    EXPECT_EQ(shot.copy(QRect(QPoint(0, 0), size)), sharp);

    view->setFocus();
    QTest::keyClick(view, Qt::Key_Asterisk);
    EXPECT_EQ(view->Zoom(), 1.0);
    QTest::keyClick(view, Qt::Key_Asterisk);
    EXPECT_TRUE(view->FittedToWindow());

    const double fitted = view->Zoom();
    const QPointF at(5, 5);
    QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    EXPECT_GT(view->Zoom(), fitted);
    EXPECT_FALSE(view->FittedToWindow());

    // However large, the whole picture shows: below the smallest zoom step.
    CPixadromeView* strip = app.ViewOf(app.app->OpenPath(Q(WritePattern(dir, "strip.bmp", 9000, 40))));
    ASSERT_NE(strip, nullptr);
    EXPECT_LE(strip->ScrollSize().width(), strip->viewport()->width());
    EXPECT_EQ(strip->horizontalScrollBar()->maximum(), 0);
    // A fitted zoom is named by the nearest half ratio.
    const std::pair<double, const char*> ratios[] = {{1 / 8.85, "1:9"}, {1 / 2.6, "2:5"}, {0.49, "1:2"}};
    for (const auto& [zoom, text] : ratios)
        EXPECT_EQ(FittedRatioText(zoom), text) << zoom;

    view->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    app.settings.SetInt("View", "OpenFitted", 0);
    view = app.ViewOf(app.app->OpenPath(path));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Zoom(), 1.0);
}

TEST_F(ImageView, CopyGivesThePictureOrTheSelectionAndTheOtherButtonCancelsADrag)
{
    const std::string path = WritePattern(dir, "s.bmp", 41, 30);
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(path)));
    view->OnEditCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->text(), Q(path));
    EXPECT_EQ(QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/bmp")).size(), 14 + 40 + 124 * 30);

    QWidget* vp = view->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    MoveWith(vp, Qt::LeftButton, QPoint(20, 10));  // far enough: a drag
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("11 x 1"));
    MoveWith(vp, Qt::LeftButton, QPoint(10, 10));  // back to the anchor
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(view->Caption(), QStringLiteral("s.bmp 1:1"));  // not a click
    const QByteArray bmp = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/bmp"));
    CImageBuffer cut;
    ASSERT_TRUE(ReadPackedDib({reinterpret_cast<const uint8_t*>(bmp.constData()) + 14,
                               static_cast<size_t>(bmp.size()) - 14},
                              cut));
    EXPECT_EQ(cut.Width(), 1u);
    EXPECT_EQ(cut.Height(), 1u);
    // Picture pixel (10, 10) from the top is memory row 30 - 1 - 10.
    uint8_t r, g, b, r2, g2, b2;
    cut.GetPixel(0, 0, r, g, b);
    view->Document().Image().GetPixel(10, 19, r2, g2, b2);
    EXPECT_EQ((std::array<uint8_t, 3>{r, g, b}), (std::array<uint8_t, 3>{r2, g2, b2}));
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("41 x 30:16 Mio"));

    // The other button cancels a drag, and neither release copies or zooms.
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    MoveWith(vp, Qt::LeftButton, QPoint(20, 20));
    QTest::mousePress(vp, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseRelease(vp, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
    EXPECT_EQ(view->Caption(), QStringLiteral("s.bmp 1:1"));
}

// At 1:1 a picture pixel is a pixel of the screen, at any scale factor.
TEST_F(ImageView, TheWindowShowsThePicturePixelForPixel)
{
    const CImageBuffer picture = Noise(400, 240, 7);
    app.Main().show();
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePicture(dir, "noise.bmp", picture))));
    ASSERT_NE(view, nullptr);
    QApplication::processEvents();
    // The window was fitted: the whole picture shows, with no scroll bars.
    EXPECT_EQ(view->viewport()->size() * view->devicePixelRatio(), QSize(400, 240));
    const QImage shot = view->viewport()->grab().toImage();
    ASSERT_GE(shot.width(), 400);
    ASSERT_GE(shot.height(), 240);
    QImage expected = ToQImage(picture).convertToFormat(shot.format());
    expected.setDevicePixelRatio(shot.devicePixelRatio());
    EXPECT_EQ(shot.copy(0, 0, 400, 240), expected);
}

}  // namespace
}  // namespace pix::test
