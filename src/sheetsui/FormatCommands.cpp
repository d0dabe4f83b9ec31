#include "sheetsui/FormatCommands.h"

#include <QDir>
#include <QFileInfo>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "sheets/CThumbnailSettings.h"
#include "sheetsui/CThumbnailDoc.h"
#include "uiservices/AppServices.h"
#include "uiservices/FileChooser.h"

namespace pix {

namespace {

constexpr std::string_view kFormatFilter = "Thumbnail format (*.tfm)|*.tfm||";

QString FormatFolder(SettingsStore& settings)
{
    const auto& key = settings::kTfmDir;
    return QString::fromStdString(settings.GetString(key.section, key.key, QDir::currentPath().toStdString()));
}

void RememberFolder(SettingsStore& settings, const QString& path)
{
    const auto& key = settings::kTfmDir;
    settings.SetString(key.section, key.key, QFileInfo(path).absolutePath().toStdString());
}

}  // namespace

void SaveFormatToFile(AppServices& app, CThumbnailDoc* sheet)
{
    const QString proposed =
        sheet ? QFileInfo(sheet->Title()).completeBaseName() + QStringLiteral(".tfm") : QStringLiteral("default.tfm");
    const QString chosen = app.Files().ChooseSave(app.MainWindow(), QObject::tr("Save thumbnail format"),
                                                  FormatFolder(app.Settings()), proposed, kFormatFilter);
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
    int filterIndex = 1;
    const QStringList chosen = app.Files().ChooseOpen(app.MainWindow(), QObject::tr("Load thumbnail format"),
                                                      FormatFolder(app.Settings()), kFormatFilter, filterIndex);
    if (chosen.isEmpty())
        return;
    RememberFolder(app.Settings(), chosen.front());
    CThumbnailSettings format;
    format.LoadFromRegistry(app.Settings());
    if (!format.LoadFormatFile(QDir::toNativeSeparators(chosen.front()).toStdString(), app.Prompt()))
        return;
    if (!sheet) {
        format.SaveToRegistry(app.Settings());
        return;
    }
    sheet->Sheet().Settings() = format;
    sheet->FormatChanged(nullptr);
}

void UseFormatAsDefault(AppServices& app, CThumbnailDoc& sheet)
{
    if (app.Prompt().Show(MsgId::UseFormatAsDefault, {sheet.Title().toStdString()}) == Answer::Ok)
        sheet.Sheet().Settings().SaveToRegistry(app.Settings());
}

}  // namespace pix
