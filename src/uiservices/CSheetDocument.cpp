#include "uiservices/CSheetDocument.h"

#include <algorithm>

#include "sheets/SheetUpdateHint.h"

namespace pix {

QString CSheetDocument::PathAt(size_t position) const
{
    return QString::fromStdString(sheet_.Files()[sheet_.ItemAt(position)]);
}

void CSheetDocument::AddView(QObject* view)
{
    if (std::find(views_.begin(), views_.end(), view) == views_.end())
        views_.push_back(view);
}

void CSheetDocument::RemoveView(QObject* view)
{
    std::erase(views_, view);
    disconnect(this, nullptr, view, nullptr);
    if (views_.empty())
        delete this;
}

void CSheetDocument::UpdateAllViews(QObject* sender, uint32_t hint) { emit updated(sender, hint); }

void CSheetDocument::RemoveAt(QObject* sender, size_t position)
{
    if (position >= sheet_.Count())
        return;
    sheet_.RemoveAt(position);
    SetModifiedFlag();
    UpdateAllViews(sender, SheetHint(SheetChange::ItemRemoved, position));
}

void CSheetDocument::SetFileAt(QObject* sender, size_t position, const std::string& path)
{
    if (position >= sheet_.Count())
        return;
    sheet_.SetFile(sheet_.ItemAt(position), path);
    SetModifiedFlag();
    UpdateAllViews(sender, SheetHint(SheetChange::ItemChanged, position));
}

}  // namespace pix
