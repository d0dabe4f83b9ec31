#pragma once
// The attribute tree of the database pane and of the attribute dialog: the
// top item (the database's title and the current file's name) stands for
// "Attributes"; below it every owner's nodes, those of the current owner
// ticked and bold; links show their target's icon and open it. Every
// change goes to the database under its lock.

#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "database/ImageDatabase.h"
#include "dbui/AttributeSnapshot.h"

namespace pix {

class AppServices;

class AttributeTree : public QTreeWidget {
    Q_OBJECT
public:
    // The pane marks the database modified, unticks from the record start
    // and opens links; the dialog does none of that.
    enum class Mode { Pane, Dialog };
    AttributeTree(Mode mode, AppServices& app, QWidget* parent = nullptr);
    ~AttributeTree() override;

    void SetDatabase(CImageDatabase* db) { db_ = db; }
    // owner: a content key, "none", "template", or empty for a file that
    // cannot be read (then nothing is stored); file: its path, "none" or
    // empty.
    void SetOwner(const std::string& owner, const std::string& file);
    const std::string& Owner() const { return owner_; }
    // How the tree is filled again after a deletion or a move; the default
    // reads the database now.
    void SetRefill(std::function<void()> refill) { refill_ = std::move(refill); }
    void Refill();

    // Shows nodes under a new top item.
    void Populate(const std::vector<AttributeNode>& nodes);
    // The paths of every item below the top, in the order ApplyTicks takes.
    std::vector<CStrList> ItemPaths() const;
    void ApplyTicks(const std::vector<bool>& ticks);
    // Reads the ticks of every item now.
    void RefreshTicks();
    void UpdateTitle();

    QTreeWidgetItem* Top() const { return topLevelItem(0); }
    CStrList PathOf(const QTreeWidgetItem* item) const;
    static int FlagsOf(const QTreeWidgetItem* item);
    // The item below the top reached through these labels, or null.
    QTreeWidgetItem* Find(const QStringList& labels) const;
    // True while an edit or an operation is under way (the pane then
    // changes nothing).
    bool Busy() const { return busy_ > 0 || dragged_ || state() == QAbstractItemView::EditingState; }

    // The commands.
    void OpenItem(QTreeWidgetItem* item);
    void EditItem(QTreeWidgetItem* item);
    void InsertItem(QTreeWidgetItem* parent);
    void DeleteItem(QTreeWidgetItem* item);
    bool MoveItem(QTreeWidgetItem* from, QTreeWidgetItem* to);
    bool DropFiles(QTreeWidgetItem* on, const QStringList& paths);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void OnItemChanged(QTreeWidgetItem* item);
    void EndEdit();
    void SetTicked(QTreeWidgetItem* item, bool ticked);
    void TickWithAncestors(QTreeWidgetItem* item);
    void MarkModified();
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const std::string& stored, bool ticked,
                             const std::string& target);

    const Mode mode_;
    AppServices& app_;
    CImageDatabase* db_ = nullptr;
    std::string owner_;
    std::string file_;
    std::function<void()> refill_;
    int busy_ = 0;
    // The label being edited.
    QTreeWidgetItem* editing_ = nullptr;
    QString oldLabel_;
    bool editingNew_ = false;
    QTreeWidgetItem* dragged_ = nullptr;
};

}  // namespace pix
