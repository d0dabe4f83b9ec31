#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "imageui/CPixadromeDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "support/DibFiles.h"

namespace pix::test {
namespace {

// Five pictures told apart by their width and a damaged one among them,
// beside a running program.
struct Stepping : RunningApp {
    TempDir dir;
    Stepping()
    {
        const char* names[] = {"a.bmp", "B.bmp", "d.bmp", "e.bmp", "f.bmp"};
        for (uint32_t k = 0; k < 5; ++k)
            WritePattern(dir, names[k], 10 + k, 8);
        WriteAll(dir.File("c.bmp"), {'B', 'M', 0, 0});
        ShowActive();
    }
    QString Path(const char* name) const { return Q(dir.File(name)); }
    // The window of name, ready for keys.
    CPixadromeView* Open(const char* name)
    {
        CPixadromeView* view = ViewOf(app->OpenPath(Path(name)));
        return view ? (view->setFocus(), view) : nullptr;
    }
};

// The file shown after a key.
QString After(CPixadromeView* view, Qt::Key key)
{
    QTest::keyClick(view, key);
    return view->Document().Title();
}

TEST(ImageSteps, KeysStepThroughTheFolderInNameOrderPassingOverWhatDoesNotReadAndAskToLeaveAnEdit)
{
    Stepping s;
    CPixadromeView* view = s.Open("B.bmp");
    ASSERT_NE(view, nullptr);
    const std::pair<Qt::Key, const char*> steps[] = {
        {Qt::Key_Right, "d.bmp"},     {Qt::Key_Left, "B.bmp"},  {Qt::Key_Home, "a.bmp"},
        {Qt::Key_PageUp, "a.bmp"},    {Qt::Key_End, "f.bmp"},   {Qt::Key_Space, "f.bmp"},
        {Qt::Key_Backspace, "e.bmp"}, {Qt::Key_PageDown, "f.bmp"},
    };
    for (const auto& [key, shown] : steps)
        EXPECT_EQ(After(view, key), QString::fromLatin1(shown)) << key;
    EXPECT_TRUE(s.prompter.texts.empty());
    // The neighbours are decoded ahead; a step to one shows that file's picture.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->Steps().Ready(-1); }));
    EXPECT_EQ(After(view, Qt::Key_Left), QStringLiteral("e.bmp"));
    EXPECT_EQ(view->Document().Image().Width(), 13u);

    // A modified picture asks before it is left; the edit not written,
    // going back shows the file as it was.
    EXPECT_EQ(After(view, Qt::Key_Home), QStringLiteral("a.bmp"));
    view->Document().OnFlipHorizontal();
    s.prompter.script = {Answer::Cancel, Answer::No};
    EXPECT_EQ(After(view, Qt::Key_Right), QStringLiteral("a.bmp"));
    EXPECT_TRUE(view->Document().IsModified());
    EXPECT_EQ(After(view, Qt::Key_Right), QStringLiteral("B.bmp"));
    EXPECT_EQ(s.prompter.ids, (std::vector<MsgId>{MsgId::SaveChanges, MsgId::SaveChanges}));
    After(view, Qt::Key_Left);
    CImageBuffer file;
    file.Load(s.dir.File("a.bmp"));
    EXPECT_TRUE(SamePixels(view->Document().Image(), file));
}

// Where the picture is larger than its window the keys scroll it as ever;
// a window opened from a sheet steps in the sheet's order.
TEST(ImageSteps, KeysScrollALargePictureAndASheetGivesItsOwnOrder)
{
    Stepping s;
    s.settings.SetInt("View", "OpenFitted", 0);
    WritePicture(s.dir, "big.bmp", Noise(3000, 2000, 1));
    CPixadromeView* view = s.Open("big.bmp");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(After(view, Qt::Key_Right), QStringLiteral("big.bmp"));
    EXPECT_GT(view->horizontalScrollBar()->value(), 0);

    CChildFrame* sheet = s.app->NewSheetFromFiles({s.Path("e.bmp"), s.Path("a.bmp"), s.Path("d.bmp")},
                                                 QStringLiteral("Picked"));
    auto* items = qobject_cast<CThumbnailView*>(sheet->widget());
    items->setCurrentIndex(items->model()->index(0, 0));
    QTest::keyClick(items, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return (view = s.Main().ActiveImageView()) != nullptr; }));
    EXPECT_EQ(view->Document().Title(), QStringLiteral("e.bmp"));
    EXPECT_EQ(After(view, Qt::Key_Right), QStringLiteral("a.bmp"));
    EXPECT_EQ(After(view, Qt::Key_End), QStringLiteral("d.bmp"));
}

}  // namespace
}  // namespace pix::test
