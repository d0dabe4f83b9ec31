// The main window's full-screen mode.

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVariant>
#include <algorithm>

#include "app/CMainFrame.h"
#include "app/CPixadromeStatusBar.h"

namespace pix {

namespace {

// Where the floating bar sits: this far in from the screen's right edge
// (further when it is wider) and down from its top.
constexpr int kBarInset = 100;

}  // namespace

void CMainFrame::ToggleFullScreen()
{
    if (fullScreen_.on)
        LeaveFullScreen();
    else
        EnterFullScreen();
    UpdateActions();
}

void CMainFrame::EnterFullScreen()
{
    FullScreenState& saved = fullScreen_;
    saved.toolBar = !toolBar_->isHidden();
    saved.utilityBar = !utilityBar_->isHidden();
    saved.statusBar = !statusBar_->isHidden();
    saved.menuBar = !menuBar()->isHidden();
    saved.geometry = normalGeometry();
    saved.windowState = windowState();
    saved.areaFrame = mdi_->frameShape();
    saved.on = true;

    setUpdatesEnabled(false);
    for (QWidget* bar : {static_cast<QWidget*>(toolBar_), static_cast<QWidget*>(utilityBar_),
                         static_cast<QWidget*>(statusBar_), static_cast<QWidget*>(menuBar())})
        bar->hide();
    // Qt frames the area and draws a caption on maximised windows when
    // there is no menu bar to take their buttons: neither while full.
    mdi_->setFrameShape(QFrame::NoFrame);
    showFullScreen();
    const QRect desktop = screen() ? screen()->geometry() : geometry();
    // The window system may not size the window itself (none may run).
    setGeometry(desktop);
    if (QMdiSubWindow* active = ActiveSubWindow())
        active->showMaximized();
    for (QMdiSubWindow* window : mdi_->subWindowList())
        FitFrameToFullScreen(window);
    setUpdatesEnabled(true);

    saved.bar = new QToolBar(tr("Full screen"), this);
    saved.bar->setObjectName(QStringLiteral("fullScreenBar"));
    QAction* menu = saved.bar->addAction(tr("Menu"));
    menu->setObjectName(QStringLiteral("fullScreenMenu"));
    connect(menu, &QAction::triggered, this, &CMainFrame::ShowFullScreenMenu);
    saved.bar->addAction(Action(QStringLiteral("cancelFullScreen")));
    saved.bar->adjustSize();
    const int width = std::max(kBarInset, saved.bar->width());
    saved.bar->move(desktop.right() + 1 - width - geometry().x(), kBarInset + desktop.y() - geometry().y());
    saved.bar->show();
    saved.bar->raise();
    // A window already as large as the screen gets no new size from the
    // window system: what moved into the bars' place is painted anew.
    QTimer::singleShot(0, this, [this] { update(); });
}

void CMainFrame::LeaveFullScreen()
{
    FullScreenState& saved = fullScreen_;
    if (!saved.on || saved.leaving)
        return;
    saved.leaving = true;
    setUpdatesEnabled(false);
    delete saved.bar;
    saved.bar = nullptr;
    saved.on = false;
    for (QMdiSubWindow* window : mdi_->subWindowList())
        FitFrameToFullScreen(window);
    mdi_->setFrameShape(QFrame::Shape(saved.areaFrame));
    toolBar_->setVisible(saved.toolBar);
    utilityBar_->setVisible(saved.utilityBar);
    statusBar_->setVisible(saved.statusBar);
    menuBar()->setVisible(saved.menuBar);
    setWindowState(saved.windowState & ~Qt::WindowFullScreen);
    if (!(saved.windowState & (Qt::WindowMaximized | Qt::WindowMinimized)))
        setGeometry(saved.geometry);
    setUpdatesEnabled(true);
    saved.leaving = false;
}

void CMainFrame::FitFrameToFullScreen(QMdiSubWindow* window)
{
    const bool frameless = fullScreen_.on && window->isMaximized();
    if (window->windowFlags().testFlag(Qt::FramelessWindowHint) == frameless)
        return;
    // New window flags hide a widget; it comes back in the same state.
    const Qt::WindowStates state = window->windowState();
    window->setWindowFlag(Qt::FramelessWindowHint, frameless);
    window->setWindowState(state);
    window->show();
    // The view's own edge goes too, and comes back as it was.
    if (auto* view = qobject_cast<QFrame*>(window->widget())) {
        const char* const kShape = "pixShapeBeforeFullScreen";
        if (frameless) {
            view->setProperty(kShape, int(view->frameShape()));
            view->setFrameShape(QFrame::NoFrame);
        } else if (view->property(kShape).isValid()) {
            view->setFrameShape(QFrame::Shape(view->property(kShape).toInt()));
            view->setProperty(kShape, QVariant());
        }
    }
}

void CMainFrame::ShowFullScreenMenu()
{
    QToolButton* button =
        fullScreen_.bar ? qobject_cast<QToolButton*>(fullScreen_.bar->widgetForAction(
                              fullScreen_.bar->findChild<QAction*>(QStringLiteral("fullScreenMenu"))))
                        : nullptr;
    if (!button)
        return;
    QMenu popup(this);
    popup.setObjectName(QStringLiteral("fullScreenPopup"));
    for (QAction* action : menuBar()->actions())
        if (action->menu() && !action->text().isEmpty() && action->isVisible())
            popup.addMenu(action->menu());
    const QSize size = popup.sizeHint();
    const QPoint under = button->mapToGlobal(QPoint(button->width() / 2, button->height()));
    popup.exec(QPoint(under.x() - size.width() / 2, under.y()));
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // Maximising leaves full screen, and shows the window maximised.
    if (event->type() == QEvent::WindowStateChange && fullScreen_.on && !fullScreen_.leaving &&
        windowState().testFlag(Qt::WindowMaximized) && !windowState().testFlag(Qt::WindowFullScreen)) {
        fullScreen_.windowState |= Qt::WindowMaximized;
        LeaveFullScreen();
        showMaximized();
        UpdateActions();
    }
}

}  // namespace pix
