#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "imageui/CPixadromeDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "support/DibFiles.h"

namespace pix::test {
namespace {

// Five pictures told apart by their width, a damaged one among them and a
// file no reader takes.
struct Folder {
    TempDir dir;
    Folder()
    {
        const char* names[] = {"a.bmp", "B.bmp", "d.bmp", "e.bmp", "f.bmp"};
        for (uint32_t k = 0; k < 5; ++k)
            WritePattern(dir, names[k], 10 + k, 8);
        WriteAll(dir.File("c.bmp"), {'B', 'M', 0, 0});
        WriteAll(dir.File("notes.txt"), {'h', 'i'});
    }
    QString Path(const char* name) const { return Q(dir.File(name)); }
};

QString Shown(CPixadromeView* view) { return view->Document().Title(); }

TEST(ImageSteps, KeysStepThroughTheFolderInNameOrderPassingOverWhatDoesNotRead)
{
    Folder folder;
    RunningApp app;
    ASSERT_TRUE(app.ShowActive());
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(folder.Path("B.bmp")));
    ASSERT_NE(view, nullptr);
    view->setFocus();
    struct Step {
        Qt::Key key;
        const char* shown;
    };
    const Step steps[] = {
        {Qt::Key_Right, "d.bmp"},     {Qt::Key_Left, "B.bmp"},  {Qt::Key_Home, "a.bmp"},
        {Qt::Key_PageUp, "a.bmp"},    {Qt::Key_End, "f.bmp"},   {Qt::Key_Space, "f.bmp"},
        {Qt::Key_Backspace, "e.bmp"}, {Qt::Key_PageDown, "f.bmp"},
    };
    for (const Step& step : steps) {
        QTest::keyClick(view, step.key);
        EXPECT_EQ(Shown(view), QString::fromLatin1(step.shown)) << step.key;
    }
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("14 x 8:16 Mio"));
    EXPECT_EQ(app.WindowCount(), 1);
    EXPECT_TRUE(app.prompter.texts.empty());

    // The neighbours are decoded ahead; a step to one shows that file's picture.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->Steps().Ready(-1); }));
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_EQ(Shown(view), QStringLiteral("e.bmp"));
    EXPECT_EQ(view->Document().Image().Width(), 13u);
    EXPECT_EQ(view->Document().Width(), 13);
}

TEST(ImageSteps, AModifiedPictureAsksBeforeItIsLeft)
{
    Folder folder;
    RunningApp app;
    ASSERT_TRUE(app.ShowActive());
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(folder.Path("a.bmp")));
    ASSERT_NE(view, nullptr);
    view->setFocus();
    view->Document().OnFlipHorizontal();
    ASSERT_TRUE(view->Document().IsModified());

    app.prompter.script = {Answer::Cancel, Answer::No};
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(Shown(view), QStringLiteral("a.bmp"));
    EXPECT_TRUE(view->Document().IsModified());
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(Shown(view), QStringLiteral("B.bmp"));
    EXPECT_FALSE(view->Document().IsModified());
    ASSERT_EQ(app.prompter.ids.size(), 2u);
    EXPECT_EQ(app.prompter.ids[0], MsgId::SaveChanges);
    // The edit was not written: going back shows the file as it was.
    QTest::keyClick(view, Qt::Key_Left);
    CImageBuffer file;
    file.Load(folder.dir.File("a.bmp"));
    EXPECT_TRUE(SamePixels(view->Document().Image(), file));
}

// Where the picture is larger than its window the keys scroll it as ever;
// a window opened from a sheet steps in the sheet's order.
TEST(ImageSteps, KeysScrollALargePictureAndASheetGivesItsOwnOrder)
{
    Folder folder;
    RunningApp app;
    ASSERT_TRUE(app.ShowActive());
    app.settings.SetInt("View", "OpenFitted", 0);
    WritePicture(folder.dir, "big.bmp", Noise(3000, 2000, 1));
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(folder.Path("big.bmp")));
    ASSERT_NE(view, nullptr);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(Shown(view), QStringLiteral("big.bmp"));
    EXPECT_GT(view->horizontalScrollBar()->value(), 0);

    CChildFrame* sheet = app.app->NewSheetFromFiles(
        {folder.Path("e.bmp"), folder.Path("a.bmp"), folder.Path("d.bmp")}, QStringLiteral("Picked"));
    auto* items = qobject_cast<CThumbnailView*>(sheet->widget());
    ASSERT_NE(items, nullptr);
    items->setCurrentIndex(items->model()->index(0, 0));
    QTest::keyClick(items, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return (view = app.Main().ActiveImageView()) != nullptr; }));
    ASSERT_EQ(Shown(view), QStringLiteral("e.bmp"));
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(Shown(view), QStringLiteral("a.bmp"));
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(Shown(view), QStringLiteral("d.bmp"));
}

}  // namespace
}  // namespace pix::test
