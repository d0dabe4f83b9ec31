#include "app/CChildFrame.h"

#include <QCloseEvent>

namespace pix {

CChildFrame::CChildFrame(QWidget* parent) : QMdiSubWindow(parent) { setAttribute(Qt::WA_DeleteOnClose); }

void CChildFrame::closeEvent(QCloseEvent* event)
{
    if (closeCheck_ && !closeCheck_()) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

}  // namespace pix
