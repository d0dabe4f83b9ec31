#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <filesystem>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "imageui/CPixadromeDoc.h"
#include "support/DibFiles.h"

namespace pix::test {
namespace {

TEST(ImageDocument, OpeningABitmapMakesOneWindowWithCaptionAndStatus)
{
    TempDir dir;
    RunningApp app;
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
}

TEST(ImageDocument, UndoReloadsTheFileAndClearsTheModifiedFlag)
{
    TempDir dir;
    RunningApp app;
    CChildFrame* frame = app.app->OpenPath(Q(WritePattern(dir, "a.bmp", 9, 7)));
    CPixadromeView* view = app.ViewOf(frame);
    ASSERT_NE(view, nullptr);
    CPixadromeDoc& doc = view->Document();
    const CImageBuffer original = doc.Image();
    EXPECT_FALSE(view->CanUndo());
    doc.OnFlipHorizontal();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_FALSE(SamePixels(doc.Image(), original));
    app.Main().UpdateActions();
    EXPECT_TRUE(app.Main().Action("undo")->isEnabled());
    view->OnUndo();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(SamePixels(doc.Image(), original));
}

TEST(ImageDocument, SaveAsWritesTheFileAndOpensItInANewWindow)
{
    TempDir dir;
    RunningApp app;
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

    // Saving under its own name clears the flag (and shows the file again).
    app.files.saves.push_back(Q(dir.File("a.bmp")));
    EXPECT_TRUE(doc.OnSaveAs());
    EXPECT_FALSE(doc.IsModified());
}

TEST(ImageDocument, CopyAndMoveFollowTheFileAndAskBeforeReplacing)
{
    TempDir dir;
    RunningApp app;
    const std::string src = WritePattern(dir, "src.bmp", 4, 4);
    CChildFrame* frame = app.app->OpenPath(Q(src));
    CPixadromeDoc& doc = app.ViewOf(frame)->Document();

    app.files.saves.push_back(Q(dir.File("copy.bmp")));
    doc.OnCopy();
    EXPECT_TRUE(QFileInfo::exists(Q(src)));
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("copy.bmp"))));
    EXPECT_EQ(doc.PathName(), Q(dir.File("copy.bmp")));
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("copy.bmp 1:1"));

    // Moving onto an existing file asks; "No" leaves everything in place.
    app.files.saves.push_back(Q(src));
    app.prompter.script = {Answer::No};
    doc.OnMove();
    EXPECT_EQ(app.prompter.texts.back(), src + " already exists.\nDo you want to replace it?");
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("copy.bmp"))));
    EXPECT_EQ(doc.PathName(), Q(dir.File("copy.bmp")));

    app.files.saves.push_back(Q(dir.File("moved.bmp")));
    doc.OnMove();
    EXPECT_FALSE(QFileInfo::exists(Q(dir.File("copy.bmp"))));
    EXPECT_TRUE(QFileInfo::exists(Q(dir.File("moved.bmp"))));
    EXPECT_EQ(doc.PathName(), Q(dir.File("moved.bmp")));
    EXPECT_EQ(app.files.titles.back(), QStringLiteral("Move: Choose new directory or new name"));
}

TEST(ImageDocument, DeleteMovesTheFileToTheTrashAndClosesTheWindow)
{
    TempDir dir;
    RunningApp app;
    const std::string path = WritePattern(dir, "gone.bmp", 4, 4);
    CChildFrame* frame = app.app->OpenPath(Q(path));
    CPixadromeDoc& doc = app.ViewOf(frame)->Document();
    app.prompter.script = {Answer::Yes};
    doc.OnDelete();
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(QFileInfo::exists(Q(path)));
    const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files/gone.bmp");
    EXPECT_TRUE(QFileInfo::exists(trash)) << trash.toStdString();
    EXPECT_EQ(app.WindowCount(), 0);
}

TEST(ImageDocument, FileCommandsNeedTheFileOnDisk)
{
    TempDir dir;
    RunningApp app;
    const std::string path = WritePattern(dir, "here.bmp", 4, 4);
    ASSERT_NE(app.app->OpenPath(Q(path)), nullptr);
    const char* commands[] = {"copyFile", "moveFile", "deleteFile"};
    app.Main().UpdateActions();
    for (const char* name : commands)
        EXPECT_TRUE(app.Main().Action(name)->isEnabled()) << name;
    // Gone behind the window's back: nothing to copy, move or delete.
    std::filesystem::remove(path);
    app.Main().UpdateActions();
    for (const char* name : commands)
        EXPECT_FALSE(app.Main().Action(name)->isEnabled()) << name;
}

TEST(ImageDocument, PasteReadsAnEightBitBitmapAfterItsFullPalette)
{
    RunningApp app;
    // 2 x 1, 8 bits, colours used 0: 256 palette entries, then the pixels.
    Dib dib{2, 1, 8};
    for (int i = 0; i < 256; ++i)  // blue = index
        dib.table.insert(dib.table.end(), {static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i), 0});
    dib.pixels = {7, 200, 0, 0};
    const std::vector<uint8_t> bmp = dib.File();
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

    // With no picture on the clipboard, Paste makes no window.
    QGuiApplication::clipboard()->setText(QStringLiteral("just text"));
    app.app->OnPaste();
    EXPECT_EQ(app.WindowCount(), 1);
}

}  // namespace
}  // namespace pix::test
