// The main window's bars and their lasting layout, and fitting the main
// window to the active image.

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <algorithm>

#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "app/CPixadromeStatusBar.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "imageui/CPixadromeView.h"

namespace pix {

namespace {

constexpr const char* kLayoutKey = "Layout";
constexpr const char* kStatusBarKey = "StatusBar";
// The smallest main window that Fit window to image makes.
constexpr QSize kSmallestFit(320, 310);

QAction* NamedToggle(QAction* action, const QString& name, const QString& text, const QString& prompt)
{
    action->setObjectName(name);
    action->setText(text);
    action->setStatusTip(prompt);
    return action;
}

}  // namespace

void CMainFrame::BuildBars()
{
    toolBar_ = new QToolBar(tr("Tool bar"), this);
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    utilityBar_ = new QToolBar(tr("Utility bar"), this);
    utilityBar_->setObjectName(QStringLiteral("utilityBar"));
    addToolBar(Qt::TopToolBarArea, utilityBar_);
    utilityBar_->hide();
    NamedToggle(toolBar_->toggleViewAction(), QStringLiteral("toolBarShown"), tr("&Tool bar"),
                tr("Show or hide the toolbar"));
    NamedToggle(utilityBar_->toggleViewAction(), QStringLiteral("utilityBarShown"), tr("&Utility bar"),
                tr("Show or hide utility bar"));
    statusBarAction_ = NamedToggle(new QAction(this), QStringLiteral("statusBarShown"), tr("&Status bar"),
                                   tr("Show or hide the status bar"));
    statusBarAction_->setCheckable(true);
    statusBarAction_->setChecked(true);
    connect(statusBarAction_, &QAction::triggered, this, [this](bool shown) { statusBar_->setVisible(shown); });
}

void CMainFrame::RestoreLayout()
{
    SettingsStore& settings = app_.Settings();
    if (const auto bytes = settings.ReadBinary(settings::kStateBars, kLayoutKey)) {
        const QByteArray state(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size()));
        // Qt checks the bytes before it applies any; bad ones leave the
        // bars as made.
        restoreState(state);
    }
    statusBar_->setVisible(settings.GetInt(settings::kStateBars, kStatusBarKey, 1) != 0);
    if (settings.Get(settings::kDbPane) != 0)
        ShowDatabasePane(true);
}

void CMainFrame::SaveLayout()
{
    SettingsStore& settings = app_.Settings();
    const QByteArray state = saveState();
    settings.WriteBinary(settings::kStateBars, kLayoutKey, std::vector<uint8_t>(state.begin(), state.end()));
    settings.SetInt(settings::kStateBars, kStatusBarKey, statusBar_->isHidden() ? 0 : 1);
}

void CMainFrame::FitWindowToImage()
{
    CPixadromeView* view = ActiveImageView();
    QMdiSubWindow* child = ActiveSubWindow();
    if (!view || !child)
        return;
    // Only a maximised image window makes the main window fit; otherwise
    // the image's own window fits the image.
    if (!child->isMaximized() || IsFullScreen() || isMaximized() || isFullScreen()) {
        view->FitWindowToImage();
        return;
    }
    // The view's room without scroll bars: at the fitted size none shows.
    const QSize change = view->ScrollSize() - view->maximumViewportSize();
    QRect wanted(pos(), (size() + change).expandedTo(kSmallestFit));
    if (const QScreen* shown = screen()) {
        const QRect desktop = shown->availableGeometry();
        if (wanted.right() > desktop.right())
            wanted.moveRight(desktop.right());
        if (wanted.bottom() > desktop.bottom())
            wanted.moveBottom(desktop.bottom());
        wanted = wanted.intersected(desktop);
    }
    resize(wanted.size());
    move(wanted.topLeft());
    child->showMaximized();
}

}  // namespace pix
