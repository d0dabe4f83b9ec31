#include "sheetsui/CThumbnailDoc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "common/FileVersion.h"
#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/FormatTable.h"
#include "platform/FileTypeIcon.h"
#include "platform/MemoryStatus.h"
#include "render/ThumbnailPainter.h"
#include "sheets/Fields.h"
#include "sheets/NewSheet.h"
#include "sheets/SheetUpdateHint.h"
#include "uiservices/AppServices.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/FileChooser.h"

namespace pix {

namespace {

std::string Native(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

std::optional<DesktopThumbnailCache> DesktopCacheFor(AppServices& app)
{
    const auto& key = settings::kUseDesktopCache;
    if (app.Settings().Get(key) != 0)
        return DesktopThumbnailCache::ForUser();
    return std::nullopt;
}

}  // namespace

CThumbnailDoc::CThumbnailDoc(AppServices& app) : CSheetDocument(app) { sheet_.SetLabelExpander(ExpandLabelFields); }

std::unique_ptr<CThumbnailDoc> CThumbnailDoc::FromFiles(AppServices& app, const QStringList& files)
{
    std::unique_ptr<CThumbnailDoc> doc(new CThumbnailDoc(app));
    std::vector<std::string> paths;
    for (const QString& f : files)
        paths.push_back(Native(f));
    const PaintedThumbnailMaker painter(FileTypeIcon, DesktopCacheFor(app));
    CProgressDlg progress(app.MainWindow());
    PrefetchingThumbnailMaker maker(painter, paths, progress);
    if (!MakeNewSheet(doc->sheet_, paths, app.Settings(), AvailableMemory(), maker, progress, app.Prompt()))
        return nullptr;
    return doc;
}

std::unique_ptr<CThumbnailDoc> CThumbnailDoc::FromFile(AppServices& app, const QString& path)
{
    std::unique_ptr<CThumbnailDoc> doc(new CThumbnailDoc(app));
    if (!doc->sheet_.Load(Native(path))) {
        app.Prompt().Show(MsgId::SheetDamaged, {Native(path)});
        return nullptr;
    }
    doc->SetPathName(path);
    doc->diskVersion_ = VersionOf(Native(path));
    return doc;
}

void CThumbnailDoc::RelocateMissingFiles()
{
    if (path_.isEmpty())
        return;
    const QDir folder = QFileInfo(path_).absoluteDir();
    for (size_t item = 0; item < sheet_.Count(); ++item) {
        const QString file = QString::fromStdString(sheet_.Files()[item]);
        if (file.isEmpty() || QFileInfo::exists(file))
            continue;
        const QString beside = folder.filePath(QString::fromStdString(ThumbnailSheet::FileNameOf(Native(file))));
        if (QFileInfo(beside).isFile())
            sheet_.SetFile(static_cast<uint32_t>(item), Native(beside));
    }
}

bool CThumbnailDoc::InsertFile(QObject* sender, const std::string& path, size_t position, ThumbnailMaker& maker,
                               const std::optional<std::string>& label)
{
    position = std::min(position, sheet_.Count());
    if (!sheet_.AddFile(path, position, maker))
        return false;
    if (label)
        sheet_.SetLabel(static_cast<uint32_t>(sheet_.Count() - 1), *label);
    SetModifiedFlag();
    UpdateAllViews(sender, SheetHint(SheetChange::ItemInserted, position));
    return true;
}

size_t CThumbnailDoc::InsertFiles(QObject* sender, const QStringList& files, size_t position,
                                  const QStringList& labels)
{
    std::vector<std::string> paths;
    for (const QString& f : files)
        paths.push_back(Native(f));
    const PaintedThumbnailMaker painter(FileTypeIcon, DesktopCacheFor(app_));
    CProgressDlg progress(app_.MainWindow());
    progress.SetRange(0, 0);
    PrefetchingThumbnailMaker maker(painter, paths, progress);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    size_t added = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        const bool goOn = progress.Step("Loading " + paths[i], 0) && progress.Pump();
        std::optional<std::string> label;
        if (i < static_cast<size_t>(labels.size()))
            label = labels[static_cast<qsizetype>(i)].toStdString();
        if (!InsertFile(sender, paths[i], position + added, maker, label))
            break;
        ++added;
        if (!goOn)
            break;
    }
    QApplication::restoreOverrideCursor();
    return added;
}

void CThumbnailDoc::SetLabelAt(QObject* sender, size_t position, const std::string& label)
{
    if (position >= sheet_.Count())
        return;
    sheet_.SetLabel(sheet_.ItemAt(position), label);
    SetModifiedFlag();
    // The views show the new label after their next full refresh; the one
    // that edited it shows it already.
    (void)sender;
}

void CThumbnailDoc::ApplyOrder(QObject* sender, std::vector<uint32_t> order)
{
    if (order == sheet_.Order() || !sheet_.SetOrder(std::move(order)))
        return;
    SetModifiedFlag();
    UpdateAllViews(sender, kHintRefreshAll);
}

void CThumbnailDoc::GenerateLabels(QObject* sender)
{
    sheet_.GenerateLabels();
    SetModifiedFlag();
    UpdateAllViews(sender, kHintRefreshAll);
}

void CThumbnailDoc::FormatChanged(QObject* sender)
{
    SetModifiedFlag();
    UpdateAllViews(sender, kHintFormatChanged);
}

bool CThumbnailDoc::SaveDocument(const QString& path)
{
    // Another program (the command line) may have rewritten the sheet
    // since this window read or wrote it.
    if (path == path_ && diskVersion_ && VersionOf(Native(path)) != diskVersion_ &&
        app_.Prompt().Show(MsgId::SheetChangedOnDisk, {Native(path)}) != Answer::Yes)
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool saved = sheet_.Save(Native(path));
    QApplication::restoreOverrideCursor();
    if (!saved) {
        app_.Prompt().Show(MsgId::SheetWriteFailed, {Native(path)});
        return false;
    }
    SetPathName(path);
    diskVersion_ = VersionOf(Native(path));
    SetModifiedFlag(false);
    return true;
}

bool CThumbnailDoc::OnSave() { return path_.isEmpty() ? OnSaveAs() : SaveDocument(path_); }

bool CThumbnailDoc::SaveModified()
{
    if (!modified_)
        return true;
    switch (app_.Prompt().Show(MsgId::SaveChanges, {title_.toStdString()})) {
    case Answer::Yes:
        return OnSave();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

}  // namespace pix
