#include "uiservices/RememberedFolders.h"

#include <QDir>
#include <QFileInfo>

#include "common/SettingsStore.h"
#include "image/FormatTable.h"
#include "uiservices/AppServices.h"
#include "uiservices/FileChooser.h"

namespace pix {

QString RememberedFolder(const SettingsStore& settings, const settings::StringKey& key)
{
    return QString::fromStdString(settings.Get(key, QDir::currentPath().toStdString()));
}

void RememberFolderOf(SettingsStore& settings, const settings::StringKey& key, const QString& path)
{
    settings.Set(key, QDir::toNativeSeparators(QFileInfo(path).absolutePath()).toStdString());
}

QStringList ChooseSourceFiles(AppServices& app, const QString& title, FilterOnCancel onCancel)
{
    SettingsStore& settings = app.Settings();
    int filterIndex = settings.Get(settings::kSrcFilter);
    const QStringList files = app.Files().ChooseOpen(app.MainWindow(), title,
                                                     RememberedFolder(settings, settings::kSrcDir), OpenFilter(),
                                                     filterIndex);
    if (!files.isEmpty() || onCancel == FilterOnCancel::Store)
        settings.Set(settings::kSrcFilter, filterIndex);
    return files;
}

void RememberSourceFolder(AppServices& app, const QStringList& files)
{
    if (!files.isEmpty())
        RememberFolderOf(app.Settings(), settings::kSrcDir, files.first());
}

QString ChooseDestination(AppServices& app, const QString& title, const QString& proposedName,
                          std::string_view filter, const QString& defaultSuffix)
{
    const QString chosen = app.Files().ChooseSave(app.MainWindow(), title,
                                                  RememberedFolder(app.Settings(), settings::kDestDir), proposedName,
                                                  filter, defaultSuffix);
    if (!chosen.isEmpty())
        RememberFolderOf(app.Settings(), settings::kDestDir, chosen);
    return chosen;
}

}  // namespace pix
