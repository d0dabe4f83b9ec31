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

namespace pix {

class CChildFrame;
class CSplitterPane;
struct CommandContext;
class CPixadromeApp;
class CPixadromeDoc;
class CPixadromeStatusBar;
class CPixadromeView;
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

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void OnSubWindowActivated(QMdiSubWindow* window);
    CommandContext Context();

    CPixadromeApp& app_;
    QMdiSubWindow* ActiveSubWindow() const;

    QMdiArea* mdi_;
    QSplitter* splitter_ = nullptr;
    CSplitterPane* pane_ = nullptr;
    CPixadromeStatusBar* statusBar_;
    QMenu* recentMenu_ = nullptr;
    QPointer<CPixadromeView> connectedView_;
    QMenu* sheetMenu_ = nullptr;
    QList<QMetaObject::Connection> viewConnections_;
};

}  // namespace pix
