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

namespace pix {
namespace {

constexpr std::string_view kDatabaseFilter = "Pixadrome database (*.db)|*.db|All files (*.*)|*.*||";

// Holds the shared database for the length of a command.
class HeldDatabase {
public:
    explicit HeldDatabase(DatabaseAccess& access) : access_(access)
    {
        std::lock_guard lock(DatabaseMutex());
        db_ = access_.AcquireDatabase();
    }
    ~HeldDatabase()
    {
        if (!db_)
            return;
        std::lock_guard lock(DatabaseMutex());
        access_.ReleaseDatabase();
    }
    CImageDatabase* get() const { return db_; }

private:
    DatabaseAccess& access_;
    CImageDatabase* db_ = nullptr;
};

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
        app, QObject::tr("Choose files to scan in Database [%1]").arg(QString::fromStdString(title)));
    RememberSourceFolder(app, files);
    return files;
}

QStringList ChooseSourceFiles(AppServices& app, const QString& title)
{
    SettingsStore& settings = app.Settings();
    int filterIndex = settings.GetInt(settings::kSrcFilter.section, settings::kSrcFilter.key,
                                      settings::kSrcFilter.fallback);
    const QString folder = QString::fromStdString(
        settings.GetString(settings::kSrcDir.section, settings::kSrcDir.key, QDir::currentPath().toStdString()));
    const QStringList files = app.Files().ChooseOpen(app.MainWindow(), title, folder, kOpenFilter, filterIndex);
    if (files.isEmpty())
        return {};
    settings.SetInt(settings::kSrcFilter.section, settings::kSrcFilter.key, filterIndex);
    return files;
}

void RememberSourceFolder(AppServices& app, const QStringList& files)
{
    if (!files.isEmpty())
        app.Settings().SetString(settings::kSrcDir.section, settings::kSrcDir.key,
                                 QFileInfo(files.first()).absolutePath().toStdString());
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
