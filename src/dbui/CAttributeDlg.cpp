#include "dbui/CAttributeDlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <mutex>

#include "database/Attributes.h"
#include "database/DatabaseAccess.h"
#include "database/Maintenance.h"
#include "dbui/AttributeTree.h"
#include "uiservices/AppServices.h"

namespace pix {

CAttributeDlg::CAttributeDlg(AppServices& app, CImageDatabase& db, const QString& file, QWidget* parent)
    : QDialog(parent ? parent : app.MainWindow()),
      db_(db),
      tree_(new AttributeTree(AttributeTree::Mode::Dialog, app, this)),
      list_(new QListWidget(this))
{
    setWindowTitle(file.isEmpty() ? tr("Add files to open") : tr("File attributes"));
    owner_ = kTemplateOwner;
    if (!file.isEmpty()) {
        std::lock_guard lock(DatabaseMutex());
        const RegisterResult result = RegisterFile(db_, file.toStdString(), true, app.Prompt());
        owner_ = result.key;
        file_ = result.file;
        registered_ = result.modified;
    }
    tree_->SetDatabase(&db_);
    tree_->SetOwner(owner_, file_);
    tree_->Refill();

    auto* buttons = new QVBoxLayout;
    for (const char* text : {QT_TR_NOOP("&Add"), QT_TR_NOOP("&Remove"), QT_TR_NOOP("&Clear")}) {
        auto* button = new QPushButton(tr(text), this);
        buttons->addWidget(button);
        connect(button, &QPushButton::clicked, this, [this, text] {
            const std::string which = text;
            if (which == "&Clear") {
                selection_.clear();
            } else {
                std::lock_guard lock(DatabaseMutex());
                if (which == "&Add")
                    AddMatchingFiles(db_, owner_, selection_);
                else
                    RemoveMatchingFiles(db_, owner_, selection_);
            }
            ShowSelection();
        });
    }
    buttons->addStretch();
    auto* files = new QHBoxLayout;
    files->addWidget(list_, 1);
    files->addLayout(buttons);

    auto* box = new QDialogButtonBox(this);
    box->addButton(tr("Open"), QDialogButtonBox::AcceptRole);
    box->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree_, 1);
    layout->addWidget(new QLabel(tr("Selected files:"), this));
    layout->addLayout(files, 1);
    layout->addWidget(box);
    resize(420, 480);
}

QPushButton* CAttributeDlg::Button(const QString& text) const
{
    for (QPushButton* button : findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

QStringList CAttributeDlg::Selected() const
{
    QStringList out;
    for (const std::string& path : selection_)
        out << QString::fromStdString(path);
    return out;
}

void CAttributeDlg::ShowSelection()
{
    list_->clear();
    list_->addItems(Selected());
}

}  // namespace pix
