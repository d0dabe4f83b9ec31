#include "app/DocTemplates.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QMdiArea>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "imageui/CPixadromeDoc.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "imageui/CPixadromeView.h"
#include "slideui/CSlideView.h"
#include "slideui/CSlideWindow.h"

namespace pix {

namespace {

// Only the last window of a sheet asks about its changes.
bool SheetMayClose(CSheetDocument& doc)
{
    auto* sheet = qobject_cast<CThumbnailDoc*>(&doc);
    return doc.ViewCount() > 1 || !sheet || sheet->SaveModified();
}

}  // namespace

namespace {

// Makes the window of an image document (which the window then owns).
CChildFrame* MakeImageWindow(CPixadromeApp& app, CPixadromeDoc* doc)
{
    CMainFrame* main = app.MainFrame();
    auto* frame = new CChildFrame;
    doc->setParent(frame);
    auto* view = new CPixadromeView(*doc, frame);
    frame->setWidget(view);
    frame->SetCloseCheck([doc] { return doc->SaveModified(); });
    QObject::connect(doc, &CPixadromeDoc::closeRequested, frame, [frame, doc] {
        doc->SetModifiedFlag(false);
        frame->close();
    });
    if (main)
        main->AddChild(frame, view);
    view->setFocus();
    return frame;
}

}  // namespace

CChildFrame* CImageTemplate::OpenDocumentFile(const QString& path)
{
    if (CMainFrame* main = app_.MainFrame())
        if (CChildFrame* open = main->FindImageWindow(path)) {
            main->Activate(open);
            return open;
        }
    return OpenNewWindow(path);
}

CChildFrame* CImageTemplate::OpenNewWindow(const QString& path)
{
    auto doc = std::make_unique<CPixadromeDoc>(app_);
    if (!doc->OpenDocument(path))
        return nullptr;
    return MakeImageWindow(app_, doc.release());
}

CChildFrame* CImageTemplate::NewDocument()
{
    auto doc = std::make_unique<CPixadromeDoc>(app_);
    if (!doc->NewDocument())
        return nullptr;
    return MakeImageWindow(app_, doc.release());
}

CChildFrame* CImageTemplate::NewImage(std::vector<uint8_t> dib)
{
    auto doc = std::make_unique<CPixadromeDoc>(app_);
    if (!doc->NewDocument(std::move(dib)))
        return nullptr;
    return MakeImageWindow(app_, doc.release());
}

CChildFrame* CSheetTemplate::OpenDocumentFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return nullptr;
    auto doc = CThumbnailDoc::FromFile(app_, path);
    if (!doc)
        return nullptr;
    return Show(std::move(doc), QFileInfo(path).fileName());
}

CChildFrame* CSheetTemplate::NewSheet(const QStringList& files, const QString& title)
{
    auto doc = CThumbnailDoc::FromFiles(app_, files);
    if (!doc)
        return nullptr;
    const QString untitled = QObject::tr("Contact Sheet%1").arg(++untitled_);
    return Show(std::move(doc), title.isEmpty() ? untitled : title);
}

CChildFrame* CSheetTemplate::Show(std::unique_ptr<CThumbnailDoc> doc, const QString& title)
{
    doc->RelocateMissingFiles();
    if (doc->Title().isEmpty())
        doc->SetTitle(title);
    return ShowSheetView(app_, *doc.release());
}

CChildFrame* ShowSheetView(CPixadromeApp& app, CThumbnailDoc& doc)
{
    auto* frame = new CChildFrame;
    auto* view = new CThumbnailView(doc, frame);
    frame->setWidget(view);
    frame->setWindowTitle(view->Caption());
    frame->SetCloseCheck([view] { return SheetMayClose(view->Document()); });
    QObject::connect(view, &CThumbnailView::captionChanged, frame,
                     [frame, view] { frame->setWindowTitle(view->Caption()); });
    if (CMainFrame* main = app.MainFrame())
        main->AddSheetChild(frame, view);
    view->setFocus();
    return frame;
}

CChildFrame* CSlideTemplate::Show(CSheetDocument& doc)
{
    auto* frame = new CChildFrame;
    auto* window = new CSlideWindow(doc, frame);
    CSlideView* view = window->View();
    frame->setWidget(window);
    frame->setWindowTitle(view->Caption());
    frame->SetCloseCheck([view] { return SheetMayClose(view->Document()); });
    QObject::connect(view, &CSlideView::captionChanged, frame, [frame, view] { frame->setWindowTitle(view->Caption()); });
    CMainFrame* main = app_.MainFrame();
    if (!main)
        return frame;
    main->AddChild(frame, nullptr);
    if (!frame->isMaximized())
        frame->resize(main->MdiArea()->size() * 3 / 4);
    view->setFocus();
    return frame;
}

}  // namespace pix
