// Printing a contact sheet: the print dialog with its page range, the
// preview and the page setup, over the pages the render layer draws.
#include <QApplication>
#include <QPageSetupDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "common/Progress.h"
#include "render/SheetPages.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "uiservices/AppServices.h"
#include "uiservices/CPixadromePrintDlg.h"
#include "uiservices/CProgressDlg.h"

namespace pix {

namespace {

void UseLayout(QPrinter& printer, const QPageLayout& layout)
{
    if (layout.isValid())
        printer.setPageLayout(layout);
}

}  // namespace

bool CThumbnailView::PrintTo(QPrinter& printer, int first, int last, bool highQuality)
{
    CProgressDlg progress(doc_->Services().MainWindow());
    return PrintSheet(printer, doc_->Sheet(), doc_->Title().toStdString(), first, last, highQuality, progress);
}

void CThumbnailView::OnPrint()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(doc_->Title());
    UseLayout(printer, doc_->PrintLayout());
    const int pages = SheetPageCount(doc_->Sheet());
    CPixadromePrintDlg dialog(&printer, doc_->Services().Settings(), this);
    dialog.setMinMax(1, pages);
    // A range to choose from only when there is more than one page.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, pages > 1);
    if (dialog.exec() != QDialog::Accepted)
        return;
    int first = 1, last = pages;
    if (printer.printRange() == QPrinter::PageRange) {
        first = std::max(1, printer.fromPage());
        last = std::min(pages, printer.toPage());
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintTo(printer, first, last, dialog.HighQuality());
    QApplication::restoreOverrideCursor();
}

void CThumbnailView::OnPrintPreview()
{
    QPrinter printer(QPrinter::HighResolution);
    UseLayout(printer, doc_->PrintLayout());
    QPrintPreviewDialog preview(&printer, this);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        PrintTo(*p, 1, SheetPageCount(doc_->Sheet()), false);
        QApplication::restoreOverrideCursor();
    });
    preview.exec();
}

void CThumbnailView::OnPageSetup()
{
    QPrinter printer(QPrinter::HighResolution);
    UseLayout(printer, doc_->PrintLayout());
    QPageSetupDialog dialog(&printer, this);
    if (dialog.exec() == QDialog::Accepted)
        doc_->PrintLayout() = printer.pageLayout();
}

}  // namespace pix
