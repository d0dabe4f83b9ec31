// Save As of a contact sheet: the sheet file, page pictures or web pages,
// chosen by the extension of the name given.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "common/Prompter.h"

#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "image/FormatTable.h"
#include "render/SheetPages.h"
#include "sheets/HtmlExport.h"
#include "sheets/SheetOutput.h"
#include "sheetsui/CThumbnailDoc.h"
#include "uiservices/AppServices.h"
#include "uiservices/CProgressDlg.h"
#include "uiservices/CResizeDlg.h"
#include "uiservices/FileChooser.h"
#include "uiservices/RememberedFolders.h"

namespace pix {

namespace {

std::string Native(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

}  // namespace

bool CThumbnailDoc::ChoosePageSize(int& width, int& height)
{
    SettingsStore& settings = app_.Settings();
    const auto& w = settings::kPageWidth;
    const auto& h = settings::kPageHeight;
    CResizeDlg dialog(0, 0, settings.Get(w), settings.Get(h), app_.Prompt(), app_.MainWindow());
    if (dialog.exec() != QDialog::Accepted)
        return false;
    width = dialog.NewWidth();
    height = dialog.NewHeight();
    settings.Set(w, width);
    settings.Set(h, height);
    return true;
}

void CThumbnailDoc::OpenWritten(const std::vector<std::string>& written)
{
    if (written.size() == 1) {
        app_.OpenPath(QString::fromStdString(written.front()));
        return;
    }
    QStringList files;
    for (const std::string& path : written)
        files << QString::fromStdString(path);
    if (!files.isEmpty())
        app_.OpenSheetOfFiles(files);
}

bool CThumbnailDoc::OnSaveAs()
{
    SettingsStore& settings = app_.Settings();
    const auto& extKey = settings::kDestExtCS;
    // The last extension is kept as the name's last four characters
    // (".pxc", "html", "jpeg"), so a dot may have to be put back.
    QString ext = QString::fromStdString(settings.Get(extKey, ".pxc"));
    if (!ext.startsWith(QLatin1Char('.')))
        ext.prepend(QLatin1Char('.'));
    const QString proposed = QFileInfo(title_).completeBaseName() + ext;
    const auto& filterKey = settings::kDestFilterCS;
    int filterIndex = settings.Get(filterKey);
    const QString chosen =
        app_.Files().ChooseSaveTyped(app_.MainWindow(), tr("Save As"), RememberedFolder(settings, settings::kDestDir),
                                     proposed, SaveSheetFilter(), filterIndex, ext.mid(1));
    if (chosen.isEmpty())
        return false;
    RememberFolderOf(settings, settings::kDestDir, chosen);
    const std::optional<bool> saved = SaveAsChosen(chosen);
    if (!saved)
        return false;
    settings.Set(extKey, chosen.right(4).toLower().toStdString());
    settings.Set(filterKey, filterIndex);
    return *saved;
}

std::optional<bool> CThumbnailDoc::SaveAsChosen(const QString& chosen)
{
    const std::string path = Native(chosen);
    switch (SheetOutputFor(path)) {
    case SheetOutput::Sheet:
        return SaveDocument(chosen);
    case SheetOutput::Pictures: {
        int width = 0, height = 0;
        if (!ChoosePageSize(width, height))
            return std::nullopt;
        CProgressDlg progress(app_.MainWindow());
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto written = ExportPictures(sheet_, title_.toStdString(), path, width, height, progress, app_.Prompt());
        QApplication::restoreOverrideCursor();
        OpenWritten(written);
        return true;
    }
    case SheetOutput::WebPages: {
        HtmlPage layout;
        if (!ChoosePageSize(layout.width, layout.height))
            return std::nullopt;
        const QString pictures = ChooseDestination(app_, tr("Choose path and suffix for thumbnails"),
                                                   QStringLiteral("_small.jpg"), ImagesFilter(), QStringLiteral("jpg"));
        if (pictures.isEmpty())
            return std::nullopt;
        layout.thumbnailFolder = Native(QFileInfo(pictures).absolutePath()) + "/";
        layout.suffix = QFileInfo(pictures).fileName().toStdString();
        layout.itemsPerPage = sheet_.Settings().maxPerPage;
        layout.rows = sheet_.Settings().rows;
        layout.cols = sheet_.Settings().cols;
        CProgressDlg progress(app_.MainWindow());
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto written = ExportHtml(sheet_, title_.toStdString(), path, layout, progress);
        QApplication::restoreOverrideCursor();
        // Pages that could not be written are reported and left out.
        const int pages = SheetPageCount(sheet_);
        for (int page = 1; page <= pages && !progress.Cancelled(); ++page) {
            const std::string expected = pages == 1 ? path : NumberedPagePath(path, page);
            if (std::find(written.begin(), written.end(), expected) == written.end())
                app_.Prompt().Show(MsgId::SheetWriteFailed, {expected});
        }
        OpenWritten(written);
        return true;
    }
    }
    return false;
}

}  // namespace pix
