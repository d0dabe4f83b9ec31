#include "scanui/CScanDeviceDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "scanui/ScanWorker.h"
#include "uiservices/AppServices.h"

namespace pix {

CScanDeviceDlg::CScanDeviceDlg(AppServices& app, QWidget* parent)
    : QDialog(parent), app_(app), status_(new QLabel(tr("Looking for devices…"), this)),
      list_(new QListWidget(this))
{
    setWindowTitle(tr("Select source"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CScanDeviceDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CScanDeviceDlg::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CScanDeviceDlg::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(status_);
    layout->addWidget(list_);
    layout->addWidget(buttons);

    const std::string chosen = app_.Settings().Get(settings::kScanDevice, "");
    worker_ = std::make_unique<ScanWorker>(this);
    worker_->Post([this, worker = worker_.get(), chosen](SaneScanner& scanner) {
        const bool ok = scanner.Initialise();
        std::vector<ScanDevice> devices = ok ? scanner.Devices() : std::vector<ScanDevice>();
        scanner.StepDown(1);
        worker->Deliver([this, ok, chosen, devices = std::move(devices)] {
            if (!ok) {
                ShowScanProblem(app_.Prompt(), ScanError::SourceManager);
                reject();
                return;
            }
            status_->setText(devices.empty() ? tr("No scanner or camera was found.") : tr("Devices:"));
            for (const ScanDevice& d : devices) {
                auto* item = new QListWidgetItem(
                    QStringLiteral("%1 %2 (%3)").arg(QString::fromStdString(d.vendor), QString::fromStdString(d.model),
                                                     QString::fromStdString(d.name)),
                    list_);
                item->setData(Qt::UserRole, QString::fromStdString(d.name));
                if (d.name == chosen || list_->count() == 1)
                    list_->setCurrentItem(item);
            }
        });
    });
}

CScanDeviceDlg::~CScanDeviceDlg() = default;

void CScanDeviceDlg::accept()
{
    if (QListWidgetItem* item = list_->currentItem())
        app_.Settings().Set(settings::kScanDevice, item->data(Qt::UserRole).toString().toStdString());
    QDialog::accept();
}

}  // namespace pix
