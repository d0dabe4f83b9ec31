#pragma once
// The items of a contact sheet as icons with their labels, in display
// order.

#include <QListWidget>
#include <memory>

#include "sheetsui/CThumbnailDoc.h"

namespace pix {

class CThumbnailView : public QListWidget {
    Q_OBJECT
public:
    CThumbnailView(std::unique_ptr<CThumbnailDoc> doc, QWidget* parent = nullptr);
    CThumbnailDoc& Document() { return *doc_; }
    // Fills the list again from the document.
    void Refresh();

private:
    std::unique_ptr<CThumbnailDoc> doc_;
};

}  // namespace pix
