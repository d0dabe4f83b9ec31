#pragma once
// Chooses the scanner or camera the next scan uses ("Scanner"/"Device"):
// the devices the library finds, listed once the search is over.

#include <QDialog>
#include <memory>

class QLabel;
class QListWidget;

namespace pix {

class AppServices;
class ScanWorker;

class CScanDeviceDlg final : public QDialog {
    Q_OBJECT
public:
    CScanDeviceDlg(AppServices& app, QWidget* parent = nullptr);
    ~CScanDeviceDlg() override;

    QListWidget* List() const { return list_; }
    void accept() override;

private:
    AppServices& app_;
    QLabel* status_;
    QListWidget* list_;
    std::unique_ptr<ScanWorker> worker_;
};

}  // namespace pix
