#include "dbui/CCompactingDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace pix {

CCompactingDlg::CCompactingDlg(const std::vector<std::string>& paths, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Compacting"));
    for (const std::string& path : paths)
        list_->addItem(QString::fromStdString(path));
    auto* buttons = new QDialogButtonBox(this);
    // The button texts are fixed, not the desktop's.
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addWidget(new QLabel(QStringLiteral("Remove these files from the database ?"), this));
    layout->addWidget(buttons);
    resize(480, 320);
}

}  // namespace pix
