#include "platform/DesktopServices.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace pix {

namespace {

// Runs a program and returns its standard output, or a null string when it
// could not run or failed.
QString RunTool(const QString& program, const QStringList& args, int timeoutMs = 5000)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return {};
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool RunQuietly(const QString& program, const QStringList& args)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return false;
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

}  // namespace

QString AssociatedProgram(const QString& path)
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
    if (!type.isValid() || type.isDefault())
        return {};
    return DefaultApplication(XdgFolders::FromEnvironment(), type.name());
}

bool AssociatedWithThisProgram(const QString& path)
{
    return AssociatedProgram(path) == QLatin1String(kDesktopFileId);
}

bool OpenWithAssociatedProgram(const QString& path, QString& error)
{
    if (!QFileInfo::exists(path)) {
        error = QCoreApplication::translate("DesktopServices", "The file %1 does not exist.").arg(path);
        return false;
    }
    if (AssociatedProgram(path).isEmpty()) {
        error = QCoreApplication::translate("DesktopServices", "No program is associated with %1.").arg(path);
        return false;
    }
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {path})) {
        error = QCoreApplication::translate("DesktopServices", "xdg-open could not be started.");
        return false;
    }
    return true;
}

bool OpenWebPage(const QString& url)
{
    if (QDesktopServices::openUrl(QUrl(url)))
        return true;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url});
}

bool SetDesktopWallpaper(const QString& path)
{
    const QString abs = QFileInfo(path).absoluteFilePath();
    const QString uri = QUrl::fromLocalFile(abs).toString();
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower();
    auto gsettings = [](const QString& schema, const QString& key, const QString& value) {
        return RunQuietly(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value});
    };
    if (desktop.contains(QLatin1String("kde")))
        if (RunQuietly(QStringLiteral("plasma-apply-wallpaperimage"), {abs}))
            return true;
    if (desktop.contains(QLatin1String("xfce"))) {
        const QString props = RunTool(QStringLiteral("xfconf-query"),
                                      {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"), QStringLiteral("-l")});
        bool any = false;
        for (const QString& prop : props.split(QLatin1Char('\n')))
            if (prop.endsWith(QLatin1String("last-image")))
                any = RunQuietly(QStringLiteral("xfconf-query"), {QStringLiteral("-c"), QStringLiteral("xfce4-desktop"),
                                                                  QStringLiteral("-p"), prop, QStringLiteral("-s"), abs}) ||
                      any;
        if (any)
            return true;
    }
    if (desktop.contains(QLatin1String("cinnamon")) &&
        gsettings(QStringLiteral("org.cinnamon.desktop.background"), QStringLiteral("picture-uri"), uri))
        return true;
    if (desktop.contains(QLatin1String("mate")) &&
        gsettings(QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"), abs))
        return true;
    if (gsettings(QStringLiteral("org.gnome.desktop.background"), QStringLiteral("picture-uri"), uri)) {
        gsettings(QStringLiteral("org.gnome.desktop.background"), QStringLiteral("picture-uri-dark"), uri);
        return true;
    }
    return RunQuietly(QStringLiteral("feh"), {QStringLiteral("--bg-fill"), abs});
}

QString ProgramDataFolder()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    if (!programDir.isEmpty() && QFileInfo(programDir).isWritable())
        return programDir;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/pixadrome");
    QDir().mkpath(data);
    return data;
}

QString DefaultDatabasePath() { return QDir(ProgramDataFolder()).filePath(QStringLiteral("pixadrome.db")); }

bool MailAvailable()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-email")).isEmpty())
        return false;
    return !RunTool(QStringLiteral("xdg-mime"),
                    {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/mailto")})
                .isEmpty();
}

bool SendFileByMail(const QString& path)
{
    return QProcess::startDetached(QStringLiteral("xdg-email"), {QStringLiteral("--attach"), path});
}

}  // namespace pix
