#include "app/CChildFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QPainter>
#include <QProxyStyle>
#include <QRegion>
#include <QResizeEvent>
#include <QStyleOption>

namespace pix {

namespace {

// Takes the caption away from frames whose top is attached: what is left
// of it is a strip as thin as the border, by which the top edge is sized
// (down, off the area's top, and the caption comes back).
class FrameStyle final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override
    {
        if (metric == PM_TitleBarHeight)
            if (auto* frame = qobject_cast<const CChildFrame*>(widget); frame && frame->CaptionHidden())
                return QProxyStyle::pixelMetric(PM_MdiSubWindowFrameWidth, option, widget);
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QStyle* SharedFrameStyle()
{
    static FrameStyle* style = [] {
        auto* made = new FrameStyle;
        made->setParent(qApp);  // goes with the application
        return made;
    }();
    return style;
}

// A rectangle's right and bottom edges, exclusive.
int Right(const QRect& r) { return r.x() + r.width(); }
int Bottom(const QRect& r) { return r.y() + r.height(); }

}  // namespace

CChildFrame::CChildFrame(QWidget* parent) : QMdiSubWindow(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setStyle(SharedFrameStyle());
}

std::vector<int> CChildFrame::ClosingWidths(int width)
{
    std::vector<int> widths;
    const int step = width / 4 + 1;
    for (int w = width; w > 0; w -= step)
        widths.push_back(w);
    return widths;
}

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (closeCheck_ && !closeCheck_()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
    if (event->isAccepted() && !isMaximized() && !isMinimized() && isVisible())
        Shrink();
}

void CChildFrame::Shrink()
{
    QWidget* behind = parentWidget();
    const QSize size = this->size();
    for (const int w : ClosingWidths(size.width())) {
        const int h = size.height() * w / std::max(1, size.width());
        setMask(QRegion(QRect((size.width() - w) / 2, (size.height() - h) / 2, w, h), QRegion::Ellipse));
        if (behind)
            behind->repaint(geometry());
    }
}

void CChildFrame::mousePressEvent(QMouseEvent* event)
{
    dragging_ = event->button() == Qt::LeftButton;
    QMdiSubWindow::mousePressEvent(event);
}

void CChildFrame::mouseReleaseEvent(QMouseEvent* event)
{
    dragging_ = false;
    QMdiSubWindow::mouseReleaseEvent(event);
}

void CChildFrame::mouseMoveEvent(QMouseEvent* event)
{
    const QRect before = geometry();
    QMdiSubWindow::mouseMoveEvent(event);
    if (dragging_ && (event->buttons() & Qt::LeftButton) && !isMaximized() && geometry() != before) {
        HoldEdges(before);
        if (size() != before.size())
            emit userSized(size());
    }
}

void CChildFrame::HoldEdges(const QRect& before)
{
    QWidget* area = parentWidget();
    if (!area)
        return;
    const QRect client = area->rect();
    QRect g = geometry();
    if (g.size() == before.size()) {
        // A move: the whole window goes back inside.
        if (Right(g) > Right(client))
            g.moveLeft(Right(client) - g.width());
        if (Bottom(g) > Bottom(client))
            g.moveTop(Bottom(client) - g.height());
        if (g.left() < client.left())
            g.moveLeft(client.left());
        if (g.top() < client.top())
            g.moveTop(client.top());
    } else {
        g = g.intersected(client);
    }
    if (g != geometry())
        setGeometry(g);
    SetAttached({g.left() <= client.left(), g.top() <= client.top(), Right(g) >= Right(client),
                 Bottom(g) >= Bottom(client)});
    if (g.size() != before.size())
        PushNeighbours(before, g);
}

void CChildFrame::PushNeighbours(const QRect& before, const QRect& after)
{
    // Only while the window's content follows the pointer.
    if (testOption(QMdiSubWindow::RubberBandResize))
        return;
    QMdiArea* area = mdiArea();
    QWidget* viewport = parentWidget();
    if (!area || !viewport)
        return;
    const QRect client = viewport->rect();
    const QRect grown = after.adjusted(-1, -1, 1, 1);
    for (QMdiSubWindow* other : area->subWindowList()) {
        if (other == this || !other->isVisible() || other->isMaximized() || other->isMinimized())
            continue;
        QRect g = other->geometry();
        if (!g.adjusted(-1, -1, 1, 1).intersects(grown))
            continue;
        if (after.left() < before.left() && Right(g) >= after.left() && Right(g) < before.left())
            g.moveLeft(after.left() - 1 - g.width());
        else if (after.top() < before.top() && Bottom(g) >= after.top() && Bottom(g) < before.top())
            g.moveTop(after.top() - 1 - g.height());
        else if (Right(after) > Right(before) && g.left() > Right(before) && g.left() <= Right(after))
            g.moveLeft(Right(after) + 1);
        else if (Bottom(after) > Bottom(before) && g.top() > Bottom(before) && g.top() <= Bottom(after))
            g.moveTop(Bottom(after) + 1);
        else
            continue;
        // Pushed out past the right or bottom edge: back inside there.
        if (g.intersects(client)) {
            if (Right(g) > Right(client))
                g.moveLeft(Right(client) - g.width());
            if (Bottom(g) > Bottom(client))
                g.moveTop(Bottom(client) - g.height());
        }
        other->setGeometry(g);
    }
}

void CChildFrame::SetAttached(const Edges& edges)
{
    const bool captionBefore = CaptionHidden();
    attached_ = edges;
    if (CaptionHidden() != captionBefore) {
        // The frame lays its caption out anew from the style.
        QEvent changed(QEvent::StyleChange);
        QApplication::sendEvent(this, &changed);
    }
    update();
}

void CChildFrame::showEvent(QShowEvent* event)
{
    QMdiSubWindow::showEvent(event);
    if (QWidget* area = parentWidget(); area && area != watchedArea_) {
        if (watchedArea_)
            watchedArea_->removeEventFilter(this);
        watchedArea_ = area;
        area->installEventFilter(this);
    }
}

bool CChildFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == watchedArea_ && event->type() == QEvent::Resize) {
        const auto* resize = static_cast<QResizeEvent*>(event);
        if (resize->oldSize().isValid())
            FollowArea(resize->oldSize(), resize->size());
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

void CChildFrame::FollowArea(const QSize& oldSize, const QSize& newSize)
{
    if (isMaximized() || isMinimized())
        return;
    const int dx = newSize.width() - oldSize.width();
    const int dy = newSize.height() - oldSize.height();
    QRect g = geometry();
    if (attached_.right && attached_.left)
        g.setWidth(std::max(minimumSizeHint().width(), g.width() + dx));
    else if (attached_.right)
        g.translate(dx, 0);
    if (attached_.bottom && attached_.top)
        g.setHeight(std::max(minimumSizeHint().height(), g.height() + dy));
    else if (attached_.bottom)
        g.translate(0, dy);
    if (g != geometry())
        setGeometry(g);
}

void CChildFrame::paintEvent(QPaintEvent* event)
{
    QMdiSubWindow::paintEvent(event);
    if (isMaximized() || !(attached_.left || attached_.top || attached_.right || attached_.bottom))
        return;
    // Attached edges are drawn as flat strips, the width of the border.
    const int border = style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, this);
    if (border <= 0)
        return;
    QPainter painter(this);
    const QColor flat = palette().color(QPalette::Active, QPalette::Window);
    const QRect r = rect();
    if (attached_.left)
        painter.fillRect(QRect(0, 0, border, r.height()), flat);
    if (attached_.top)
        painter.fillRect(QRect(0, 0, r.width(), border), flat);
    if (attached_.right)
        painter.fillRect(QRect(r.width() - border, 0, border, r.height()), flat);
    if (attached_.bottom)
        painter.fillRect(QRect(0, r.height() - border, r.width(), border), flat);
}

}  // namespace pix
