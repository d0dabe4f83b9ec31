#pragma once
// The main window: menus, tool bar, status bar and the area of the
// document windows. Document commands go to the active window's document
// and view.

#include <QMainWindow>
#include <QPointer>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QSplitter;
class QToolBar;

namespace pix {

class CChildFrame;
class CSplitterPane;
struct CommandContext;
class CPixadromeApp;
class CPixadromeDoc;
class CPixadromeStatusBar;
class CPixadromeView;
class CSlideView;
class CThumbnailView;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CPixadromeApp& app);
    ~CMainFrame() override;

    // Puts a new document window into the area; view is null for windows
    // that are not image views.
    void AddChild(CChildFrame* frame, CPixadromeView* view);
    // Puts a new contact-sheet window into the area.
    void AddSheetChild(CChildFrame* frame, CThumbnailView* view);
    CChildFrame* FindImageWindow(const QString& path) const;
    void Activate(CChildFrame* frame);
    QList<CChildFrame*> Children() const;
    CPixadromeView* ActiveImageView() const;
    CThumbnailView* ActiveSheetView() const;
    CSlideView* ActiveSlideView() const;
    // The file shown by the active window (see AppServices::ViewedFile).
    std::optional<std::string> ViewedFile() const;
    // The database pane left of the document windows; hiding it destroys
    // it, which saves the database when it changed.
    void ShowDatabasePane(bool show);
    CSplitterPane* DatabasePane() const { return pane_; }
    QMdiArea* MdiArea() const { return mdi_; }
    void UpdateRecentFiles();
    // Enables and disables the commands for the active window.
    void UpdateActions();
    QString StatusPaneText() const;
    QAction* Action(const QString& name) const;

    // Full-screen mode: the bars hidden, the window over the whole screen,
    // the active document window maximised without caption or border, and
    // a small floating bar with "Menu" and "Cancel full screen". Leaving
    // restores the bars and the window as they were.
    bool IsFullScreen() const { return fullScreen_.on; }
    void ToggleFullScreen();
    // The floating bar; null unless full screen is on.
    QToolBar* FullScreenBar() const { return fullScreen_.bar; }
    // The floating bar's "Menu": the menu bar's menus in a pop-up under
    // the button.
    void ShowFullScreenMenu();
    // Grows or shrinks the main window around the active image when its
    // window is maximised (else the image's window fits the image).
    void FitWindowToImage();
    QToolBar* UtilityBar() const { return utilityBar_; }

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildBars();
    // The bars' docking and visibility ("State\\Bars"), and the database
    // pane's ("State").
    void RestoreLayout();
    void SaveLayout();
    void EnterFullScreen();
    void LeaveFullScreen();
    // While full screen is on, a maximised document window has no
    // caption or border.
    void FitFrameToFullScreen(QMdiSubWindow* window);
    void FollowFullScreen(QMdiSubWindow* window);
    void OnSubWindowActivated(QMdiSubWindow* window);
    CommandContext Context();

    CPixadromeApp& app_;
    QMdiSubWindow* ActiveSubWindow() const;

    QMdiArea* mdi_;
    QSplitter* splitter_ = nullptr;
    CSplitterPane* pane_ = nullptr;
    CPixadromeStatusBar* statusBar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QPointer<CPixadromeView> connectedView_;
    QMenu* sheetMenu_ = nullptr;
    QList<QMetaObject::Connection> viewConnections_;
    QToolBar* toolBar_ = nullptr;
    QToolBar* utilityBar_ = nullptr;
    QAction* statusBarAction_ = nullptr;

    struct FullScreenState {
        bool on = false;
        bool leaving = false;
        bool toolBar = false, utilityBar = false, statusBar = false, menuBar = false;
        QRect geometry;  // the window's place when it is neither maximised nor full
        Qt::WindowStates windowState;
        int areaFrame = 0;
        QToolBar* bar = nullptr;
    } fullScreen_;
};

}  // namespace pix
