#include "dbui/CFileSelect.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "database/DatabaseAccess.h"
#include "dbui/CAttributeDlg.h"
#include "dbui/FileCollection.h"
#include "uiservices/AppServices.h"
#include "uiservices/FileChooser.h"
#include "uiservices/FileDialogs.h"

namespace pix {
namespace {

const QString kAllInDirectory = QStringLiteral("all in directory");

}  // namespace

CFileSelect::CFileSelect(AppServices& app, QWidget* parent, const QString& title, const QString& folder,
                         std::string_view filter, int filterIndex)
    : QFileDialog(parent, title, folder),
      app_(app),
      filter_(filter),
      qtFilters_(QtFilters(filter)),
      subfolders_(new QCheckBox(tr("include subdirectories"))),
      database_(new QPushButton(tr("&Database...")))
{
    setOption(QFileDialog::DontUseNativeDialog);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(qtFilters_);
    if (filterIndex >= 1 && filterIndex <= qtFilters_.size())
        selectNameFilter(qtFilters_[filterIndex - 1]);
    name_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));

    auto* panel = new QWidget(this);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(database_);
    row->addWidget(new QLabel(tr("Select multiple files to create a thumbnail view"), panel), 1);
    row->addWidget(subfolders_);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());

    connect(database_, &QPushButton::clicked, this, &CFileSelect::OnDatabase);
    connect(this, &QFileDialog::directoryEntered, this, &CFileSelect::ResetName);
    if (name_)
        connect(name_, &QLineEdit::textChanged, this, &CFileSelect::OnNameChanged);
    ResetName();
}

void CFileSelect::ResetName()
{
    if (name_)
        name_->setText(kAllInDirectory);
    OnNameChanged();
}

void CFileSelect::OnNameChanged()
{
    const bool wholeFolder = name_ && name_->text() == kAllInDirectory;
    subfolders_->setEnabled(wholeFolder);
    // The dialog allows only existing names; the whole folder is one too.
    if (auto* box = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")); box && wholeFolder)
        if (QPushButton* open = box->button(QDialogButtonBox::Open))
            open->setEnabled(true);
}

int CFileSelect::FilterIndex() const { return static_cast<int>(qtFilters_.indexOf(selectedNameFilter())) + 1; }

void CFileSelect::accept()
{
    if (!name_ || name_->text() != kAllInDirectory) {
        // A folder typed as the name is entered, and the whole of it is
        // offered again.
        const QString typed = name_ ? name_->text().trimmed() : QString();
        const QFileInfo folder(directory(), typed);
        if (!typed.isEmpty() && folder.isDir()) {
            setDirectory(folder.absoluteFilePath());
            ResetName();
            return;
        }
        QFileDialog::accept();
        if (isVisible() && name_ && name_->text().isEmpty())
            ResetName();
        return;
    }
    std::vector<std::string> patterns;
    const auto entries = FilterPatterns(filter_);
    const int index = FilterIndex() - 1;
    if (index >= 0 && static_cast<size_t>(index) < entries.size())
        patterns = entries[static_cast<size_t>(index)];
    collected_ = FilesInFolder(directory().absolutePath().toStdString(), patterns, subfolders_->isChecked());
    if (!collected_.empty())
        done(QDialog::Accepted);
}

void CFileSelect::OnDatabase()
{
    DatabaseAccess& access = app_.Database();
    bool open = false;
    {
        HeldDatabase held(access);  // a damaged file is reported there
        CImageDatabase* db = held.get();
        if (!db)
            return;
        databaseUsed_ = true;
        if (name_ && !name_->text().isEmpty()) {
            if (name_->text() == kAllInDirectory) {
                name_->clear();
            } else {
                for (const QString& file : selectedFiles())
                    if (std::find(collected_.begin(), collected_.end(), file.toStdString()) == collected_.end())
                        collected_.push_back(file.toStdString());
            }
        }
        CAttributeDlg dialog(app_, *db, {}, this);
        open = dialog.exec() == QDialog::Accepted;
        if (open) {
            for (const QString& file : dialog.Selected())
                if (std::find(collected_.begin(), collected_.end(), file.toStdString()) == collected_.end())
                    collected_.push_back(file.toStdString());
            access.MarkDatabaseModified();
        }
    }
    done(open && !collected_.empty() ? QDialog::Accepted : QDialog::Rejected);
}

QStringList CFileSelect::Files() const
{
    if (collected_.empty())
        return selectedFiles();
    QStringList out;
    for (const std::string& path : collected_)
        out << QString::fromStdString(databaseUsed_ ? RelocatedPath(path, app_.Database().CurrentPath()) : path);
    return out;
}

QStringList CFileSelect::Choose(AppServices& app, QWidget* parent, const QString& title, const QString& folder,
                                std::string_view filter, int& filterIndex)
{
    CFileSelect dialog(app, parent, title, folder, filter, filterIndex);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (dialog.FilterIndex() >= 1)
        filterIndex = dialog.FilterIndex();
    return accepted ? dialog.Files() : QStringList();
}

}  // namespace pix
