#include "sheetsui/CThumbnailDoc.h"

#include <QDir>
#include <optional>

#include "uiservices/AppServices.h"
#include "uiservices/CProgressDlg.h"
#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "platform/FileTypeIcon.h"
#include "platform/MemoryStatus.h"
#include "render/ThumbnailPainter.h"
#include "sheets/Fields.h"
#include "sheets/NewSheet.h"

namespace pix {

CThumbnailDoc::CThumbnailDoc() { sheet_.SetLabelExpander(ExpandLabelFields); }

std::unique_ptr<CThumbnailDoc> CThumbnailDoc::FromFiles(AppServices& app, const QStringList& files)
{
    std::unique_ptr<CThumbnailDoc> doc(new CThumbnailDoc);
    std::vector<std::string> paths;
    for (const QString& f : files)
        paths.push_back(QDir::toNativeSeparators(f).toStdString());
    std::optional<DesktopThumbnailCache> cache;
    const auto& key = settings::kUseDesktopCache;
    if (app.Settings().GetInt(key.section, key.key, key.fallback) != 0)
        cache = DesktopThumbnailCache::ForUser();
    const PaintedThumbnailMaker painter(FileTypeIcon, cache);
    CProgressDlg progress(app.MainWindow());
    PrefetchingThumbnailMaker maker(painter, paths, progress);
    if (!MakeNewSheet(doc->sheet_, paths, app.Settings(), AvailableMemory(), maker, progress, app.Prompt()))
        return nullptr;
    return doc;
}

std::unique_ptr<CThumbnailDoc> CThumbnailDoc::FromFile(AppServices& app, const QString& path)
{
    std::unique_ptr<CThumbnailDoc> doc(new CThumbnailDoc);
    if (!doc->sheet_.Load(QDir::toNativeSeparators(path).toStdString())) {
        app.Prompt().Show(MsgId::SheetDamaged, {QDir::toNativeSeparators(path).toStdString()});
        return nullptr;
    }
    doc->path_ = path;
    return doc;
}

}  // namespace pix
