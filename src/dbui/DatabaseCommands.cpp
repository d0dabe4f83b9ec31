#include "dbui/DatabaseCommands.h"

#include <QDir>
#include <QFileInfo>
#include <mutex>

#include "common/Prompter.h"
#include "common/SettingsKeys.h"
#include "common/SettingsStore.h"
#include "database/DatabaseAccess.h"
#include "database/Maintenance.h"
#include "dbui/CCompactingDlg.h"
#include "image/FormatTable.h"
#include "uiservices/AppServices.h"
#include "uiservices/FileChooser.h"
#include "uiservices/RememberedFolders.h"

namespace pix {
namespace {

constexpr std::string_view kDatabaseFilter = "Pixadrome database (*.db)|*.db|All files (*.*)|*.*||";

}  // namespace

bool ChangeDatabaseFile(AppServices& app)
{
    DatabaseAccess& access = app.Database();
    const QString path = app.Files().ChooseExistingOrNew(
        app.MainWindow(), QObject::tr("Choose existing database or enter new name"),
        QString::fromStdString(access.ConfiguredPath()), kDatabaseFilter, QStringLiteral("db"));
    if (path.isEmpty())
        return false;
    std::lock_guard lock(DatabaseMutex());
    return access.ChangeDatabase(path.toStdString());
}

QStringList ChooseFilesToLocate(AppServices& app)
{
    const std::string title = DatabaseAccess::DatabaseTitle(app.Database().ConfiguredPath());
    const QStringList files = ChooseSourceFiles(
        app, QObject::tr("Choose files to scan in Database [%1]").arg(QString::fromStdString(title)),
        FilterOnCancel::Forget);
    RememberSourceFolder(app, files);
    return files;
}

void LocateMovedFiles(AppServices& app, const QStringList& files, Progress& progress)
{
    HeldDatabase db(app.Database());
    if (!db.get())
        return;
    std::vector<std::string> paths;
    for (const QString& file : files)
        paths.push_back(file.toStdString());
    LocateCounts counts;
    {
        std::lock_guard lock(DatabaseMutex());
        counts = LocateFiles(*db.get(), paths, progress, app.Prompt());
    }
    if (counts.updated > 0)
        app.Database().MarkDatabaseModified();
}

void CleanMissingFiles(AppServices& app, Progress& progress)
{
    HeldDatabase db(app.Database());
    if (!db.get())
        return;
    CleanCounts counts;
    {
        std::lock_guard lock(DatabaseMutex());
        counts = CleanDatabase(*db.get(), progress, app.Prompt(), [&app](const std::vector<std::string>& paths) {
            CCompactingDlg dialog(paths, app.MainWindow());
            return dialog.exec() == QDialog::Accepted;
        });
    }
    if (counts.removed > 0)
        app.Database().MarkDatabaseModified();
}

}  // namespace pix
