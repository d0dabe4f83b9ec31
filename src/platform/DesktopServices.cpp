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
    // An absolute path, so no name is taken for an option.
    if (!QProcess::startDetached(QStringLiteral("xdg-open"), {QFileInfo(path).absoluteFilePath()})) {
        error = QCoreApplication::translate("DesktopServices", "xdg-open could not be started.");
        return false;
    }
    return true;
}

bool OpenWebPage(const QUrl& url)
{
    if (QDesktopServices::openUrl(url))
        return true;
    return QProcess::startDetached(QStringLiteral("xdg-open"), {QString::fromUtf8(url.toEncoded())});
}

namespace {

enum class Desktop { Gnome, Cinnamon, Mate, Xfce, Kde, Other };

// The first desktop of XDG_CURRENT_DESKTOP ("ubuntu:GNOME") we know.
Desktop CurrentDesktop()
{
    const QStringList names = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(QLatin1Char(':'));
    for (const QString& name : names) {
        if (name == QLatin1String("gnome") || name.startsWith(QLatin1String("gnome-")) ||
            name == QLatin1String("unity"))
            return Desktop::Gnome;
        if (name == QLatin1String("x-cinnamon") || name == QLatin1String("cinnamon"))
            return Desktop::Cinnamon;
        if (name == QLatin1String("mate"))
            return Desktop::Mate;
        if (name == QLatin1String("xfce"))
            return Desktop::Xfce;
        if (name == QLatin1String("kde"))
            return Desktop::Kde;
    }
    return Desktop::Other;
}

bool SetGsetting(const QString& schema, const QString& key, const QString& value)
{
    return RunQuietly(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value});
}

// Every workspace of every monitor XFCE keeps a picture for.
bool SetXfceWallpaper(const QString& path)
{
    const QStringList channel{QStringLiteral("-c"), QStringLiteral("xfce4-desktop")};
    const QString properties = RunTool(QStringLiteral("xfconf-query"), channel + QStringList{QStringLiteral("-l")});
    bool any = false;
    for (const QString& property : properties.split(QLatin1Char('\n')))
        if (property.trimmed().endsWith(QLatin1String("/last-image")))
            any = RunQuietly(QStringLiteral("xfconf-query"),
                             channel + QStringList{QStringLiteral("-p"), property.trimmed(), QStringLiteral("-s"), path}) ||
                  any;
    return any;
}

// Plasma's desktop scripting, through whichever D-Bus caller is there.
bool SetPlasmaWallpaper(const QUrl& url)
{
    QString literal = QString::fromUtf8(url.toEncoded());
    literal.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    const QString script = QStringLiteral(
                               "var all = desktops(); for (var i = 0; i < all.length; i++) { var d = all[i]; "
                               "d.wallpaperPlugin = 'org.kde.image'; "
                               "d.currentConfigGroup = ['Wallpaper', 'org.kde.image', 'General']; "
                               "d.writeConfig('Image', '%1'); }")
                               .arg(literal);
    const QString service = QStringLiteral("org.kde.plasmashell");
    const QString object = QStringLiteral("/PlasmaShell");
    const QString method = QStringLiteral("org.kde.PlasmaShell.evaluateScript");
    if (RunQuietly(QStringLiteral("qdbus"), {service, object, method, script}))
        return true;
    return RunQuietly(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=") + service,
                       object, method, QStringLiteral("string:") + script});
}

}  // namespace

bool SetDesktopWallpaper(const QString& path)
{
    const QString abs = QFileInfo(path).absoluteFilePath();
    const QUrl url = QUrl::fromLocalFile(abs);
    const QString uri = QString::fromUtf8(url.toEncoded());
    switch (CurrentDesktop()) {
    case Desktop::Gnome: {
        const QString schema = QStringLiteral("org.gnome.desktop.background");
        if (!SetGsetting(schema, QStringLiteral("picture-uri"), uri))
            return false;
        // The dark style's picture, where the desktop is new enough to have one.
        SetGsetting(schema, QStringLiteral("picture-uri-dark"), uri);
        return true;
    }
    case Desktop::Cinnamon:
        return SetGsetting(QStringLiteral("org.cinnamon.desktop.background"), QStringLiteral("picture-uri"), uri);
    case Desktop::Mate:
        return SetGsetting(QStringLiteral("org.mate.background"), QStringLiteral("picture-filename"), abs);
    case Desktop::Xfce:
        return SetXfceWallpaper(abs);
    case Desktop::Kde:
        return SetPlasmaWallpaper(url);
    case Desktop::Other:
        break;
    }
    return RunQuietly(QStringLiteral("feh"), {QStringLiteral("--bg-fill"), abs});
}

QString ProgramDataFolder(const QString& programFolder)
{
    // A portable copy keeps its database, and so its other files, beside
    // the program.
    if (!programFolder.isEmpty() && QFileInfo(QDir(programFolder).filePath(QStringLiteral("pixadrome.db"))).isFile())
        return programFolder;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                         QStringLiteral("/pixadrome");
    QDir().mkpath(data);
    return data;
}

QString DefaultDatabasePath() { return QDir(ProgramDataFolder()).filePath(QStringLiteral("pixadrome.db")); }

QString DocumentationPage()
{
    // Installed, the page lies at the same place relative to the program
    // whatever the prefix; the build tree has none and uses the sources'.
    const QStringList candidates{
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(PIX_DOC_FROM_PROGRAM "/index.html")),
        QStringLiteral(PIX_SOURCE_DOC "/index.html")};
    for (const QString& page : candidates)
        if (QFileInfo(page).isFile())
            return QDir::cleanPath(page);
    return {};
}

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
    return QProcess::startDetached(QStringLiteral("xdg-email"),
                                   {QStringLiteral("--attach"), QFileInfo(path).absoluteFilePath()});
}

}  // namespace pix
