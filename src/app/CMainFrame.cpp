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
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "app/CChildFrame.h"
#include "app/CPixadromeApp.h"
#include "app/CPixadromeDoc.h"
#include "app/CProgressDlg.h"
#include "platform/ClipboardImage.h"
#include "view/CPixadromeView.h"

namespace pix {

CMainFrame::CMainFrame(CPixadromeApp& app) : app_(app), mdi_(new QMdiArea(this))
{
    setObjectName(QStringLiteral("PixadromeClass"));
    setWindowTitle(QStringLiteral("Pixadrome"));
    setCentralWidget(mdi_);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(mdi_, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    BuildMenus();

    middlePane_ = new QLabel(this);
    infoPane_ = new QLabel(this);
    infoPane_->setMinimumWidth(64);
    statusBar()->addWidget(middlePane_, 1);
    statusBar()->addPermanentWidget(infoPane_);
    statusBar()->showMessage(tr("Ready"));
    resize(1024, 720);
    setAcceptDrops(true);
    UpdateActions();
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CMainFrame::UpdateActions);
}

CMainFrame::~CMainFrame()
{
    // The document windows go first, while this window can still take
    // their last signals.
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    disconnect(mdi_, nullptr, this, nullptr);
    for (auto& c : viewConnections_)
        disconnect(c);
    delete mdi_;
    mdi_ = nullptr;
}

QAction* CMainFrame::MakeAction(const QString& name, const QString& text, const QString& prompt,
                                const QKeySequence& key)
{
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    // The prompt is "status text\ntool tip".
    const QStringList parts = prompt.split(QLatin1Char('\n'));
    action->setStatusTip(parts.value(0));
    action->setToolTip(parts.value(1, parts.value(0)));
    if (!key.isEmpty())
        action->setShortcut(key);
    return action;
}

QAction* CMainFrame::Action(const QString& name) const { return findChild<QAction*>(name); }

template <typename F>
void CMainFrame::WithDoc(F f)
{
    if (CPixadromeView* view = ActiveImageView())
        f(view->Document());
}

template <typename F>
void CMainFrame::WithView(F f)
{
    if (CPixadromeView* view = ActiveImageView())
        f(*view);
}

void CMainFrame::BuildMenus()
{
    QStyle* s = style();
    // File
    QAction* open = MakeAction(QStringLiteral("open"), tr("&Open..."), tr("Open one or more images\nOpen"),
                               QKeySequence::Open);
    open->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    connect(open, &QAction::triggered, &app_, &CPixadromeApp::OnFileOpen);
    QAction* save = MakeAction(QStringLiteral("save"), tr("&Save"), tr("Save the active document\nSave"),
                               QKeySequence::Save);
    save->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    connect(save, &QAction::triggered, this, &CMainFrame::OnSave);
    QAction* saveAs = MakeAction(QStringLiteral("saveAs"), tr("Save &As..."),
                                 tr("Save the active document with a new name\nSave As"));
    connect(saveAs, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnSaveAs(); }); });
    QAction* copyFile = MakeAction(QStringLiteral("copyFile"), tr("&Copy..."), tr("Copy or rename file\nCopy"));
    connect(copyFile, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnCopy(); }); });
    QAction* moveFile = MakeAction(QStringLiteral("moveFile"), tr("&Move..."), tr("Move or rename file\nMove"));
    connect(moveFile, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnMove(); }); });
    QAction* deleteFile = MakeAction(QStringLiteral("deleteFile"), tr("&Delete"), tr("Delete the file\nDelete"));
    connect(deleteFile, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnDelete(); }); });
    QAction* wallpaper = MakeAction(QStringLiteral("wallpaper"), tr("Use as &wallpaper"),
                                    tr("Use the image as desktop wallpaper\nUse as wallpaper"));
    connect(wallpaper, &QAction::triggered, this,
            [this] { WithDoc([](CPixadromeDoc& d) { d.OnUseAsWallpaper(); }); });
    QAction* sendTo = MakeAction(QStringLiteral("sendTo"), tr("Send &to..."), tr("Send the image as mail\nSend to"));
    connect(sendTo, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnSendTo(); }); });
    QAction* print = MakeAction(QStringLiteral("print"), tr("&Print..."), tr("Print the active document\nPrint"),
                                QKeySequence::Print);
    connect(print, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnPrint(); }); });
    QAction* preview = MakeAction(QStringLiteral("printPreview"), tr("Print Pre&view"),
                                  tr("Display full pages\nPrint Preview"));
    connect(preview, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnPrintPreview(); }); });
    QAction* exit = MakeAction(QStringLiteral("exit"), tr("E&xit"), tr("Quit Pixadrome\nExit"),
                               QKeySequence(Qt::Key_Escape));
    connect(exit, &QAction::triggered, &app_, &CPixadromeApp::OnExit);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addActions({open, save, saveAs});
    file->addSeparator();
    file->addActions({copyFile, moveFile, deleteFile, wallpaper, sendTo});
    file->addSeparator();
    file->addActions({print, preview});
    file->addSeparator();
    recentMenu_ = file->addMenu(tr("Recent &Files"));
    file->addSeparator();
    file->addAction(exit);
    connect(file, &QMenu::aboutToShow, this, &CMainFrame::UpdateActions);

    // Edit
    QAction* undo = MakeAction(QStringLiteral("undo"), tr("&Undo"), tr("Undo the last action\nUndo"),
                               QKeySequence::Undo);
    connect(undo, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnUndo(); }); });
    QAction* copy = MakeAction(QStringLiteral("copy"), tr("&Copy"),
                               tr("Copy the selection and put it on the Clipboard\nCopy"), QKeySequence::Copy);
    copy->setIcon(s->standardIcon(QStyle::SP_FileDialogDetailedView));
    connect(copy, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnEditCopy(); }); });
    QAction* paste = MakeAction(QStringLiteral("paste"), tr("&Paste"), tr("Insert Clipboard contents\nPaste"),
                                QKeySequence::Paste);
    connect(paste, &QAction::triggered, &app_, &CPixadromeApp::OnPaste);
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addActions({undo, copy, paste});
    connect(edit, &QMenu::aboutToShow, this, &CMainFrame::UpdateActions);

    // View
    QAction* zoomIn = MakeAction(QStringLiteral("zoomIn"), tr("Zoom &in"), tr("Zoom in\nZoom in"),
                                 QKeySequence::ZoomIn);
    connect(zoomIn, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnZoomIn(); }); });
    QAction* zoomOut = MakeAction(QStringLiteral("zoomOut"), tr("Zoom &out"), tr("Zoom out\nZoom out"),
                                  QKeySequence::ZoomOut);
    connect(zoomOut, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnZoomOut(); }); });
    QAction* fit = MakeAction(QStringLiteral("fit"), tr("&Fit window to image"),
                              tr("Fit window to image\nFit window to image"));
    connect(fit, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.FitWindowToImage(); }); });
    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addActions({zoomIn, zoomOut, fit});
    connect(view, &QMenu::aboutToShow, this, &CMainFrame::UpdateActions);

    // Image
    QAction* flipV = MakeAction(QStringLiteral("flipVertical"), tr("Flip &vertical"),
                                tr("Flip upside down\nFlip Vertical"));
    connect(flipV, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnFlipVertical(); }); });
    QAction* flipH = MakeAction(QStringLiteral("flipHorizontal"), tr("Flip &horizontal"),
                                tr("Flip horizontal\nFlip Horizontal"));
    connect(flipH, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnFlipHorizontal(); }); });
    QAction* rotR = MakeAction(QStringLiteral("rotateRight"), tr("Rotate 90° &right"),
                               tr("Rotate by 90° right\nRotate 90° right"));
    connect(rotR, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnRotateRight(); }); });
    QAction* rotL = MakeAction(QStringLiteral("rotateLeft"), tr("Rotate 90° &left"),
                               tr("Rotate by 90° left°\nRotate 90° left"));
    connect(rotL, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnRotateLeft(); }); });
    QAction* resize = MakeAction(QStringLiteral("resize"), tr("Re&size..."), tr("Change size of image\nResize"));
    connect(resize, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnResize(); }); });
    QAction* enhance = MakeAction(QStringLiteral("enhance"), tr("&Enhance"), tr("Enhance image\nEnhance"));
    connect(enhance, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnEnhance(); }); });
    QAction* correct = MakeAction(QStringLiteral("colorCorrection"), tr("&Color Correction..."),
                                  tr("Change contrast / brightness, gamma...\nColor Correction"));
    connect(correct, &QAction::triggered, this,
            [this] { WithView([](CPixadromeView& v) { v.OnColorCorrection(); }); });
    QAction* reduce = MakeAction(QStringLiteral("colorReduction"), tr("Color &Reduction..."),
                                 tr("Reduce number of colors used\nColor Reduction"));
    connect(reduce, &QAction::triggered, this, [this] { WithView([](CPixadromeView& v) { v.OnColorReduction(); }); });
    QAction* mosaic = MakeAction(QStringLiteral("photoMosaic"), tr("&Photo mosaic..."),
                                 tr("Tile image with small images\nPhotomosaic"));
    connect(mosaic, &QAction::triggered, this, [this] { WithDoc([](CPixadromeDoc& d) { d.OnPhotoMosaic(); }); });
    QMenu* image = menuBar()->addMenu(tr("&Image"));
    image->addActions({flipV, flipH, rotR, rotL, resize});
    image->addSeparator();
    image->addActions({enhance, correct, reduce, mosaic});
    connect(image, &QMenu::aboutToShow, this, &CMainFrame::UpdateActions);

    // Window
    QAction* closeAll = MakeAction(QStringLiteral("closeAll"), tr("Close &all"), tr("Close all windows\nClose all"));
    connect(closeAll, &QAction::triggered, mdi_, &QMdiArea::closeAllSubWindows);
    QMenu* window = menuBar()->addMenu(tr("&Window"));
    window->addAction(tr("&Cascade"), mdi_, &QMdiArea::cascadeSubWindows);
    window->addAction(tr("&Tile"), mdi_, &QMdiArea::tileSubWindows);
    window->addAction(closeAll);

    // Help
    QAction* web = MakeAction(QStringLiteral("webPage"), tr("Pixadrome's &website"),
                              tr("Pixadrome's website\nWeb page"));
    connect(web, &QAction::triggered, &app_, &CPixadromeApp::OnWebPage);
    QAction* about = MakeAction(QStringLiteral("about"), tr("&About Pixadrome"),
                                tr("Show program information\nAbout"));
    connect(about, &QAction::triggered, &app_, &CPixadromeApp::OnAbout);
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addActions({web, about});

    QToolBar* tools = addToolBar(tr("Tool bar"));
    tools->setObjectName(QStringLiteral("toolBar"));
    tools->addActions({open, save, copy});
    tools->addSeparator();
    tools->addActions({zoomIn, zoomOut});
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
    if (view) {
        view->setProperty("pixImageView", true);
        frame->setWindowTitle(view->Caption());
        connect(&view->Document(), &CPixadromeDoc::modifiedChanged, this, &CMainFrame::UpdateActions);
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

CPixadromeView* CMainFrame::ActiveImageView() const
{
    QMdiSubWindow* active = mdi_->activeSubWindow();
    if (!active) {
        // Without focus (offscreen, or the main window inactive) the last
        // activated window still counts.
        const auto list = mdi_->subWindowList(QMdiArea::ActivationHistoryOrder);
        active = list.isEmpty() ? nullptr : list.last();
    }
    return active ? qobject_cast<CPixadromeView*>(active->widget()) : nullptr;
}

QString CMainFrame::StatusPaneText() const { return infoPane_->text(); }

void CMainFrame::OnSubWindowActivated(QMdiSubWindow*)
{
    for (auto& c : viewConnections_)
        disconnect(c);
    viewConnections_.clear();
    CPixadromeView* view = ActiveImageView();
    connectedView_ = view;
    if (view) {
        viewConnections_ << connect(view, &CPixadromeView::statusTextChanged, infoPane_, &QLabel::setText);
        infoPane_->setText(view->StatusText());
    } else {
        infoPane_->clear();
    }
    UpdateActions();
}

void CMainFrame::UpdateActions()
{
    if (!mdi_)
        return;
    CPixadromeView* view = ActiveImageView();
    CPixadromeDoc* doc = view ? &view->Document() : nullptr;
    auto set = [this](const char* name, bool on) {
        if (QAction* a = Action(QString::fromLatin1(name)))
            a->setEnabled(on);
    };
    for (const char* name : {"save", "saveAs", "wallpaper", "copy", "fit", "flipVertical", "flipHorizontal",
                             "rotateRight", "rotateLeft", "resize", "enhance", "colorCorrection", "colorReduction", "print", "printPreview", "photoMosaic"})
        set(name, view != nullptr);
    set("copyFile", doc && doc->CanCopy());
    set("moveFile", doc && doc->CanMoveOrDelete());
    set("deleteFile", doc && doc->CanMoveOrDelete());
    set("sendTo", doc && doc->CanSendTo());
    set("undo", view && view->CanUndo());
    set("zoomIn", view && view->CanZoomIn());
    set("zoomOut", view && view->CanZoomOut());
    set("paste", ClipboardHasImage());
}

void CMainFrame::OnSave()
{
    WithDoc([](CPixadromeDoc& d) {
        if (d.PathName().isEmpty())
            d.OnSaveAs();
        else
            d.SaveDocument(d.PathName());
    });
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // Nothing closes the program while a long operation runs.
    if (CProgressDlg::OperationRunning()) {
        event->ignore();
        return;
    }
    mdi_->closeAllSubWindows();
    if (!mdi_->subWindowList().isEmpty()) {
        event->ignore();  // a document kept its window open
        return;
    }
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
    // Dropped files open one by one, as if named on the command line.
    const auto urls = event->mimeData()->urls();
    for (const QUrl& url : urls)
        if (url.isLocalFile())
            app_.OpenPath(url.toLocalFile());
    event->acceptProposedAction();
}

}  // namespace pix
