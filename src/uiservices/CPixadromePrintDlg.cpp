#include "uiservices/CPixadromePrintDlg.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"

namespace pix {

CPixadromePrintDlg::CPixadromePrintDlg(QPrinter* printer, SettingsStore& settings, QWidget* parent)
    : QPrintDialog(printer, parent), settings_(settings)
{
    // Printing to a PDF file is how a page is printed without a printer
    // here: the dialog keeps that choice among its printers.
    setOption(QAbstractPrintDialog::PrintToFile, true);
    setOption(QAbstractPrintDialog::PrintSelection, false);
    setOption(QAbstractPrintDialog::PrintPageRange, false);
    setMinMax(1, 65535);
    auto* group = new QGroupBox(tr("Quality"));
    group->setWindowTitle(tr("Quality"));
    normal_ = new QRadioButton(tr("Normal"), group);
    high_ = new QRadioButton(tr("High (slow and memory intensive)"), group);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(normal_);
    layout->addWidget(high_);
    layout->addStretch();
    SetHighQuality(settings_.Get(settings::kPrintQuality) != 0);
    setOptionTabs({group});
}

bool CPixadromePrintDlg::HighQuality() const { return high_->isChecked(); }

void CPixadromePrintDlg::SetHighQuality(bool high)
{
    high_->setChecked(high);
    normal_->setChecked(!high);
}

void CPixadromePrintDlg::accept()
{
    settings_.Set(settings::kPrintQuality, HighQuality() ? 1 : 0);
    QPrintDialog::accept();
}

}  // namespace pix
