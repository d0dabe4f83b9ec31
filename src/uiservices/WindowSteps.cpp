#include "uiservices/WindowSteps.h"

#include <QKeyEvent>
#include <QMdiArea>

namespace pix {

bool StepDocumentWindow(QWidget* view, const QKeyEvent& key)
{
    if (key.key() != Qt::Key_Tab && key.key() != Qt::Key_Backtab)
        return false;
    QWidget* w = view ? view->parentWidget() : nullptr;
    while (w && !qobject_cast<QMdiArea*>(w))
        w = w->parentWidget();
    if (auto* area = qobject_cast<QMdiArea*>(w)) {
        if (key.key() == Qt::Key_Backtab || (key.modifiers() & Qt::ShiftModifier))
            area->activateNextSubWindow();
        else
            area->activatePreviousSubWindow();
    }
    return true;
}

}  // namespace pix
