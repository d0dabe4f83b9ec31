#pragma once
// A contact sheet in a window: the sheet's items and format, made from the
// pending file list (pictures drawn with progress) or read from a ".pxc"
// file. The list of thumbnails shows the items in display order.

#include <QListWidget>
#include <QString>
#include <memory>

#include "sheets/ThumbnailSheet.h"

namespace pix {

class CPixadromeApp;

class CThumbnailDoc {
public:
    // A new sheet of files (pictures drawn now); null when it is abandoned.
    static std::unique_ptr<CThumbnailDoc> FromFiles(CPixadromeApp& app, const QStringList& files);
    // A sheet read from path; null (reported) when it cannot be read.
    static std::unique_ptr<CThumbnailDoc> FromFile(CPixadromeApp& app, const QString& path);

    ThumbnailSheet& Sheet() { return sheet_; }
    const QString& Path() const { return path_; }

private:
    CThumbnailDoc();
    ThumbnailSheet sheet_;
    QString path_;
};

// The items of a sheet as icons with their labels, in display order.
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

// The picture of item k as an image with the mask colour transparent.
QImage ThumbnailImage(const ThumbnailList& list, size_t k);

}  // namespace pix
