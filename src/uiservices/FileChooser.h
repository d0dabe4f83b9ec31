#pragma once
// The file dialogs the commands use. Tests replace them with a script.

#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>

class QWidget;

namespace pix {

class Prompter;

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // Files to open; empty when cancelled. filterIndex (1-based) is read
    // and updated.
    virtual QStringList ChooseOpen(QWidget* parent, const QString& title, const QString& folder,
                                   std::string_view filter, int& filterIndex) = 0;
    // One existing file, proposedName offered in the name field; empty
    // when cancelled. By default ChooseOpen's first file.
    virtual QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& folder,
                                   const QString& proposedName, std::string_view filter);
    // A file to save to; empty when cancelled. A name typed without an
    // extension gets defaultSuffix (without its dot), when one is given.
    virtual QString ChooseSave(QWidget* parent, const QString& title, const QString& folder,
                               const QString& proposedName, std::string_view filter,
                               const QString& defaultSuffix = QString()) = 0;
    // A file to save to with a type filter whose index (1-based) is read
    // and updated; empty when cancelled. By default ChooseSave.
    virtual QString ChooseSaveTyped(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& proposedName, std::string_view filter, int& filterIndex,
                                    const QString& defaultSuffix = QString());
    // An existing file or a new name (given suffix when it has none),
    // starting at path; empty when cancelled. By default a save dialog.
    virtual QString ChooseExistingOrNew(QWidget* parent, const QString& title, const QString& path,
                                        std::string_view filter, const QString& suffix);
};

// The program's file dialogs: saving refuses types the filter does not
// name (reported through prompter); opening goes to the dialog the
// application sets, else to a plain one.
class DialogFileChooser final : public FileChooser {
public:
    using OpenDialog = std::function<QStringList(QWidget* parent, const QString& title, const QString& folder,
                                                 std::string_view filter, int& filterIndex)>;
    explicit DialogFileChooser(Prompter& prompter) : prompter_(prompter) {}
    void SetOpenDialog(OpenDialog open) { open_ = std::move(open); }

    QStringList ChooseOpen(QWidget* parent, const QString& title, const QString& folder, std::string_view filter,
                           int& filterIndex) override;
    QString ChooseOpenFile(QWidget* parent, const QString& title, const QString& folder,
                           const QString& proposedName, std::string_view filter) override;
    QString ChooseSave(QWidget* parent, const QString& title, const QString& folder, const QString& proposedName,
                       std::string_view filter, const QString& defaultSuffix = QString()) override;
    QString ChooseSaveTyped(QWidget* parent, const QString& title, const QString& folder, const QString& proposedName,
                            std::string_view filter, int& filterIndex,
                            const QString& defaultSuffix = QString()) override;
    QString ChooseExistingOrNew(QWidget* parent, const QString& title, const QString& path, std::string_view filter,
                                const QString& suffix) override;

private:
    Prompter& prompter_;
    OpenDialog open_;
};

// "desc|patterns|...||" as Qt's "desc (patterns);;..." list.
QStringList QtFilters(std::string_view filter);

}  // namespace pix
