// The document windows' frames: edges held at the area's edges and
// following it, the caption of a top-attached window, pushing neighbours.

#include <QStyle>
#include <QTest>

#include "AppTestSupport.h"

namespace pix::test {
namespace {

struct TwoWindows : RunningApp {
    TempDir dir;
    CChildFrame* a;
    CChildFrame* b;
    TwoWindows()
    {
        Main().show();
        a = app->OpenImageWindow(Q(WritePattern(dir, "a.bmp", 60, 40)));
        b = app->OpenImageWindow(Q(WritePattern(dir, "b.bmp", 60, 40)));
        a->setGeometry(100, 100, 200, 150);
        b->setGeometry(301, 100, 200, 150);
    }
    QPoint Caption(CChildFrame* f) { return {f->width() / 2, f->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, f) / 2}; }
    QRect Client() { return Main().MdiArea()->viewport()->rect(); }
};

TEST(ChildFrame, SizingPushesTheNeighbourAndEdgesStopAtTheAreaAndFollowIt)
{
    TwoWindows w;
    ASSERT_TRUE(w.a && w.b);
    // Sized beyond its right edge, the window pushes the neighbour along.
    const QPoint rightEdge(w.a->width() - 2, w.a->height() / 2);
    DragFrame(w.a, rightEdge, rightEdge + QPoint(30, 0));
    ASSERT_GT(w.a->width(), 200);
    EXPECT_EQ(w.b->x(), w.a->x() + w.a->width() + 1);
    EXPECT_EQ(w.b->size(), QSize(200, 150));

    const QPoint grip = w.Caption(w.a);
    const int contentTop = w.a->widget()->geometry().top();
    // Moved past the top-left corner: held there, without a caption.
    DragFrame(w.a, grip, grip - QPoint(400, 400));
    EXPECT_EQ(w.a->pos(), QPoint(0, 0));
    EXPECT_EQ(w.a->Attached(), (CChildFrame::Edges{true, true, false, false}));
    EXPECT_LT(w.a->widget()->geometry().top(), contentTop);

    // Its top edge sized down, off the area's top: the caption is back.
    const QPoint top(w.a->width() / 2, 1);
    DragFrame(w.a, top, top + QPoint(0, 30));
    EXPECT_EQ(w.a->Attached(), (CChildFrame::Edges{true, false, false, false}));
    EXPECT_EQ(w.a->widget()->geometry().top(), contentTop);

    // Moved past the bottom-right corner: held there; when the area grows
    // the window keeps to its corner, at its size.
    const QPoint grip2 = w.Caption(w.b);
    DragFrame(w.b, grip2, grip2 + QPoint(2000, 2000));
    EXPECT_EQ(w.b->geometry().bottomRight(), w.Client().bottomRight());
    EXPECT_EQ(w.b->Attached(), (CChildFrame::Edges{false, false, true, true}));
    const QSize size = w.b->size();
    w.Main().resize(w.Main().size() + QSize(40, 30));
    QApplication::processEvents();
    EXPECT_EQ(w.b->geometry().bottomRight(), w.Client().bottomRight());
    EXPECT_EQ(w.b->size(), size);
}

TEST(ChildFrame, ClosingShrinksInEllipsesNarrowerByAQuarterPlusOne)
{
    EXPECT_EQ(CChildFrame::ClosingWidths(100), (std::vector<int>{100, 74, 48, 22}));
    EXPECT_EQ(CChildFrame::ClosingWidths(3), (std::vector<int>{3, 2, 1}));
}

}  // namespace
}  // namespace pix::test
