#pragma once
// The file dialogs the commands use. Tests replace them with a script.

#include <QString>
#include <QStringList>
#include <string_view>

class QWidget;

namespace pix {

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Files to open; empty when cancelled. filterIndex (1-based) is read
    // and updated.
    virtual QStringList ChooseOpen(QWidget* parent, const QString& title, const QString& folder,
                                   std::string_view filter, int& filterIndex) = 0;
    // A file to save to; empty when cancelled.
    virtual QString ChooseSave(QWidget* parent, const QString& title, const QString& folder,
                               const QString& proposedName, std::string_view filter) = 0;
};

// The desktop's own file dialogs.
class DialogFileChooser final : public FileChooser {
public:
    QStringList ChooseOpen(QWidget* parent, const QString& title, const QString& folder, std::string_view filter,
                           int& filterIndex) override;
    QString ChooseSave(QWidget* parent, const QString& title, const QString& folder, const QString& proposedName,
                       std::string_view filter) override;
};

// "desc|patterns|...||" as Qt's "desc (patterns);;..." list.
QStringList QtFilters(std::string_view filter);

}  // namespace pix
