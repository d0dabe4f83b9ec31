#include <gtest/gtest.h>

#include <QListWidget>

#include "AppTestSupport.h"
#include "app/CChildFrame.h"
#include "render/ImageConversion.h"
#include "sheetsui/CThumbnailView.h"

namespace pix::test {
namespace {

TEST(SheetWindow, FolderThumbnailsAndSheetFiles)
{
    TempDir dir;
    WritePattern(dir, "a.bmp", 40, 20);
    WritePattern(dir, "b.bmp", 20, 40);
    WriteAll(dir.File("c.txt"), {'x'});
    RunningApp app;
    CChildFrame* frame = app.app->OpenPath(Q(dir.Path().string()));
    ASSERT_NE(frame, nullptr);
    auto* view = qobject_cast<CThumbnailView*>(frame->widget());
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->count(), 3);
    EXPECT_EQ(view->item(0)->text(), QStringLiteral("a.bmp"));
    ThumbnailSheet& sheet = view->Document().Sheet();
    EXPECT_EQ(sheet.Thumbnails().Cx(), 80u);
    // The picture of a.bmp: 40 × 20 centred, the rest transparent.
    const QImage picture = ThumbnailImage(sheet.Thumbnails(), 0);
    EXPECT_EQ(qAlpha(picture.pixel(19, 30)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(20, 30)), 255);

    // Saved and opened again: the same items and pictures.
    ASSERT_TRUE(sheet.Save(dir.File("s.pxc")));
    CChildFrame* reopened = app.app->OpenPath(Q(dir.File("s.pxc")));
    ASSERT_NE(reopened, nullptr);
    auto* again = qobject_cast<CThumbnailView*>(reopened->widget());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Document().Sheet().ToBytes(), sheet.ToBytes());

    // A damaged sheet opens nothing and says so.
    WriteAll(dir.File("bad.pxc"), {1, 0, 2, '0'});
    EXPECT_EQ(app.app->OpenPath(Q(dir.File("bad.pxc"))), nullptr);
    ASSERT_FALSE(app.prompter.texts.empty());
    EXPECT_EQ(app.prompter.texts.back(), dir.File("bad.pxc") + "\nis damaged or not a contact sheet.");
}

}  // namespace
}  // namespace pix::test
