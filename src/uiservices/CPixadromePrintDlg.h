#pragma once
// The print dialog with a "Quality" choice: "Normal" lets the printer
// stretch the picture; "High (slow and memory intensive)" resamples it to
// the printed size first. The choice is kept in the settings.

#include <QPrintDialog>

class QRadioButton;

namespace pix {

class SettingsStore;

class CPixadromePrintDlg : public QPrintDialog {
    Q_OBJECT
public:
    CPixadromePrintDlg(QPrinter* printer, SettingsStore& settings, QWidget* parent = nullptr);
    bool HighQuality() const;
    void SetHighQuality(bool high);
    void accept() override;

private:
    SettingsStore& settings_;
    QRadioButton* normal_;
    QRadioButton* high_;
};

}  // namespace pix
