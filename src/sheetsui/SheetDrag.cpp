#include "sheetsui/SheetDrag.h"

#include <QMimeData>
#include <QUrl>

namespace pix {

namespace {

const QString kLabelsType = QStringLiteral("application/x-pixadrome-labels");

}  // namespace

QMimeData* MakeSheetDragData(const QStringList& paths, const QStringList& labels)
{
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    data->setData(kLabelsType, labels.join(QChar(0)).toUtf8());
    return data;
}

std::optional<DroppedFiles> ReadDroppedFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return std::nullopt;
    DroppedFiles dropped;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile() || url.toLocalFile().isEmpty())
            return std::nullopt;
        dropped.paths << url.toLocalFile();
    }
    if (dropped.paths.isEmpty())
        return std::nullopt;
    if (data->hasFormat(kLabelsType)) {
        dropped.fromSheet = true;
        dropped.labels = QString::fromUtf8(data->data(kLabelsType)).split(QChar(0));
    }
    return dropped;
}

}  // namespace pix
