#pragma once
// The "Attributes" dialog: the attribute tree of one owner and the files
// whose attributes include all of it. Without a file the owner is the
// query "template" (choosing files to open); with a file the file is
// registered first (asking about moves and copies) and its attributes
// are edited. The caller holds the database and marks it modified.

#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace pix {

class AppServices;
class AttributeTree;
class CImageDatabase;

class CAttributeDlg : public QDialog {
    Q_OBJECT
public:
    CAttributeDlg(AppServices& app, CImageDatabase& db, const QString& file = {}, QWidget* parent = nullptr);

    // The listed files, in order.
    QStringList Selected() const;
    // The file the dialog went on with (the kept original of a copy).
    const std::string& File() const { return file_; }
    // The registration changed records.
    bool Registered() const { return registered_; }

    AttributeTree* Tree() const { return tree_; }
    QListWidget* List() const { return list_; }
    QPushButton* Button(const QString& text) const;

private:
    void ShowSelection();

    CImageDatabase& db_;
    AttributeTree* tree_;
    QListWidget* list_;
    std::string owner_;
    std::string file_;
    bool registered_ = false;
    std::vector<std::string> selection_;
};

}  // namespace pix
