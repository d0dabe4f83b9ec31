#include "sheetsui/CThumbnailView.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <functional>

#include "sheets/SheetUpdateHint.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/SheetHoverPreview.h"
#include "sheetsui/SheetModel.h"
#include "uiservices/AfterReturn.h"
#include "uiservices/AppServices.h"
#include "uiservices/WindowSteps.h"

namespace pix {

CThumbnailView::CThumbnailView(CThumbnailDoc& doc, QWidget* parent)
    : QListView(parent), doc_(&doc), model_(new SheetModel(doc, this))
{
    doc_->AddView(this);
    setViewMode(QListView::IconMode);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setWordWrap(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setModel(model_);
    preview_ = new SheetHoverPreview(*this);

    const ThumbnailList& pictures = doc_->Sheet().Thumbnails();
    const QSize picture(static_cast<int>(pictures.Cx()), static_cast<int>(pictures.Cy()));
    setIconSize(picture);
    const int textHeight = fontMetrics().height();
    setGridSize(QSize(std::max(picture.width(), 64) + 16, picture.height() + 2 * textHeight + 12));
    ApplyFormat();

    connect(doc_, &CThumbnailDoc::updated, this, &CThumbnailView::OnUpdate);
    connect(doc_, &CThumbnailDoc::titleChanged, this, &CThumbnailView::captionChanged);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CThumbnailView::OnSelectionChanged);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        // The application's open: what no reader takes goes to the
        // desktop's program for it, or is reported.
        doc_->Services().OpenPathFrom(index.data(SheetModel::kPathRole).toString(), ItemPaths());
    });
}

CThumbnailView::~CThumbnailView()
{
    // The preview and the model go before the document they read.
    delete preview_;
    setModel(nullptr);
    delete model_;
    doc_->RemoveView(this);
}

QString CThumbnailView::Caption() const
{
    const std::vector<size_t> selected = SelectedPositions();
    if (selected.size() > 1)
        return doc_->Title() + tr(" - %1 items selected").arg(selected.size());
    if (selected.size() == 1)
        return doc_->Title() + QStringLiteral(" - ") +
               model_->index(static_cast<int>(selected.front())).data(SheetModel::kPathRole).toString();
    return doc_->Title();
}

QString CThumbnailView::StatusText() const
{
    const ThumbnailSheet& sheet = doc_->Sheet();
    return tr("%1 items %2x%3").arg(sheet.Count()).arg(sheet.Thumbnails().Cx()).arg(sheet.Thumbnails().Cy());
}

void CThumbnailView::NarrowToTwoColumns(QWidget* frame)
{
    if (!frame)
        return;
    const int borders = frame->width() - width() + 2 * frameWidth();
    const int twoColumns =
        2 * gridSize().width() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 6 + borders;
    if (frame->width() > twoColumns)
        frame->resize(twoColumns, frame->height());
}

std::vector<size_t> CThumbnailView::SelectedPositions() const
{
    std::vector<size_t> positions;
    if (!selectionModel())
        return positions;
    for (const QModelIndex& index : selectionModel()->selectedIndexes())
        positions.push_back(static_cast<size_t>(index.row()));
    std::sort(positions.begin(), positions.end());
    return positions;
}

QRect CThumbnailView::PictureRect(const QModelIndex& index) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    option.decorationSize = iconSize();
    option.text = index.data().toString();
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

bool CThumbnailView::HasSelection() const { return selectionModel() && selectionModel()->hasSelection(); }

void CThumbnailView::ApplyFormat()
{
    const uint32_t bgC = doc_->Sheet().Settings().bgC;
    QPalette p = palette();
    p.setColor(QPalette::Base, QColor(bgC & 0xFF, (bgC >> 8) & 0xFF, (bgC >> 16) & 0xFF));
    setPalette(p);
    viewport()->update();
}

void CThumbnailView::OnUpdate(QObject* sender, uint32_t hint)
{
    if (sender == this)
        return;
    const int position = static_cast<int>(HintPosition(hint));
    const int scroll = verticalScrollBar()->value();
    switch (HintKind(hint)) {
    case SheetChange::FormatChanged:
        ApplyFormat();
        break;
    case SheetChange::ItemRemoved:
        model_->ItemRemoved(position);
        break;
    case SheetChange::ItemChanged:
        model_->ItemChanged(position);
        break;
    case SheetChange::ItemInserted:
        model_->ItemInserted(position);
        break;
    case SheetChange::RefreshAll:
        model_->RefreshAll();
        break;
    case SheetChange::SelectionChanged:
        return;
    }
    verticalScrollBar()->setValue(scroll);
    viewport()->update();
    emit statusTextChanged(StatusText());
    emit captionChanged();
}

void CThumbnailView::OnSelectionChanged()
{
    const std::vector<size_t> selected = SelectedPositions();
    if (selected.size() == 1)
        doc_->UpdateAllViews(this, SheetHint(SheetChange::SelectionChanged, selected.front()));
    emit captionChanged();
}

bool CThumbnailView::event(QEvent* event)
{
    // Tab and Shift+Tab go from window to window, not from control to
    // control.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (StepDocumentWindow(this, *key))
            return true;
    }
    return QListView::event(event);
}

void CThumbnailView::keyPressEvent(QKeyEvent* event)
{
    if (state() != QAbstractItemView::EditingState) {
        if (event->key() == Qt::Key_Backspace) {
            OnDeleteFiles();
            return;
        }
        if (event->key() == Qt::Key_Delete) {
            OnRemove();
            return;
        }
        if (event->matches(QKeySequence::Copy)) {
            OnEditCopy();
            return;
        }
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !SelectedPositions().empty()) {
            // Opens as the context menu's Open does; a sheet of many shows progress.
            RunAfterReturn(this, [this] { OnOpenFile(); });
            return;
        }
    }
    QListView::keyPressEvent(event);
}

QMenu* CThumbnailView::MakeContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(tr("2 - Contact Sheet"), parent);
    const bool selected = HasSelection();
    // The commands run once the menu's handler has returned: copying,
    // inserting and the like pump events, and the menu is deleted as it
    // closes.
    auto add = [this](QMenu* to, const QString& text, auto command) {
        QAction* action = to->addAction(text);
        ConnectAfterReturn(action, this, [this, command] { std::invoke(command, this); });
        return action;
    };
    QAction* open = add(menu, tr("&Open"), &CThumbnailView::OnOpenFile);
    menu->setDefaultAction(open);
    add(menu, tr("&Remove"), &CThumbnailView::OnRemove)->setEnabled(selected);
    add(menu, tr("&Insert..."), &CThumbnailView::OnInsert);
    menu->addSeparator();
    QMenu* sort = menu->addMenu(tr("&Sort"));
    auto sortBy = [](SortKey key) { return [key](CThumbnailView* view) { view->OnSort(key); }; };
    add(sort, tr("by &Label"), sortBy(SortKey::Label));
    add(sort, tr("by File Name"), sortBy(SortKey::FileName));
    add(sort, tr("by &Path"), sortBy(SortKey::Path));
    sort->addSeparator();
    add(sort, tr("by file &size"), sortBy(SortKey::Size));
    add(sort, tr("by creation date"), sortBy(SortKey::Created));
    add(sort, tr("by modification date"), sortBy(SortKey::Modified));
    add(sort, tr("by date taken"), sortBy(SortKey::Taken));
    add(menu, tr("&Generate Labels"), &CThumbnailView::OnGenerateLabels);
    menu->addSeparator();
    add(menu, tr("Cop&y..."), &CThumbnailView::OnCopyFiles)->setEnabled(selected);
    add(menu, tr("&Move..."), &CThumbnailView::OnMoveFiles)->setEnabled(selected);
    add(menu, tr("&Delete"), &CThumbnailView::OnDeleteFiles)->setEnabled(selected);
    open->setEnabled(selected);
    return menu;
}

void CThumbnailView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = MakeContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace pix
