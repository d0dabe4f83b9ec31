#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <algorithm>
#include <string_view>
#include <type_traits>

#include "app/CChildFrame.h"
#include "app/CPixadromeApp.h"
#include "app/MainFrameCommands.h"
#include "app/CPixadromeStatusBar.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "dbui/CSplitterPane.h"
#include "imageui/CPixadromeDoc.h"
#include "uiservices/AfterReturn.h"
#include "uiservices/CProgressDlg.h"
#include "imageui/CPixadromeView.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "slideui/CSlideView.h"
#include "slideui/CSlideWindow.h"

namespace pix {

namespace {

// A stored pane width beyond this is not trusted.
constexpr int kMaxPaneWidth = 8192;

}  // namespace

CMainFrame::CMainFrame(CPixadromeApp& app) : app_(app), mdi_(new QMdiArea(this))
{
    setObjectName(QStringLiteral("PixadromeClass"));
    setWindowTitle(QStringLiteral("Pixadrome"));
    setCentralWidget(mdi_);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    BuildBars();
    BuildMenus();

    statusBar_ = new CPixadromeStatusBar(mdi_, this);
    setStatusBar(statusBar_);
    // No larger than the screen (a small one, or a large scale factor).
    QSize size(1024, 720);
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size());
    resize(size);
    RestoreLayout();
    setAcceptDrops(true);
    UpdateActions();
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateActions);
}

CMainFrame::~CMainFrame()
{
    // The document windows go first, while this window can still take
    // their last signals.
    app_.Settings().Set(settings::kDbPane, pane_ ? 1 : 0);
    ShowDatabasePane(false);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    disconnect(mdi_, nullptr, this, nullptr);
    for (auto& c : viewConnections_)
        disconnect(c);
    delete mdi_;
    mdi_ = nullptr;
}

QAction* CMainFrame::Action(const QString& name) const { return findChild<QAction*>(name); }

void CMainFrame::FollowFullScreen(QMdiSubWindow* window)
{
    connect(window, &QMdiSubWindow::windowStateChanged, this, [this, window] {
        if (fullScreen_.on)
            FitFrameToFullScreen(window);
    });
}

CommandContext CMainFrame::Context() { return {app_, *this, ActiveImageView(), ActiveSheetView()}; }

void CMainFrame::BuildMenus()
{
    for (const MainFrameCommand& command : MainFrameCommands()) {
        auto* action = new QAction(QCoreApplication::translate("CMainFrame", command.text), this);
        action->setObjectName(QString::fromLatin1(command.name));
        // The prompt is "status text\ntool tip".
        const QStringList parts = QCoreApplication::translate("CMainFrame", command.prompt).split(QLatin1Char('\n'));
        action->setStatusTip(parts.value(0));
        action->setToolTip(parts.value(1, parts.value(0)));
        if (!command.key.isEmpty())
            action->setShortcut(command.key);
        if (command.icon)
            action->setIcon(style()->standardIcon(*command.icon));
        const auto& run = command.run;
        connect(action, &QAction::triggered, this, [this, &run] { run(Context()); });
        // Keys work while the window is shown, also in full screen, where
        // the menu bar that shows the actions is hidden.
        addAction(action);
        action->setCheckable(static_cast<bool>(command.checked));
    }
    // Menus and the tool bar both take actions and separators; only a
    // menu holds submenus: the recent files, and those that ">title"
    // opens and "<" closes.
    auto fill = [this](auto* menuOrBar, const std::vector<const char*>& items) {
        std::vector<QMenu*> open;
        for (const char* item : items) {
            const std::string_view name(item);
            auto* target = menuOrBar;
            if constexpr (std::is_same_v<decltype(target), QMenu*>) {
                if (!open.empty())
                    target = open.back();
                if (name.substr(0, 1) == ">") {
                    open.push_back(target->addMenu(QCoreApplication::translate("CMainFrame", item + 1)));
                    continue;
                }
                if (name == "<") {
                    open.pop_back();
                    continue;
                }
            }
            if (name == "-") {
                target->addSeparator();
            } else if (name == "recent") {
                if constexpr (std::is_same_v<decltype(target), QMenu*>)
                    recentMenu_ = target->addMenu(tr("Recent &Files"));
            } else {
                target->addAction(Action(QString::fromLatin1(item)));
            }
        }
    };
    for (const MenuLayout& layout : MainFrameMenus()) {
        QMenu* menu = menuBar()->addMenu(QCoreApplication::translate("CMainFrame", layout.title));
        fill(menu, layout.items);
        if (std::string_view(layout.title) == kSheetMenuTitle)
            sheetMenu_ = menu;
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateActions);
    }
    fill(toolBar_, MainFrameToolBar());
    fill(utilityBar_, MainFrameUtilityBar());
    UpdateRecentFiles();
}

void CMainFrame::UpdateRecentFiles()
{
    if (!recentMenu_)
        return;
    recentMenu_->clear();
    int n = 0;
    for (const std::string& path : app_.RecentFiles().Items()) {
        const QString p = QString::fromStdString(path);
        QAction* a = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(++n).arg(p));
        connect(a, &QAction::triggered, this, [this, p] { app_.OpenPath(p); });
    }
    recentMenu_->setEnabled(n > 0);
}

void CMainFrame::AddChild(CChildFrame* frame, CPixadromeView* view)
{
    mdi_->addSubWindow(frame);
    FollowFullScreen(frame);
    if (view) {
        view->setProperty("pixImageView", true);
        frame->setWindowTitle(view->Caption());
        connect(&view->Document(), &CPixadromeDoc::modifiedChanged, this, &CMainFrame::UpdateActions);
        connect(&view->Document(), &CPixadromeDoc::imageChanged, this, &CMainFrame::UpdateActions);
        connect(view, &CPixadromeView::captionChanged, this, &CMainFrame::UpdateActions);
        const bool childrenMaximized = mdi_->activeSubWindow() && mdi_->activeSubWindow()->isMaximized();
        frame->show();
        if (!childrenMaximized)
            view->FitWindowToImage();
    } else {
        frame->resize(480, 360);
        frame->show();
    }
    mdi_->setActiveSubWindow(frame);
    UpdateActions();
}

void CMainFrame::AddSheetChild(CChildFrame* frame, CThumbnailView* view)
{
    mdi_->addSubWindow(frame);
    FollowFullScreen(frame);
    SettingsStore& settings = app_.Settings();
    const auto get = [&settings](const settings::IntKey& key) {
        return settings.Get(key);
    };
    const QRect area = mdi_->viewport()->rect();
    if (get(settings::kSheetWindowFill) == 0 || area.width() < 480 || area.height() < 360) {
        frame->resize(480, 360);
        frame->show();
        view->NarrowToTwoColumns(frame);
    } else {
        // The size the user last gave a sheet window, else the whole area.
        QSize size(get(settings::kSheetWindowWidth), get(settings::kSheetWindowHeight));
        if (size.width() <= 0 || size.height() <= 0)
            size = area.size();
        size = size.boundedTo(area.size()).expandedTo(QSize(160, 120));
        frame->show();
        const QPoint at = frame->pos();
        frame->setGeometry(QRect(QPoint(std::min(at.x(), area.width() - size.width()),
                                        std::min(at.y(), area.height() - size.height())),
                                 size));
    }
    connect(frame, &CChildFrame::userSized, this, [&settings](QSize size) {
        settings.Set(settings::kSheetWindowWidth, size.width());
        settings.Set(settings::kSheetWindowHeight, size.height());
    });
    connect(&view->Document(), &CThumbnailDoc::modifiedChanged, this, &CMainFrame::UpdateActions);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &CMainFrame::UpdateActions);
    mdi_->setActiveSubWindow(frame);
    OnSubWindowActivated(frame);
}

QList<CChildFrame*> CMainFrame::Children() const
{
    QList<CChildFrame*> out;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* c = qobject_cast<CChildFrame*>(w))
            out << c;
    return out;
}

CChildFrame* CMainFrame::FindImageWindow(const QString& path) const
{
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (CChildFrame* c : Children())
        if (auto* view = qobject_cast<CPixadromeView*>(c->widget()))
            if (!view->Document().PathName().isEmpty() &&
                QFileInfo(view->Document().PathName()).absoluteFilePath() == wanted)
                return c;
    return nullptr;
}

void CMainFrame::Activate(CChildFrame* frame) { mdi_->setActiveSubWindow(frame); }

QMdiSubWindow* CMainFrame::ActiveSubWindow() const
{
    QMdiSubWindow* active = mdi_->activeSubWindow();
    if (!active) {
        // Without focus (offscreen, or the main window inactive) the last
        // activated window still counts.
        const auto list = mdi_->subWindowList(QMdiArea::ActivationHistoryOrder);
        active = list.isEmpty() ? nullptr : list.last();
    }
    return active;
}

CPixadromeView* CMainFrame::ActiveImageView() const
{
    QMdiSubWindow* active = ActiveSubWindow();
    return active ? qobject_cast<CPixadromeView*>(active->widget()) : nullptr;
}

CThumbnailView* CMainFrame::ActiveSheetView() const
{
    QMdiSubWindow* active = mdi_ ? ActiveSubWindow() : nullptr;
    return active ? qobject_cast<CThumbnailView*>(active->widget()) : nullptr;
}

CSlideView* CMainFrame::ActiveSlideView() const
{
    QMdiSubWindow* active = mdi_ ? ActiveSubWindow() : nullptr;
    auto* window = active ? qobject_cast<CSlideWindow*>(active->widget()) : nullptr;
    return window ? window->View() : nullptr;
}

std::optional<std::string> CMainFrame::ViewedFile() const
{
    QMdiSubWindow* active = mdi_ ? ActiveSubWindow() : nullptr;
    if (!active)
        return std::nullopt;
    if (CSlideView* slide = ActiveSlideView())
        return slide->ViewedFile();
    if (auto* image = qobject_cast<CPixadromeView*>(active->widget())) {
        const QString& path = image->Document().PathName();
        return path.toStdString();
    }
    if (auto* sheet = qobject_cast<CThumbnailView*>(active->widget())) {
        const std::vector<size_t> selected = sheet->SelectedPositions();
        const ThumbnailSheet& items = sheet->Document().Sheet();
        if (selected.size() != 1 || selected.front() >= items.Count())
            return std::nullopt;
        return items.Files()[items.ItemAt(selected.front())];
    }
    return std::nullopt;
}

void CMainFrame::ShowDatabasePane(bool show)
{
    if (show == (pane_ != nullptr) || !mdi_)
        return;
    SettingsStore& settings = app_.Settings();
    if (show) {
        splitter_ = new QSplitter(Qt::Horizontal);
        pane_ = new CSplitterPane(app_, splitter_);
        takeCentralWidget();
        splitter_->addWidget(pane_);
        splitter_->addWidget(mdi_);
        splitter_->setStretchFactor(1, 1);
        setCentralWidget(splitter_);
        int width = settings.Get(settings::kDbPaneWidth);
        if (width < 1 || width > kMaxPaneWidth)
            width = settings::kDbPaneWidth.fallback;
        splitter_->setSizes({width, std::max(1, this->width() - width)});
    } else {
        settings.Set(settings::kDbPaneWidth, splitter_->sizes().value(0, settings::kDbPaneWidth.fallback));
        // The pane goes first: it waits for its worker and saves.
        delete pane_;
        pane_ = nullptr;
        takeCentralWidget();
        setCentralWidget(mdi_);
        delete splitter_;
        splitter_ = nullptr;
    }
    UpdateActions();
}

QString CMainFrame::StatusPaneText() const { return statusBar_->Info(); }

void CMainFrame::OnSubWindowActivated(QMdiSubWindow*)
{
    for (auto& c : viewConnections_)
        disconnect(c);
    viewConnections_.clear();
    CPixadromeView* view = ActiveImageView();
    connectedView_ = view;
    if (view) {
        viewConnections_ << connect(view, &CPixadromeView::statusTextChanged, statusBar_,
                                    &CPixadromeStatusBar::SetInfo);
        statusBar_->SetInfo(view->StatusText());
    } else if (CThumbnailView* sheet = ActiveSheetView()) {
        viewConnections_ << connect(sheet, &CThumbnailView::statusTextChanged, statusBar_,
                                    &CPixadromeStatusBar::SetInfo);
        statusBar_->SetInfo(sheet->StatusText());
    } else if (CSlideView* slide = ActiveSlideView()) {
        viewConnections_ << connect(slide, &CSlideView::statusTextChanged, statusBar_, &CPixadromeStatusBar::SetInfo);
        statusBar_->SetInfo(slide->StatusText());
    } else {
        statusBar_->SetInfo(QString());
    }
    UpdateActions();
}

void CMainFrame::UpdateActions()
{
    if (!mdi_)
        return;
    const CommandContext context = Context();
    if (sheetMenu_)
        sheetMenu_->menuAction()->setVisible(context.sheet != nullptr);
    for (const MainFrameCommand& command : MainFrameCommands())
        if (QAction* a = Action(QString::fromLatin1(command.name)))
            a->setEnabled(!command.enabled || command.enabled(context));
    for (const MainFrameCommand& command : MainFrameCommands())
        if (QAction* a = command.checked ? Action(QString::fromLatin1(command.name)) : nullptr)
            a->setChecked(command.checked(context));
    if (statusBar_)
        statusBarAction_->setChecked(!statusBar_->isHidden());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Nothing closes the program while a long operation runs.
    if (CProgressDlg::OperationRunning()) {
        event->ignore();
        return;
    }
    LeaveFullScreen();
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        event->ignore();  // a document kept its window open
        return;
    }
    SaveLayout();
    app_.CloseScanner();
    QMainWindow::closeEvent(event);
}

}  // namespace pix

namespace pix {

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    // Dropped files open one by one, as if named on the command line. A
    // drop here only opens: the source is told the files were copied, so
    // a sheet dragged from keeps its items. They open once the drop has
    // been answered (a folder shows progress, which pumps events).
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    RunAfterReturn(this, [this, paths] {
        for (const QString& path : paths)
            app_.OpenPath(path);
    });
}

}  // namespace pix
