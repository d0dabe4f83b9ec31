#pragma once
// "Launch Pixadrome with these files:": one row per image extension, ticked
// when Pixadrome opens it. OK claims the newly ticked types and gives the
// newly unticked ones back to their previous programs; Cancel changes
// nothing.

#include <QDialog>
#include <vector>

#include "platform/FileAssociations.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace pix {

class Prompter;

class CAssociationsDlg final : public QDialog {
    Q_OBJECT
public:
    CAssociationsDlg(FileAssociations& associations, Prompter& prompter, QWidget* parent = nullptr);

    QTreeWidget* List() const { return list_; }
    void accept() override;

private:
    void OnItemChanged(QTreeWidgetItem* item);
    void ShowRows();

    FileAssociations& associations_;
    Prompter& prompter_;
    std::vector<AssociationRow> rows_;
    QTreeWidget* list_;
};

}  // namespace pix
