#pragma once
// The scanner's window: mode, resolution, source and area from the
// device's own options, Scan (each page opens as a new untitled image),
// Cancel during a page, Close, the page being read, and whether the window
// stays open after a scan. The device is the chosen one ("Scanner"/
// "Device", else the first found); the options of the last scan are
// applied when it opens, and a value the device refuses is reported once.
//
// The connection lives on its own thread (ScanWorker); this window only
// shows what it reports.

#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/SaneScanner.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

namespace pix {

class AppServices;
class ScanWorker;

class CScanDialog final : public QDialog {
    Q_OBJECT
public:
    CScanDialog(AppServices& app, QWidget* parent = nullptr);
    ~CScanDialog() override;

    // The device is open and its options shown; no page is being read.
    bool Ready() const { return ready_ && !scanning_; }
    bool Scanning() const { return scanning_; }
    // The device could not be opened: the window is of no further use.
    bool Failed() const { return failed_; }
    // The device asked for when the window opened ("" for the first found).
    const std::string& Device() const { return device_; }
    QPushButton* ScanButton() const { return scan_; }
    QPushButton* CancelButton() const { return cancel_; }
    QCheckBox* KeepOpen() const { return keepOpen_; }
    // The control of a device option ("mode", "resolution", "source",
    // "tl-x"…), for tests.
    QWidget* OptionControl(const std::string& name) const;

private:
    using Ranges = std::map<std::string, std::pair<SaneScanner::OptionRange, std::string>>;
    void ShowOptions(const Ranges& ranges);
    std::vector<std::pair<std::string, std::string>> ChosenOptions() const;
    void OnScan();
    void OnScanEnded(const QString& status);
    void ReportProblem(ScanError error);
    void UpdateButtons();

    AppServices& app_;
    std::unique_ptr<ScanWorker> worker_;
    std::map<std::string, QWidget*> controls_;
    QLabel* progress_;
    QCheckBox* keepOpen_;
    QPushButton* scan_;
    QPushButton* cancel_;
    QPushButton* close_;
    bool ready_ = false;
    bool scanning_ = false;
    bool failed_ = false;
    std::string device_;
};

}  // namespace pix
