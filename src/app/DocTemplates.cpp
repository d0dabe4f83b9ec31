#include "app/DocTemplates.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "app/CPixadromeDoc.h"
#include "view/CPixadromeView.h"

namespace pix {

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

CChildFrame* CSheetTemplate::OpenDocumentFile(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return nullptr;
    app_.SetPendingFiles({path});
    CChildFrame* frame = NewDocument();
    if (frame)
        frame->setWindowTitle(QFileInfo(path).fileName());
    return frame;
}

CChildFrame* CSheetTemplate::NewDocument()
{
    auto files = app_.TakePendingFiles();
    if (!files)
        return nullptr;
    auto* frame = new CChildFrame;
    auto* list = new QListWidget(frame);
    for (const QString& f : *files)
        list->addItem(QDir::toNativeSeparators(f));
    frame->setWidget(list);
    frame->setWindowTitle(QObject::tr("Contact Sheet"));
    if (CMainFrame* main = app_.MainFrame())
        main->AddChild(frame, nullptr);
    return frame;
}

}  // namespace pix
