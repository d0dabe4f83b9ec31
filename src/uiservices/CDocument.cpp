#include "uiservices/CDocument.h"

#include <QFileInfo>

#include "uiservices/AppServices.h"

namespace pix {

CDocument::CDocument(AppServices& app, QObject* parent) : QObject(parent), app_(app) {}

void CDocument::SetPathName(const QString& path)
{
    path_ = path;
    SetTitle(QFileInfo(path).fileName());
    app_.AddToRecentFiles(path);
}

void CDocument::SetTitle(const QString& title)
{
    if (title_ == title)
        return;
    title_ = title;
    emit titleChanged();
}

void CDocument::SetModifiedFlag(bool modified)
{
    if (modified_ == modified)
        return;
    modified_ = modified;
    emit modifiedChanged(modified);
}

}  // namespace pix
