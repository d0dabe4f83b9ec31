#pragma once
// What a drag out of a contact sheet carries: the items' files as a URI
// list, which every file manager takes, and their labels for another
// sheet of this program.

#include <QStringList>
#include <optional>

class QMimeData;

namespace pix {

// The data of a drag of files with their labels (one each, same order).
QMimeData* MakeSheetDragData(const QStringList& paths, const QStringList& labels);

struct DroppedFiles {
    QStringList paths;
    QStringList labels;   // empty unless the drag came from a sheet
    bool fromSheet = false;
};
// The local files of dropped data; nothing when it holds none or any URL
// that is not a local file.
std::optional<DroppedFiles> ReadDroppedFiles(const QMimeData* data);

}  // namespace pix
