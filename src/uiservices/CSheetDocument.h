#pragma once
// A contact sheet as the windows share it: the sheet's items, the views
// that show them and the changes of the items, each marking the document
// modified and sent to the views as a hint (SheetUpdateHint.h). The
// document lives until its last view is gone.

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "sheets/ThumbnailSheet.h"
#include "uiservices/CDocument.h"

namespace pix {

class CSheetDocument : public CDocument {
    Q_OBJECT
public:
    ThumbnailSheet& Sheet() { return sheet_; }
    const ThumbnailSheet& Sheet() const { return sheet_; }
    // The file of the item at position (which must exist).
    QString PathAt(size_t position) const;

    // The views; the document deletes itself when the last one leaves.
    void AddView(QObject* view);
    void RemoveView(QObject* view);
    int ViewCount() const { return static_cast<int>(views_.size()); }
    // Sends hint to every view; the sender's own view ignores it.
    void UpdateAllViews(QObject* sender, uint32_t hint);

    void RemoveAt(QObject* sender, size_t position);
    void SetFileAt(QObject* sender, size_t position, const std::string& path);

signals:
    void updated(QObject* sender, uint32_t hint);

protected:
    explicit CSheetDocument(AppServices& app) : CDocument(app) {}

    ThumbnailSheet sheet_;
    std::vector<QObject*> views_;
};

}  // namespace pix
