#include "imageui/CPixadromeDoc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <utility>

#include "uiservices/AppServices.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/FileChooser.h"
#include "uiservices/RememberedFolders.h"
#include "uiservices/WaitCursor.h"
#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/BmpCodec.h"
#include "image/FormatTable.h"
#include "image/PackedDib.h"
#include "image/PhotoMetadata.h"
#include "platform/ClipboardImage.h"
#include "platform/DesktopServices.h"
#include "platform/FileOperations.h"
#include "processing/Geometry.h"
#include "processing/PhotoMosaic.h"
#include "imageui/CMosaicDlg.h"

namespace pix {

namespace {

std::string Native(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

// The history's budget: the setting in megabytes, at least one.
size_t HistoryBudget(AppServices& app)
{
    return static_cast<size_t>(std::max(1, app.Settings().Get(settings::kHistoryMB))) << 20;
}

}  // namespace

CPixadromeDoc::CPixadromeDoc(AppServices& app, QObject* parent)
    : CDocument(app, parent), history_(HistoryBudget(app))
{
}

bool CPixadromeDoc::Apply(const ImageEdit& edit)
{
    if (image_.IsEmpty())
        return false;
    WaitCursor wait;
    const uint32_t width = image_.Width();
    const uint32_t height = image_.Height();
    // A picture larger than the history's budget is not copied; the edit
    // then cannot be taken back, nor can those before it.
    const bool kept = history_.Keeps(image_);
    CImageBuffer before;
    if (kept)
        before = image_;
    if (!edit(image_))
        return false;
    if (kept)
        history_.Record(std::move(before));
    else
        history_.Clear();
    Changed(width, height);
    return true;
}

void CPixadromeDoc::OnStepBack() { Step(&EditHistory::StepBack); }

void CPixadromeDoc::OnStepForward() { Step(&EditHistory::StepForward); }

void CPixadromeDoc::Step(bool (EditHistory::*step)(CImageBuffer&))
{
    const uint32_t width = image_.Width();
    const uint32_t height = image_.Height();
    if ((history_.*step)(image_))
        Changed(width, height);
}

void CPixadromeDoc::Changed(uint32_t oldWidth, uint32_t oldHeight)
{
    const bool resized = image_.Width() != oldWidth || image_.Height() != oldHeight;
    if (resized)
        RecordSize();
    // Stepped back (or forward) to the picture in the file: nothing to save.
    SetModifiedFlag(!history_.AtSaved());
    UpdateAllViews();
    if (resized)
        emit imageResized();
}

void CPixadromeDoc::RecordSize()
{
    openWidth_ = static_cast<int>(image_.Width());
    openHeight_ = static_cast<int>(image_.Height());
}

bool CPixadromeDoc::OpenDocument(const QString& path)
{
    WaitCursor wait;
    image_.Load(Native(path));
    if (image_.IsEmpty())
        return false;
    RecordSize();
    SetPathName(path);
    history_.Restart();
    SetModifiedFlag(false);
    return true;
}

CImageBuffer CPixadromeDoc::ReplacePicture(const QString& path, CImageBuffer picture)
{
    CImageBuffer before = std::exchange(image_, std::move(picture));
    history_.Restart();
    RecordSize();
    path_ = path;
    SetTitle(QFileInfo(path).fileName());
    SetModifiedFlag(false);
    UpdateAllViews();
    return before;
}

bool CPixadromeDoc::NewDocument(std::optional<std::vector<uint8_t>> dib)
{
    WaitCursor wait;
    if (dib) {
        AdoptPackedDib(std::move(*dib), image_);
    } else {
        ReadClipboardImage(image_);
    }
    if (image_.IsEmpty())
        return false;
    RecordSize();
    SetTitle(app_.NextUntitledName());
    // A pasted or scanned picture exists nowhere else until it is saved:
    // closing it asks first.
    SetModifiedFlag(true);
    return true;
}

bool CPixadromeDoc::SaveDocument(const QString& path)
{
    // A format with a quality (JPEG) goes through the compression dialog,
    // which writes the file; other pictures are written by their format's
    // writer, which says why when it cannot. A failed save leaves the
    // picture modified, so its edits are not lost on closing.
    // The metadata of the picture's file (its date, camera...) goes into
    // the file written; it is read first, as that may be the same file.
    const KeptMetadata kept = path_.isEmpty() ? KeptMetadata{} : ReadKeptMetadata(Native(path_));
    const FormatRow* format = FormatForPath(Native(path));
    if (format && format->saveDialog) {
        if (!app_.SaveJpeg(image_, path))
            return false;
    } else if (!image_.Save(Native(path)).Report(app_.Prompt())) {
        return false;
    }
    WriteKeptMetadata(kept, Native(path), image_.Width(), image_.Height());
    // Saved over its own file, or an untitled picture (pasted or scanned)
    // written somewhere, the picture is no longer modified. The written
    // file opens in its own window, showing it as it was written.
    if (path == path_ || path_.isEmpty()) {
        history_.MarkSaved();
        SetModifiedFlag(false);
    }
    app_.OpenWrittenImage(path);
    return true;
}

void CPixadromeDoc::UpdateAllViews() { emit imageChanged(); }

bool CPixadromeDoc::SaveModified()
{
    if (!modified_)
        return true;
    switch (app_.Prompt().Show(MsgId::SaveChanges, {title_.toStdString()})) {
    case Answer::Yes:
        if (path_.isEmpty())
            return OnSaveAs();  // cancelling the dialog cancels closing
        return SaveDocument(path_);
    case Answer::No:
        return true;
    default:
        return false;
    }
}

bool CPixadromeDoc::OnSaveAs()
{
    const QString chosen = ChooseDestination(app_, tr("Save As"), title_, SaveImageFilter());
    if (chosen.isEmpty())
        return false;
    WaitCursor wait;
    return SaveDocument(chosen);
}

void CPixadromeDoc::CopyOrMove(bool move)
{
    const QString title = move ? tr("Move: Choose new directory or new name") : tr("Copy: Choose new directory or new name");
    const QString chosen = ChooseDestination(app_, title, QFileInfo(path_).fileName(), std::string_view());
    if (chosen.isEmpty())
        return;
    // A folder as the target keeps the file's name.
    QString target = chosen;
    if (QFileInfo(target).isDir())
        target = QDir(target).filePath(QFileInfo(path_).fileName());
    const FileOpResult result =
        move ? MoveFileTo(path_, target, app_.Prompt()) : CopyFileTo(path_, target, app_.Prompt());
    if (result == FileOpResult::Done)
        SetPathName(target);
}

void CPixadromeDoc::OnCopy() { CopyOrMove(false); }

void CPixadromeDoc::OnMove() { CopyOrMove(true); }

void CPixadromeDoc::OnDelete()
{
    if (MoveToTrash(path_, app_.Prompt()) == FileOpResult::Done)
        emit closeRequested();
}

void CPixadromeDoc::OnUseAsWallpaper()
{
    const QString path = QDir(ProgramDataFolder()).filePath(QStringLiteral("wallppr.bmp"));
    if (!WriteBmp(image_, Native(path)).Report(app_.Prompt()) || !SetDesktopWallpaper(path))
        app_.Prompt().Show(MsgId::WallpaperFailed, {Native(path)});
}

void CPixadromeDoc::OnFlipVertical()
{
    Apply([](CImageBuffer& picture) {
        FlipVertical(picture);
        return true;
    });
}

void CPixadromeDoc::OnFlipHorizontal()
{
    Apply([](CImageBuffer& picture) {
        FlipHorizontal(picture);
        return true;
    });
}

void CPixadromeDoc::OnSendTo()
{
    if (!SendFileByMail(path_))
        app_.Prompt().Show(MsgId::MailFailed);
}

void CPixadromeDoc::OnPhotoMosaic()
{
    CMosaicDlg dialog(openWidth_, openHeight_, app_.Prompt(), app_.Files(), app_.MainWindow());
    if (dialog.exec() != QDialog::Accepted)
        return;
    CProgressDlg progress(app_.MainWindow());
    MakePhotoMosaic(dialog.Settings(), dialog.Sources(), progress);
}

void CPixadromeDoc::MakePhotoMosaic(const MosaicSettings& settings, const std::vector<MosaicSource>& sources,
                                    Progress& progress)
{
    Apply([&](CImageBuffer& picture) {
        RunPhotoMosaic(picture, settings, sources, progress, [this] { UpdateAllViews(); });
        return true;
    });
}

bool CPixadromeDoc::Reload()
{
    WaitCursor wait;
    image_.Load(Native(path_));
    history_.Restart();
    RecordSize();
    SetModifiedFlag(false);
    UpdateAllViews();
    return !image_.IsEmpty();
}

bool CPixadromeDoc::CanCopy() const { return FileExists(path_); }

bool CPixadromeDoc::CanMoveOrDelete() const { return FileIsWritable(path_); }

bool CPixadromeDoc::CanSendTo() const { return FileExists(path_) && app_.MailIsAvailable(); }

}  // namespace pix
