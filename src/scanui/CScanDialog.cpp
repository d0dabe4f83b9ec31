#include "scanui/CScanDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "platform/ScanPage.h"
#include "scanui/ScanWorker.h"
#include "uiservices/AppServices.h"

namespace pix {
namespace {

// The options the window offers, with their labels.
const std::pair<const char*, const char*> kOptions[] = {
    {"mode", QT_TRANSLATE_NOOP("CScanDialog", "Mode")},      {"resolution", QT_TRANSLATE_NOOP("CScanDialog", "Resolution")},
    {"source", QT_TRANSLATE_NOOP("CScanDialog", "Source")},  {"tl-x", QT_TRANSLATE_NOOP("CScanDialog", "Left")},
    {"tl-y", QT_TRANSLATE_NOOP("CScanDialog", "Top")},       {"br-x", QT_TRANSLATE_NOOP("CScanDialog", "Right")},
    {"br-y", QT_TRANSLATE_NOOP("CScanDialog", "Bottom")},
};

// The options remembered from the last scan.
const settings::StringKey kRemembered[] = {settings::kScanMode, settings::kScanResolution, settings::kScanSource};
const char* const kRememberedNames[] = {"mode", "resolution", "source"};

// A source that feeds several pages.
bool IsFeeder(const std::string& source)
{
    return source.find("Feeder") != std::string::npos || source.find("ADF") != std::string::npos;
}

}  // namespace

CScanDialog::CScanDialog(AppServices& app, QWidget* parent)
    : QDialog(parent), app_(app), progress_(new QLabel(this)),
      keepOpen_(new QCheckBox(tr("Keep open after scanning"), this)), scan_(new QPushButton(tr("&Scan"), this)),
      cancel_(new QPushButton(tr("Cancel"), this)), close_(new QPushButton(tr("Close"), this))
{
    setWindowTitle(tr("Scan"));
    auto* form = new QFormLayout;
    for (const auto& [name, label] : kOptions) {
        QWidget* control = std::string(name) == "mode" || std::string(name) == "source"
                               ? static_cast<QWidget*>(new QComboBox(this))
                               : new QDoubleSpinBox(this);
        control->setEnabled(false);
        form->addRow(tr(label), control);
        controls_[name] = control;
    }
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(scan_);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(keepOpen_);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    connect(scan_, &QPushButton::clicked, this, &CScanDialog::OnScan);
    connect(cancel_, &QPushButton::clicked, this, [this] { worker_->Cancel(); });
    connect(close_, &QPushButton::clicked, this, &CScanDialog::reject);
    progress_->setText(tr("Opening the device…"));
    UpdateButtons();

    SettingsStore& store = app_.Settings();
    device_ = store.Get(settings::kScanDevice, "");
    std::vector<std::pair<std::string, std::string>> remembered;
    for (size_t i = 0; i < std::size(kRemembered); ++i)
        remembered.emplace_back(kRememberedNames[i], store.Get(kRemembered[i], ""));

    worker_ = std::make_unique<ScanWorker>(this);
    worker_->Post([this, worker = worker_.get(), device = device_, remembered](SaneScanner& scanner) {
        std::optional<ScanError> error;
        if (!scanner.Initialise())
            error = ScanError::SourceManager;
        else if (!scanner.Open(device))
            error = ScanError::DataSource;
        if (error) {
            scanner.StepDown(1);
            worker->Deliver([this, error] {
                failed_ = true;
                progress_->clear();
                ReportProblem(*error);
            });
            return;
        }
        // A remembered value the device refuses: reported once, its default kept.
        bool refused = false;
        for (const auto& [name, value] : remembered)
            refused = (!value.empty() && scanner.SetOption(name, value) == SaneScanner::OptionResult::Refused) || refused;
        Ranges ranges;
        for (const auto& [name, label] : kOptions)
            ranges[name] = {scanner.Describe(name), scanner.Option(name)};
        worker->Deliver([this, refused, ranges] {
            if (refused)
                ReportProblem(ScanError::Capability);
            ShowOptions(ranges);
        });
    });
}

CScanDialog::~CScanDialog() = default;

QWidget* CScanDialog::OptionControl(const std::string& name) const
{
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

void CScanDialog::ShowOptions(const Ranges& ranges)
{
    for (const auto& [name, described] : ranges) {
        const auto& [range, value] = described;
        QWidget* control = controls_.at(name);
        control->setEnabled(range.settable);
        if (auto* combo = qobject_cast<QComboBox*>(control)) {
            combo->clear();
            for (const std::string& choice : range.choices)
                combo->addItem(QString::fromStdString(choice));
            combo->setCurrentText(QString::fromStdString(value));
        } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(control)) {
            spin->setDecimals(name == "resolution" ? 0 : 1);
            const bool listed = !range.choices.empty();
            spin->setRange(listed ? std::stod(range.choices.front()) : range.minimum,
                           listed ? std::stod(range.choices.back()) : range.maximum);
            spin->setValue(value.empty() ? spin->minimum() : std::stod(value));
        }
    }
    ready_ = true;
    progress_->clear();
    UpdateButtons();
}

std::vector<std::pair<std::string, std::string>> CScanDialog::ChosenOptions() const
{
    std::vector<std::pair<std::string, std::string>> options;
    for (const auto& [name, label] : kOptions) {
        QWidget* control = controls_.at(name);
        if (!control->isEnabled())
            continue;
        if (auto* combo = qobject_cast<QComboBox*>(control))
            options.emplace_back(name, combo->currentText().toStdString());
        else if (auto* spin = qobject_cast<QDoubleSpinBox*>(control))
            options.emplace_back(name, QString::number(spin->value()).toStdString());
    }
    return options;
}

void CScanDialog::OnScan()
{
    if (!Ready())
        return;
    const auto options = ChosenOptions();
    SettingsStore& store = app_.Settings();
    for (size_t i = 0; i < std::size(kRemembered); ++i)
        for (const auto& [name, value] : options)
            if (name == kRememberedNames[i])
                store.Set(kRemembered[i], value);
    bool feeder = false;
    for (const auto& [name, value] : options)
        feeder = feeder || (name == "source" && IsFeeder(value));

    scanning_ = true;
    UpdateButtons();
    worker_->Post([this, worker = worker_.get(), options, feeder](SaneScanner& scanner) {
        bool refused = false;
        for (const auto& [name, value] : options)
            refused = scanner.SetOption(name, value) == SaneScanner::OptionResult::Refused || refused;
        if (refused)
            worker->Deliver([this] { ReportProblem(ScanError::Capability); });
        ScanPageBuilder builder;
        const auto result = scanner.ScanPages(
            builder, feeder,
            [this, worker](int page) {
                worker->Deliver([this, page] { progress_->setText(tr("Page %1").arg(page)); });
            },
            [this, worker, &builder](int) {
                worker->Deliver(
                    [this, dib = builder.TakePackedDib()]() mutable { app_.OpenScannedPage(std::move(dib)); });
                return true;
            });
        if (result.end == SaneScanner::BatchEnd::StartFailed)
            worker->Deliver([this] { ReportProblem(ScanError::Enable); });
        // A page cut short or failed is dropped; the device's text says why.
        std::string status = result.end == SaneScanner::BatchEnd::PageFailed ? result.Text() : std::string();
        worker->Deliver([this, status = std::move(status)] { OnScanEnded(QString::fromStdString(status)); });
    });
}

void CScanDialog::ReportProblem(ScanError error) { ShowScanProblem(app_.Prompt(), error); }

void CScanDialog::OnScanEnded(const QString& status)
{
    scanning_ = false;
    progress_->setText(status);
    UpdateButtons();
    if (status.isEmpty() && !keepOpen_->isChecked())
        hide();
}

void CScanDialog::UpdateButtons()
{
    scan_->setEnabled(Ready());
    cancel_->setEnabled(scanning_);
}

}  // namespace pix
