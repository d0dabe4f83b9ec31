#pragma once
// "Compacting": the files missing from the disk, in order, and the
// question whether to remove them from the database.

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace pix {

class CCompactingDlg : public QDialog {
    Q_OBJECT
public:
    CCompactingDlg(const std::vector<std::string>& paths, QWidget* parent);
    QListWidget* List() const { return list_; }

private:
    QListWidget* list_;
};

}  // namespace pix
