#include "app/DocTemplates.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include "app/CChildFrame.h"
#include "app/CMainFrame.h"
#include "app/CPixadromeApp.h"
#include "imageui/CPixadromeDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "imageui/CPixadromeView.h"

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
    auto doc = CThumbnailDoc::FromFile(app_, path);
    if (!doc)
        return nullptr;
    return Show(std::move(doc), QFileInfo(path).fileName());
}

CChildFrame* CSheetTemplate::NewDocument()
{
    const QStringList files = app_.TakePendingFiles().value_or(QStringList());
    auto doc = CThumbnailDoc::FromFiles(app_, files);
    if (!doc)
        return nullptr;
    return Show(std::move(doc), QObject::tr("Contact Sheet%1").arg(++untitled_));
}

CChildFrame* CSheetTemplate::Show(std::unique_ptr<CThumbnailDoc> doc, const QString& title)
{
    auto* frame = new CChildFrame;
    frame->setWidget(new CThumbnailView(std::move(doc), frame));
    frame->setWindowTitle(title);
    if (CMainFrame* main = app_.MainFrame())
        main->AddChild(frame, nullptr);
    return frame;
}

}  // namespace pix
