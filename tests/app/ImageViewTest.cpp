#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "imageui/CPixadromeDoc.h"
#include "image/PackedDib.h"
#include "processing/UniformRegion.h"
#include "imageui/ZoomRules.h"

namespace pix::test {
namespace {

TEST(ZoomRules, RatioTextsAndClickSteps)
{
    EXPECT_EQ(ZoomRatioText(1), "1:1");
    EXPECT_EQ(ZoomRatioText(1.5), "3:2");
    EXPECT_EQ(ZoomRatioText(8), "8:1");
    EXPECT_EQ(ZoomRatioText(2.0 / 3), "2:3");
    EXPECT_EQ(ZoomRatioText(1.0 / 6), "1:6");
    EXPECT_EQ(ZoomRatioText(4.0 / 3), "1:1");

    // Zooming in by clicks is followed in the view's test below.
    std::vector<std::string> down;
    for (double z = 1; z > kMinZoom;) {
        z = ApplyZoom(z, ZoomOutStep(z));
        down.push_back(ZoomRatioText(z));
    }
    EXPECT_EQ(down, (std::vector<std::string>{"2:3", "1:2", "1:3", "1:4", "1:6", "1:8"}));
}

void Click(QWidget* w, Qt::MouseButton button, QPoint p)
{
    QTest::mousePress(w, button, Qt::NoModifier, p);
    QTest::mouseRelease(w, button, Qt::NoModifier, p);
}

void Move(QWidget* w, Qt::MouseButtons buttons, QPoint p)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

TEST(ImageView, ClicksStepAlongTheZoomSequenceAndMenuZoomStopsAtTheEnds)
{
    TempDir dir;
    RunningApp app;
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

    for (int i = 0; i < 12; ++i)
        Click(view->viewport(), Qt::RightButton, QPoint(5, 5));
    EXPECT_EQ(view->Caption(), QStringLiteral("z.bmp 1:8"));
    EXPECT_EQ(view->ScrollSize(), QSize(5, 3));
    app.Main().UpdateActions();
    EXPECT_FALSE(app.Main().Action("zoomOut")->isEnabled());
    view->OnZoomIn();
    EXPECT_EQ(view->Caption(), QStringLiteral("z.bmp 1:4"));
}

TEST(ImageView, AOnePixelSelectionCopiesAOneByOneImage)
{
    TempDir dir;
    RunningApp app;
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePattern(dir, "s.bmp", 40, 30))));
    QWidget* vp = view->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    Move(vp, Qt::LeftButton, QPoint(20, 10));  // far enough: a drag
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("11 x 1"));
    Move(vp, Qt::LeftButton, QPoint(10, 10));  // back to the anchor
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
    EXPECT_EQ(app.Main().StatusPaneText(), QStringLiteral("40 x 30:16 Mio"));
}

TEST(ImageView, TheOtherButtonCancelsADragAndBothReleasesAreIgnored)
{
    TempDir dir;
    RunningApp app;
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePattern(dir, "c.bmp", 40, 30))));
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    QWidget* vp = view->viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    Move(vp, Qt::LeftButton, QPoint(20, 20));
    QTest::mousePress(vp, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseRelease(vp, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
    EXPECT_EQ(view->Caption(), QStringLiteral("c.bmp 1:1"));  // no zoom click either
}

TEST(UniformRegion, FindsTheFlatRectangleUnderThePointer)
{
    // A grey field with a red rectangle from (5, 3) to (14, 9) inclusive,
    // coordinates from the top.
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(24, 16));
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 24; ++x) {
            const uint32_t top = 15 - y;
            const bool inside = x >= 5 && x <= 14 && top >= 3 && top <= 9;
            buf.SetPixel(x, y, inside ? 220 : 90, inside ? 20 : 90, inside ? 30 : 90);
        }
    PixelRect r = FindUniformRegion(buf, 8, 6);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 3);
    EXPECT_EQ(r.right, 15);
    EXPECT_EQ(r.bottom, 10);
    PixelRect outside = FindUniformRegion(buf, 20, 1);  // the field grows to the picture edge
    EXPECT_EQ(outside.right, 24);
    EXPECT_EQ(outside.top, 0);
}

TEST(ImageView, CopyPutsTheWholeImageAndThePathOnTheClipboard)
{
    TempDir dir;
    RunningApp app;
    const std::string path = WritePattern(dir, "w.bmp", 7, 5);
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(path)));
    view->OnEditCopy();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(data->text(), Q(path));
    const QByteArray bmp = data->data(QStringLiteral("image/bmp"));
    EXPECT_EQ(bmp.size(), 14 + 40 + 24 * 5);
}

TEST(ImageView, TheWindowShowsThePicture)
{
    TempDir dir;
    RunningApp app;
    // Large flat blocks, so scaling or offsets cannot hide a wrong picture.
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(120, 80));
    for (uint32_t y = 0; y < 80; ++y)
        for (uint32_t x = 0; x < 120; ++x)
            buf.SetPixel(x, y, x < 60 ? 255 : 0, y < 40 ? 255 : 0, 40);  // memory row 0 = bottom
    app.Main().show();
    CPixadromeView* view = app.ViewOf(app.app->OpenPath(Q(WritePicture(dir, "blocks.bmp", buf))));
    QApplication::processEvents();
    // The window was fitted: the whole picture shows, with no scroll bars.
    EXPECT_EQ(view->viewport()->size(), QSize(120, 80));
    const QImage shot = view->viewport()->grab().toImage();
    ASSERT_GE(shot.width(), 120);
    ASSERT_GE(shot.height(), 80);
    EXPECT_EQ(QColor(shot.pixel(10, 10)), QColor(255, 0, 40));    // top-left
    EXPECT_EQ(QColor(shot.pixel(110, 10)), QColor(0, 0, 40));     // top-right
    EXPECT_EQ(QColor(shot.pixel(10, 70)), QColor(255, 255, 40));  // bottom-left
}

}  // namespace
}  // namespace pix::test
