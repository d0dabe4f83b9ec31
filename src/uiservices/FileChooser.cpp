#include "uiservices/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "uiservices/FileDialogs.h"

namespace pix {

QStringList QtFilters(std::string_view filter)
{
    const QStringList parts =
        QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size())).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // The description already names its patterns; Qt takes the ones in
        // the last parentheses, so give it the real list there.
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out;
}

QString FileChooser::ChooseExistingOrNew(QWidget* parent, const QString& title, const QString& path,
                                        std::string_view filter, const QString&)
{
    const QFileInfo info(path);
    return ChooseSave(parent, title, info.absolutePath(), info.fileName(), filter);
}

QString FileChooser::ChooseOpenFile(QWidget* parent, const QString& title, const QString& folder, const QString&,
                                    std::string_view filter)
{
    int filterIndex = 1;
    return ChooseOpen(parent, title, folder, filter, filterIndex).value(0);
}

QString FileChooser::ChooseSaveTyped(QWidget* parent, const QString& title, const QString& folder,
                                     const QString& proposedName, std::string_view filter, int&,
                                     const QString& defaultSuffix)
{
    return ChooseSave(parent, title, folder, proposedName, filter, defaultSuffix);
}

QString DialogFileChooser::ChooseSaveTyped(QWidget* parent, const QString& title, const QString& folder,
                                           const QString& proposedName, std::string_view filter, int& filterIndex,
                                           const QString& defaultSuffix)
{
    CFileSave dialog(prompter_, parent, title, folder, filter);
    dialog.setDefaultSuffix(defaultSuffix);
    const QStringList filters = QtFilters(filter);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.selectFile(proposedName);
    const bool accepted = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    const auto chosen = filters.indexOf(dialog.selectedNameFilter());
    if (accepted && chosen >= 0)
        filterIndex = static_cast<int>(chosen) + 1;
    return accepted ? dialog.selectedFiles().first() : QString();
}

QString DialogFileChooser::ChooseExistingOrNew(QWidget* parent, const QString& title, const QString& path,
                                               std::string_view filter, const QString& suffix)
{
    const QFileInfo info(path);
    QFileDialog dialog(parent, title, info.absolutePath());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(suffix);
    dialog.setNameFilters(QtFilters(filter));
    dialog.selectFile(info.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QStringList DialogFileChooser::ChooseOpen(QWidget* parent, const QString& title, const QString& folder,
                                          std::string_view filter, int& filterIndex)
{
    if (open_)
        return open_(parent, title, folder, filter, filterIndex);
    const QStringList filters = QtFilters(filter);
    QFileDialog dialog(parent, title, folder);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    const bool accepted = dialog.exec() == QDialog::Accepted;
    const int chosen = static_cast<int>(filters.indexOf(dialog.selectedNameFilter()));
    if (chosen >= 0)
        filterIndex = chosen + 1;
    return accepted ? dialog.selectedFiles() : QStringList();
}

QString DialogFileChooser::ChooseOpenFile(QWidget* parent, const QString& title, const QString& folder,
                                          const QString& proposedName, std::string_view filter)
{
    QFileDialog dialog(parent, title, folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QtFilters(filter));
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString DialogFileChooser::ChooseSave(QWidget* parent, const QString& title, const QString& folder,
                                      const QString& proposedName, std::string_view filter,
                                      const QString& defaultSuffix)
{
    if (!filter.empty()) {
        int firstType = 0;
        return ChooseSaveTyped(parent, title, folder, proposedName, filter, firstType, defaultSuffix);
    }
    // Without a filter the target of a copy or move is chosen: the file
    // operation asks before it replaces a file, so the dialog asks nothing.
    QFileDialog dialog(parent, title, folder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

}  // namespace pix
