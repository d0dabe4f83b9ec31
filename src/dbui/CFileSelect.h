#pragma once
// The open dialog of the program: several files at once, a whole folder
// (the name "all in directory", with or without its subfolders), or the
// files the attribute dialog finds in the database.

#include <QFileDialog>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pix {

class AppServices;

class CFileSelect : public QFileDialog {
    Q_OBJECT
public:
    CFileSelect(AppServices& app, QWidget* parent, const QString& title, const QString& folder,
                std::string_view filter, int filterIndex);

    // The chosen files: the collected ones when there are any (from the
    // database: a missing one is looked for in the database's folder),
    // else the dialog's selection.
    QStringList Files() const;
    // The 1-based index of the chosen filter.
    int FilterIndex() const;

    // Runs as the file chooser's open dialog.
    static QStringList Choose(AppServices& app, QWidget* parent, const QString& title, const QString& folder,
                              std::string_view filter, int& filterIndex);

    QLineEdit* NameBox() const { return name_; }
    QCheckBox* Subfolders() const { return subfolders_; }
    QPushButton* DatabaseButton() const { return database_; }

    void accept() override;

private:
    void OnDatabase();
    void ResetName();
    void OnNameChanged();

    AppServices& app_;
    std::string filter_;
    QStringList qtFilters_;
    QLineEdit* name_ = nullptr;
    QCheckBox* subfolders_;
    QPushButton* database_;
    std::vector<std::string> collected_;
    bool databaseUsed_ = false;
};

}  // namespace pix
