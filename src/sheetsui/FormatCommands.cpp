#include "sheetsui/FormatCommands.h"

#include <QDir>
#include <QFileInfo>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "sheets/CThumbnailSettings.h"
#include "sheetsui/CFormatDlg.h"
#include "sheetsui/CThumbnailDoc.h"
#include "uiservices/AppServices.h"
#include "uiservices/FileChooser.h"
#include "uiservices/RememberedFolders.h"

namespace pix {

namespace {

constexpr std::string_view kFormatFilter = "Thumbnail format (*.tfm)|*.tfm||";

QString FormatFolder(SettingsStore& settings) { return RememberedFolder(settings, settings::kTfmDir); }

void RememberFolder(SettingsStore& settings, const QString& path)
{
    RememberFolderOf(settings, settings::kTfmDir, path);
}
// Shows format in the editor; on OK it becomes the sheet's format or the
// default.
void EditAndKeep(AppServices& app, CThumbnailDoc* sheet, const CThumbnailSettings& format, const QString& title)
{
    CFormatDlg dialog(format, title, app.Prompt(), app.Files(), app.MainWindow());
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!sheet) {
        dialog.Format().SaveToRegistry(app.Settings());
        return;
    }
    sheet->Sheet().Settings() = dialog.Format();
    sheet->FormatChanged(nullptr);
}

}  // namespace

void EditFormat(AppServices& app, CThumbnailDoc* sheet)
{
    if (sheet) {
        EditAndKeep(app, sheet, sheet->Sheet().Settings(), QObject::tr("Thumbnail Format for ") + sheet->Title());
        return;
    }
    CThumbnailSettings format;
    format.LoadFromRegistry(app.Settings());
    EditAndKeep(app, nullptr, format, QObject::tr("Thumbnail Format"));
}

void SaveFormatToFile(AppServices& app, CThumbnailDoc* sheet)
{
    // The whole title: "photos.pxc" proposes "photos.pxc.tfm".
    const QString proposed = sheet ? sheet->Title() + QStringLiteral(".tfm") : QStringLiteral("default.tfm");
    const QString chosen = app.Files().ChooseSave(app.MainWindow(), QObject::tr("Save thumbnail format"),
                                                  FormatFolder(app.Settings()), proposed, kFormatFilter,
                                                  QStringLiteral("tfm"));
    if (chosen.isEmpty())
        return;
    RememberFolder(app.Settings(), chosen);
    CThumbnailSettings format;
    if (sheet)
        format = sheet->Sheet().Settings();
    else
        format.LoadFromRegistry(app.Settings());
    format.SaveFormatFile(QDir::toNativeSeparators(chosen).toStdString(), app.Prompt());
}

void LoadFormatFromFile(AppServices& app, CThumbnailDoc* sheet)
{
    const QString chosen =
        app.Files().ChooseOpenFile(app.MainWindow(), QObject::tr("Load thumbnail format"),
                                   FormatFolder(app.Settings()), QStringLiteral("default.tfm"), kFormatFilter);
    if (chosen.isEmpty())
        return;
    RememberFolder(app.Settings(), chosen);
    CThumbnailSettings format;
    format.LoadFromRegistry(app.Settings());
    if (!format.LoadFormatFile(QDir::toNativeSeparators(chosen).toStdString(), app.Prompt()))
        return;
    EditAndKeep(app, sheet, format, sheet ? QObject::tr("Thumbnail Format") : QObject::tr("Thumbnail format"));
}

void UseFormatAsDefault(AppServices& app, CThumbnailDoc& sheet)
{
    if (app.Prompt().Show(MsgId::UseFormatAsDefault, {sheet.Title().toStdString()}) == Answer::Ok)
        sheet.Sheet().Settings().SaveToRegistry(app.Settings());
}

}  // namespace pix
