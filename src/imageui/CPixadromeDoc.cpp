#include "imageui/CPixadromeDoc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <utility>

#include "uiservices/AppServices.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/FileChooser.h"
#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/BmpCodec.h"
#include "image/FormatTable.h"
#include "image/PackedDib.h"
#include "platform/ClipboardImage.h"
#include "platform/DesktopServices.h"
#include "platform/FileOperations.h"
#include "processing/Geometry.h"
#include "processing/PhotoMosaic.h"
#include "imageui/CMosaicDlg.h"

namespace pix {

namespace {

std::string Native(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

CPixadromeDoc::CPixadromeDoc(AppServices& app, QObject* parent) : CDocument(app, parent) {}

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
    SetModifiedFlag(false);
    return true;
}

CImageBuffer CPixadromeDoc::ReplacePicture(const QString& path, CImageBuffer picture)
{
    CImageBuffer before = std::exchange(image_, std::move(picture));
    RecordSize();
    path_ = path;
    SetTitle(QFileInfo(path).fileName());
    SetModifiedFlag(false);
    UpdateAllViews();
    return before;
}

bool CPixadromeDoc::NewDocument()
{
    WaitCursor wait;
    if (auto pending = app_.TakePendingBitmap()) {
        AdoptPackedDib(std::move(*pending), image_);
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
    // JPEG goes through the compression dialog, which writes the file;
    // other pictures are written by their format's writer, which says why
    // when it cannot. A failed save leaves the picture modified, so its
    // edits are not lost on closing.
    if (FormatForPath(Native(path)) == ImageFormat::Jpeg) {
        if (!app_.SaveJpeg(image_, path))
            return false;
    } else if (!image_.Save(Native(path)).Report(app_.Prompt())) {
        return false;
    }
    // Saved over its own file, or an untitled picture (pasted or scanned)
    // written somewhere, the picture is no longer modified. The written
    // file opens in its own window, showing it as it was written.
    if (path == path_ || path_.isEmpty())
        SetModifiedFlag(false);
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
    SettingsStore& settings = app_.Settings();
    const QString folder = QString::fromStdString(
        settings.GetString(settings::kDestDir.section, settings::kDestDir.key, QDir::currentPath().toStdString()));
    const QString chosen = app_.Files().ChooseSave(app_.MainWindow(), tr("Save As"), folder, title_, kSaveImageFilter);
    if (chosen.isEmpty())
        return false;
    settings.SetString(settings::kDestDir.section, settings::kDestDir.key,
                       QFileInfo(chosen).absolutePath().toStdString());
    WaitCursor wait;
    return SaveDocument(chosen);
}

void CPixadromeDoc::CopyOrMove(bool move)
{
    SettingsStore& settings = app_.Settings();
    const QString folder = QString::fromStdString(
        settings.GetString(settings::kDestDir.section, settings::kDestDir.key, QDir::currentPath().toStdString()));
    const QString title = move ? tr("Move: Choose new directory or new name") : tr("Copy: Choose new directory or new name");
    const QString chosen =
        app_.Files().ChooseSave(app_.MainWindow(), title, folder, QFileInfo(path_).fileName(), std::string_view());
    if (chosen.isEmpty())
        return;
    settings.SetString(settings::kDestDir.section, settings::kDestDir.key,
                       QFileInfo(chosen).absolutePath().toStdString());
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
    FlipVertical(image_);
    SetModifiedFlag(true);
    UpdateAllViews();
}

void CPixadromeDoc::OnFlipHorizontal()
{
    FlipHorizontal(image_);
    SetModifiedFlag(true);
    UpdateAllViews();
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
    WaitCursor wait;
    RunPhotoMosaic(image_, settings, sources, progress, [this] { UpdateAllViews(); });
    SetModifiedFlag(true);
    UpdateAllViews();
}

bool CPixadromeDoc::Reload()
{
    WaitCursor wait;
    image_.Load(Native(path_));
    RecordSize();
    SetModifiedFlag(false);
    UpdateAllViews();
    return !image_.IsEmpty();
}

bool CPixadromeDoc::CanCopy() const { return FileExists(path_); }

bool CPixadromeDoc::CanMoveOrDelete() const { return FileIsWritable(path_); }

bool CPixadromeDoc::CanSendTo() const { return FileExists(path_) && app_.MailIsAvailable(); }

}  // namespace pix
