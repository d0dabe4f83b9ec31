#include "platform/FileTypeIcon.h"

#include <QIcon>
#include <QMimeDatabase>

namespace pix {

QImage FileTypeIcon(const std::string& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path));
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        return {};
    return icon.pixmap(32, 32).toImage();
}

}  // namespace pix
