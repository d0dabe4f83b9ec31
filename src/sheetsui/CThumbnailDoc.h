#pragma once
// A contact sheet as a document: the sheet's items and format, made from
// the pending file list (pictures drawn with progress) or read from a
// ".pxc" file.

#include <QString>
#include <QStringList>
#include <memory>

#include "sheets/ThumbnailSheet.h"

namespace pix {

class AppServices;

class CThumbnailDoc {
public:
    // A new sheet of files (pictures drawn now); null when it is abandoned.
    static std::unique_ptr<CThumbnailDoc> FromFiles(AppServices& app, const QStringList& files);
    // A sheet read from path; null (reported) when it cannot be read.
    static std::unique_ptr<CThumbnailDoc> FromFile(AppServices& app, const QString& path);

    ThumbnailSheet& Sheet() { return sheet_; }
    const QString& Path() const { return path_; }

private:
    CThumbnailDoc();
    ThumbnailSheet sheet_;
    QString path_;
};

}  // namespace pix
