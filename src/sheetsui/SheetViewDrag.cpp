// Drag and drop of a contact-sheet view: items leave as their files (and
// labels), files come in at the highlighted item.
#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <set>

#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "sheetsui/SheetDrag.h"
#include "sheetsui/SheetModel.h"
#include "uiservices/SheetFileCommands.h"

namespace pix {

namespace {

constexpr int kScrollLine = 32;
constexpr int kScrollPage = 100;
// How near the edge a drag scrolls: by a line within the outer band, by a
// page within the inner one.
constexpr int kScrollBand = 24;
constexpr int kPageBand = 6;

// Copy with Ctrl, else move; files from other programs are always copied,
// so that no file manager removes them.
Qt::DropAction DropActionFor(const DroppedFiles& dropped, Qt::KeyboardModifiers modifiers)
{
    if (!dropped.fromSheet || (modifiers & Qt::ControlModifier))
        return Qt::CopyAction;
    return Qt::MoveAction;
}

}  // namespace

void CThumbnailView::startDrag(Qt::DropActions)
{
    const std::vector<size_t> selected = SelectedPositions();
    if (selected.empty())
        return;
    QModelIndexList indexes;
    std::set<uint32_t> items;
    for (size_t p : selected) {
        indexes << model_->index(static_cast<int>(p));
        items.insert(doc_->Sheet().ItemAt(p));
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(model_->mimeData(indexes));
    if (selected.size() == 1) {
        const QPixmap picture = model_->Picture(static_cast<int>(selected.front()));
        drag->setPixmap(picture);
        drag->setHotSpot(QPoint(picture.width() / 2, picture.height() / 2));
    }
    Qt::DropAction result = Qt::IgnoreAction;
    if (dragRunner_) {
        result = dragRunner_(*drag);
        drag->deleteLater();
    } else {
        result = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::MoveAction);
    }
    if (result != Qt::MoveAction)
        return;
    // The dragged items by their item numbers, which insertions leave alone.
    std::vector<size_t> positions;
    const ThumbnailSheet& sheet = doc_->Sheet();
    for (size_t p = 0; p < sheet.Count(); ++p)
        if (items.count(sheet.ItemAt(p)))
            positions.push_back(p);
    RemoveItems(*doc_, positions);
}

int CThumbnailView::DropTargetAt(QPoint point) const
{
    int left = -1;
    int leftX = 0;
    int above = -1;
    QRect aboveRect;
    for (int row = 0; row < model_->rowCount(); ++row) {
        const QRect r = visualRect(model_->index(row));
        if (r.top() <= point.y() && point.y() <= r.bottom()) {
            if (r.left() <= point.x() && (left < 0 || r.left() > leftX)) {
                left = row;
                leftX = r.left();
            }
        } else if (r.bottom() < point.y()) {
            // Nearest above: the lowest row, then the closest column.
            const bool lower = above < 0 || r.bottom() > aboveRect.bottom();
            const bool sameRowCloser = above >= 0 && r.bottom() == aboveRect.bottom() &&
                                       std::abs(r.center().x() - point.x()) <
                                           std::abs(aboveRect.center().x() - point.x());
            if (lower || sameRowCloser) {
                above = row;
                aboveRect = r;
            }
        }
    }
    return left >= 0 ? left : above;
}

void CThumbnailView::SetDropTarget(int row)
{
    if (row == dropTarget_)
        return;
    dropTarget_ = row;
    viewport()->update();
}

void CThumbnailView::dragEnterEvent(QDragEnterEvent* event)
{
    const auto dropped = ReadDroppedFiles(event->mimeData());
    if (!dropped) {
        event->ignore();
        return;
    }
    event->setDropAction(DropActionFor(*dropped, event->modifiers()));
    event->accept();
}

void CThumbnailView::dragMoveEvent(QDragMoveEvent* event)
{
    const auto dropped = ReadDroppedFiles(event->mimeData());
    if (!dropped) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    SetDropTarget(DropTargetAt(at));
    QScrollBar* bar = verticalScrollBar();
    const int h = viewport()->height();
    if (at.y() < kPageBand)
        bar->setValue(bar->value() - kScrollPage);
    else if (at.y() < kScrollBand)
        bar->setValue(bar->value() - kScrollLine);
    else if (at.y() > h - kPageBand)
        bar->setValue(bar->value() + kScrollPage);
    else if (at.y() > h - kScrollBand)
        bar->setValue(bar->value() + kScrollLine);
    event->setDropAction(DropActionFor(*dropped, event->modifiers()));
    event->accept();
}

void CThumbnailView::dragLeaveEvent(QDragLeaveEvent* event)
{
    SetDropTarget(-1);
    event->accept();
}

void CThumbnailView::dropEvent(QDropEvent* event)
{
    const auto dropped = ReadDroppedFiles(event->mimeData());
    const int target = DropTargetAt(event->position().toPoint());
    SetDropTarget(-1);
    if (!dropped) {
        event->ignore();
        return;
    }
    const Qt::DropAction action = DropActionFor(*dropped, event->modifiers());
    const size_t position = target >= 0 ? static_cast<size_t>(target) : doc_->Sheet().Count();
    doc_->InsertFiles(nullptr, dropped->paths, position, dropped->labels);
    event->setDropAction(action);
    event->accept();
}

void CThumbnailView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    if (dropTarget_ < 0 || dropTarget_ >= model_->rowCount())
        return;
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawRect(visualRect(model_->index(dropTarget_)).adjusted(1, 1, -1, -1));
}

}  // namespace pix
