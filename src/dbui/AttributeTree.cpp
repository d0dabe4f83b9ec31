#include "dbui/AttributeTree.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSignalBlocker>
#include <QUrl>
#include <mutex>

#include "common/Prompter.h"
#include "database/Attributes.h"
#include "database/DatabaseAccess.h"
#include "dbui/FileCollection.h"
#include "platform/DesktopServices.h"
#include "platform/FileTypeIcon.h"
#include "uiservices/AppServices.h"

namespace pix {
namespace {

constexpr int kStoredRole = Qt::UserRole;      // the node string
constexpr int kTickedRole = Qt::UserRole + 1;  // the owner has the node

QString Q(const std::string& s) { return QString::fromStdString(s); }

bool HasBox(const QTreeWidgetItem* item) { return item->data(0, Qt::CheckStateRole).isValid(); }

bool IsBelow(const QTreeWidgetItem* item, const QTreeWidgetItem* ancestor)
{
    for (const QTreeWidgetItem* it = item; it; it = it->parent())
        if (it == ancestor)
            return true;
    return false;
}

// Counts an operation that may show a message while it holds the lock.
struct BusyScope {
    explicit BusyScope(int& n) : n_(n) { ++n_; }
    ~BusyScope() { --n_; }
    int& n_;
};

}  // namespace

AttributeTree::AttributeTree(Mode mode, AppServices& app, QWidget* parent)
    : QTreeWidget(parent), mode_(mode), app_(app)
{
    setHeaderHidden(true);
    // Labels are not cut short in a narrow pane: it scrolls instead.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    setRootIsDecorated(true);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    setAcceptDrops(true);
    connect(this, &QTreeWidget::itemChanged, this, &AttributeTree::OnItemChanged);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &AttributeTree::OpenItem);
    connect(itemDelegate(), &QAbstractItemDelegate::closeEditor, this, &AttributeTree::EndEdit);
}

AttributeTree::~AttributeTree()
{
    // The base classes close an open editor and drop the items: nothing of
    // that reaches this class any more.
    disconnect(itemDelegate(), nullptr, this, nullptr);
    disconnect(this, nullptr, this, nullptr);
    editing_ = nullptr;
}

void AttributeTree::SetOwner(const std::string& owner, const std::string& file)
{
    owner_ = owner;
    file_ = file;
    UpdateTitle();
}

void AttributeTree::UpdateTitle()
{
    if (!Top())
        return;
    QString title = Q(DatabaseAccess::DatabaseTitle(app_.Database().CurrentPath()));
    if (!file_.empty() && file_ != kNoFileOwner)
        title += QStringLiteral(" [") + QFileInfo(Q(file_)).fileName() + QLatin1Char(']');
    QSignalBlocker quiet(this);
    Top()->setText(0, title);
}

int AttributeTree::FlagsOf(const QTreeWidgetItem* item)
{
    if (!item || !item->parent())
        return 0;
    return SplitNode(item->data(0, kStoredRole).toString().toStdString()).flags;
}

CStrList AttributeTree::PathOf(const QTreeWidgetItem* item) const
{
    CStrList path;
    for (; item && item->parent(); item = item->parent())
        path.insert(path.begin(), item->data(0, kStoredRole).toString().toStdString());
    path.insert(path.begin(), kAttributesNode);
    return path;
}

QTreeWidgetItem* AttributeTree::Find(const QStringList& labels) const
{
    QTreeWidgetItem* item = Top();
    for (const QString& label : labels) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; item && i < item->childCount() && !next; ++i)
            if (item->child(i)->text(0) == label)
                next = item->child(i);
        item = next;
    }
    return item == Top() ? nullptr : item;
}

QTreeWidgetItem* AttributeTree::AddItem(QTreeWidgetItem* parent, const std::string& stored, bool ticked,
                                        const std::string& target)
{
    const NodeString node = SplitNode(stored);
    auto* item = new QTreeWidgetItem(parent, {Q(node.label)});
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDragEnabled;
    if (!(node.flags & kNodeLeaf))
        flags |= Qt::ItemIsDropEnabled;
    item->setData(0, kStoredRole, Q(stored));
    if ((node.flags & kNodeLink) && mode_ == Mode::Pane) {
        const QImage icon = target.empty() ? QImage() : FileTypeIcon(target);
        item->setIcon(0, icon.isNull() ? style()->standardIcon(QStyle::SP_FileIcon) : QIcon(QPixmap::fromImage(icon)));
    } else {
        flags |= Qt::ItemIsUserCheckable;
        item->setCheckState(0, Qt::Unchecked);
    }
    item->setFlags(flags);
    SetTicked(item, ticked);
    return item;
}

void AttributeTree::Populate(const std::vector<AttributeNode>& nodes)
{
    QSignalBlocker quiet(this);
    clear();
    auto* top = new QTreeWidgetItem(this);
    top->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDropEnabled);
    UpdateTitle();
    std::vector<QTreeWidgetItem*> chain{top};
    for (const AttributeNode& node : nodes) {
        if (node.depth < 1 || static_cast<size_t>(node.depth) > chain.size())
            continue;
        chain.resize(static_cast<size_t>(node.depth));
        QTreeWidgetItem* item = AddItem(chain.back(), node.stored, node.ticked, node.target);
        chain.push_back(item);
        if (node.ticked)
            for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
                up->setExpanded(true);
    }
    top->setExpanded(true);
}

std::vector<CStrList> AttributeTree::ItemPaths() const
{
    std::vector<CStrList> paths;
    for (QTreeWidgetItemIterator it(Top()); *it; ++it)
        if (*it != Top())
            paths.push_back(PathOf(*it));
    return paths;
}

void AttributeTree::ApplyTicks(const std::vector<bool>& ticks)
{
    size_t i = 0;
    for (QTreeWidgetItemIterator it(Top()); *it && i < ticks.size(); ++it)
        if (*it != Top())
            SetTicked(*it, ticks[i++]);
}

void AttributeTree::RefreshTicks()
{
    if (!db_)
        return;
    const std::vector<CStrList> paths = ItemPaths();
    std::vector<bool> ticks;
    {
        std::lock_guard lock(DatabaseMutex());
        ticks = ReadTicks(*db_, owner_, paths);
    }
    ApplyTicks(ticks);
}

void AttributeTree::Refill()
{
    if (refill_) {
        refill_();
        return;
    }
    if (!db_)
        return;
    std::vector<AttributeNode> nodes;
    {
        std::lock_guard lock(DatabaseMutex());
        nodes = ReadAttributeTree(*db_, owner_);
    }
    Populate(nodes);
}

void AttributeTree::SetTicked(QTreeWidgetItem* item, bool ticked)
{
    QSignalBlocker quiet(this);
    item->setData(0, kTickedRole, ticked);
    if (HasBox(item))
        item->setCheckState(0, ticked ? Qt::Checked : Qt::Unchecked);
    QFont font = item->font(0);
    font.setBold(ticked);
    item->setFont(0, font);
}

void AttributeTree::TickWithAncestors(QTreeWidgetItem* item)
{
    for (; item && item->parent(); item = item->parent())
        SetTicked(item, true);
}

void AttributeTree::MarkModified()
{
    if (mode_ == Mode::Pane)
        app_.Database().MarkDatabaseModified();
}

void AttributeTree::OnItemChanged(QTreeWidgetItem* item)
{
    if (!item->parent() || !HasBox(item))
        return;
    const bool was = item->data(0, kTickedRole).toBool();
    const bool now = item->checkState(0) == Qt::Checked;
    if (was == now)
        return;  // a label changed
    if (!db_ || owner_.empty()) {
        SetTicked(item, was);
        return;
    }
    const CStrList path = PathOf(item);
    if (now) {
        {
            std::lock_guard lock(DatabaseMutex());
            TickNode(*db_, owner_, path);
        }
        TickWithAncestors(item);
    } else {
        {
            std::lock_guard lock(DatabaseMutex());
            UntickNode(*db_, owner_, path, mode_ == Mode::Pane ? 0 : -1);
        }
        RefreshTicks();
    }
    MarkModified();
}

void AttributeTree::EditItem(QTreeWidgetItem* item)
{
    if (!item || !item->parent())
        return;
    editing_ = item;
    editingNew_ = false;
    oldLabel_ = item->text(0);
    editItem(item, 0);
}

void AttributeTree::InsertItem(QTreeWidgetItem* parent)
{
    if (!parent)
        parent = Top();
    if (!parent || !db_ || owner_.empty() || (FlagsOf(parent) & kNodeLeaf))
        return;
    QTreeWidgetItem* item;
    {
        QSignalBlocker quiet(this);
        item = AddItem(parent, "", false, "");
    }
    parent->setExpanded(true);
    setCurrentItem(item);
    editing_ = item;
    editingNew_ = true;
    oldLabel_.clear();
    editItem(item, 0);
}

void AttributeTree::EndEdit()
{
    QTreeWidgetItem* item = editing_;
    editing_ = nullptr;
    if (!item)
        return;
    const std::string label = item->text(0).toStdString();
    LabelEdit result = LabelEdit::Unchanged;
    if (db_ && !owner_.empty()) {
        BusyScope busy(busy_);
        std::lock_guard lock(DatabaseMutex());
        result = CommitNodeLabel(*db_, app_.Prompt(), owner_, PathOf(item->parent()), FlagsOf(item),
                                 oldLabel_.toStdString(), label, editingNew_);
    }
    QSignalBlocker quiet(this);
    switch (result) {
    case LabelEdit::Unchanged:
    case LabelEdit::Duplicate:
        if (editingNew_)
            delete item;
        else
            item->setText(0, oldLabel_);
        return;
    case LabelEdit::Added:
        item->setData(0, kStoredRole, QString::fromStdString(EncodeNode(FlagsOf(item), label)));
        TickWithAncestors(item);
        break;
    case LabelEdit::Renamed:
        item->setData(0, kStoredRole, QString::fromStdString(EncodeNode(FlagsOf(item), label)));
        break;
    }
    setCurrentItem(item);
    MarkModified();
}

void AttributeTree::DeleteItem(QTreeWidgetItem* item)
{
    if (!item || !item->parent() || !db_)
        return;
    bool deleted = false;
    {
        BusyScope busy(busy_);
        std::lock_guard lock(DatabaseMutex());
        deleted = DeleteNode(*db_, app_.Prompt(), owner_, PathOf(item), FlagsOf(item));
    }
    if (!deleted)
        return;
    MarkModified();
    Refill();
}

void AttributeTree::OpenItem(QTreeWidgetItem* item)
{
    if (mode_ != Mode::Pane || !item || !db_ || !(FlagsOf(item) & kNodeLink))
        return;
    std::string target;
    {
        std::lock_guard lock(DatabaseMutex());
        target = LinkTarget(*db_, owner_, PathOf(item), FlagsOf(item));
    }
    if (target.empty())
        return;
    const QString program = Q(RelocatedPath(target, app_.Database().CurrentPath()));
    QStringList arguments;
    if (!file_.empty() && file_ != kNoFileOwner)
        arguments << Q(file_);
    QString error;
    const QFileInfo info(program);
    bool started;
    if (info.isFile() && info.isExecutable()) {
        // An argument list: names may hold quotes and spaces.
        started = QProcess::startDetached(program, arguments);
        if (!started)
            error = tr("%1 could not be started.").arg(program);
    } else {
        started = OpenWithAssociatedProgram(program, error);
    }
    if (!started) {
        BusyScope busy(busy_);
        app_.Prompt().Show(MsgId::ShellOpenFailed, {error.toStdString()});
    }
}

bool AttributeTree::MoveItem(QTreeWidgetItem* from, QTreeWidgetItem* to)
{
    if (!db_ || !from || !from->parent() || !to || IsBelow(to, from) || (FlagsOf(to) & kNodeLeaf))
        return false;
    bool moved;
    {
        std::lock_guard lock(DatabaseMutex());
        moved = MoveNode(*db_, PathOf(from), PathOf(to));
    }
    if (!moved)
        return false;
    MarkModified();
    Refill();
    return true;
}

bool AttributeTree::DropFiles(QTreeWidgetItem* on, const QStringList& paths)
{
    if (mode_ != Mode::Pane || !db_ || !on || owner_.empty() || (FlagsOf(on) & kNodeLeaf))
        return false;
    const bool fileIsCurrent = owner_ != kNoFileOwner;
    const int flags = fileIsCurrent ? kNodeOwned | kNodeLeaf | kNodeLink : kNodeLeaf | kNodeLink;
    bool any = false;
    for (const QString& path : paths) {
        const std::string target = path.toStdString();
        bool added;
        {
            std::lock_guard lock(DatabaseMutex());
            added = AddLink(*db_, owner_, PathOf(on), target, fileIsCurrent);
        }
        if (!added)
            continue;
        QSignalBlocker quiet(this);
        AddItem(on, EncodeNode(flags, QFileInfo(path).fileName().toStdString()), true, target);
        TickWithAncestors(on);
        on->setExpanded(true);
        any = true;
    }
    if (any)
        MarkModified();
    return any;
}

void AttributeTree::keyPressEvent(QKeyEvent* event)
{
    if (state() != QAbstractItemView::EditingState) {
        switch (event->key()) {
        case Qt::Key_Insert:
            InsertItem(currentItem());
            return;
        case Qt::Key_Delete:
            DeleteItem(currentItem());
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            OpenItem(currentItem());
            return;
        default:
            break;
        }
    }
    QTreeWidget::keyPressEvent(event);
}

void AttributeTree::contextMenuEvent(QContextMenuEvent* event)
{
    QTreeWidgetItem* item = itemAt(event->pos());
    if (item)
        setCurrentItem(item);
    const bool below = item && item->parent();
    QMenu menu(this);
    QAction* open = menu.addAction(tr("&Open"), this, [this, item] { OpenItem(item); });
    open->setEnabled(mode_ == Mode::Pane && (FlagsOf(item) & kNodeLink));
    menu.addAction(tr("&Edit"), this, [this, item] { EditItem(item); })->setEnabled(below);
    menu.addAction(tr("&Insert"), this, [this, item] { InsertItem(item); });
    menu.addAction(tr("&Delete"), this, [this, item] { DeleteItem(item); })->setEnabled(below);
    menu.exec(event->globalPos());
}

void AttributeTree::startDrag(Qt::DropActions actions)
{
    dragged_ = currentItem();
    QTreeWidget::startDrag(actions);
    dragged_ = nullptr;
}

void AttributeTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->source() == this || event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void AttributeTree::dragMoveEvent(QDragMoveEvent* event)
{
    // The target is shown selected.
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    const bool ok = target && !(FlagsOf(target) & kNodeLeaf) &&
                    (event->source() == this ? dragged_ && dragged_->parent() && !IsBelow(target, dragged_)
                                             : mode_ == Mode::Pane && !owner_.empty());
    if (ok) {
        selectionModel()->select(indexFromItem(target), QItemSelectionModel::ClearAndSelect);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void AttributeTree::dropEvent(QDropEvent* event)
{
    QTreeWidgetItem* target = itemAt(event->position().toPoint());
    if (event->source() == this) {
        MoveItem(dragged_, target);
    } else {
        QStringList files;
        for (const QUrl& url : event->mimeData()->urls())
            if (url.isLocalFile())
                files << url.toLocalFile();
        DropFiles(target, files);
    }
    // Copy: the view must not remove the dragged row itself.
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

}  // namespace pix
