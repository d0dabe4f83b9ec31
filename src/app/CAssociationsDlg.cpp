#include "app/CAssociationsDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "common/Prompter.h"

namespace pix {

CAssociationsDlg::CAssociationsDlg(FileAssociations& associations, Prompter& prompter, QWidget* parent)
    : QDialog(parent), associations_(associations), prompter_(prompter), rows_(associations.Open()),
      list_(new QTreeWidget(this))
{
    setWindowTitle(tr("Launch Pixadrome with these files:"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("Extension"), tr("Description")});
    list_->header()->resizeSection(0, 64);
    list_->header()->resizeSection(1, 100);
    for (size_t i = 0; i < rows_.size(); ++i)
        new QTreeWidgetItem(list_);
    ShowRows();
    connect(list_, &QTreeWidget::itemChanged, this, &CAssociationsDlg::OnItemChanged);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CAssociationsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CAssociationsDlg::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

void CAssociationsDlg::ShowRows()
{
    const QSignalBlocker blocker(list_);
    for (size_t i = 0; i < rows_.size(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(static_cast<int>(i));
        item->setText(0, rows_[i].extension);
        item->setCheckState(0, rows_[i].ticked ? Qt::Checked : Qt::Unchecked);
        item->setText(1, FileAssociations::ShownDescription(rows_[i]));
    }
}

void CAssociationsDlg::OnItemChanged(QTreeWidgetItem* item)
{
    const size_t row = static_cast<size_t>(list_->indexOfTopLevelItem(item));
    if (row < rows_.size() && rows_[row].ticked != (item->checkState(0) == Qt::Checked))
        FileAssociations::Toggle(rows_, row);
    ShowRows();
}

void CAssociationsDlg::accept()
{
    for (MsgId failure : associations_.Apply(rows_))
        prompter_.Show(failure);
    QDialog::accept();
}

}  // namespace pix
