#include "platform/MimeApps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include "common/AtomicFile.h"

namespace pix {
namespace {

QString EnvFolder(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList EnvFolders(const char* name, const QString& fallback)
{
    return EnvFolder(name, fallback).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList SplitList(const QByteArray& value)
{
    QStringList ids;
    for (const QByteArray& part : value.split(';'))
        if (!part.trimmed().isEmpty())
            ids << QString::fromUtf8(part.trimmed());
    return ids;
}

// Calls visit(group, key, value, line start, line end) for every key line
// of an ini-style file; a line ends after its '\n'.
template <typename Visit>
void ForEachKey(const QByteArray& content, Visit&& visit)
{
    QByteArray group;
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = content.indexOf('\n', start);
        end = end < 0 ? content.size() : end + 1;
        const QByteArray line = content.mid(start, end - start).trimmed();
        if (line.startsWith('[') && line.endsWith(']')) {
            group = line.mid(1, line.size() - 2);
        } else if (!line.isEmpty() && !line.startsWith('#')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0 && !visit(group, line.left(eq).trimmed(), line.mid(eq + 1).trimmed(), start, end))
                return;
        }
        start = end;
    }
}

QStringList ApplicationFolders(const XdgFolders& xdg)
{
    QStringList folders{xdg.dataHome + QStringLiteral("/applications")};
    for (const QString& dir : xdg.dataDirs)
        folders << dir + QStringLiteral("/applications");
    return folders;
}

QString FindDesktopFile(const XdgFolders& xdg, const QString& id)
{
    if (id.isEmpty() || id.contains(QLatin1Char('/')))
        return {};
    for (const QString& folder : ApplicationFolders(xdg)) {
        // "a-b-c.desktop" may live at a-b-c.desktop, a/b-c.desktop, a/b/c.desktop…
        QString relative = id;
        for (qsizetype dash = -1;;) {
            const QString path = folder + QLatin1Char('/') + relative;
            if (QFileInfo(path).isFile())
                return path;
            dash = relative.indexOf(QLatin1Char('-'), dash + 1);
            if (dash < 0)
                break;
            relative[dash] = QLatin1Char('/');
        }
    }
    return {};
}

bool IsExecutable(const QString& program)
{
    if (program.isEmpty())
        return false;
    if (QDir::isAbsolutePath(program)) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

}  // namespace

XdgFolders XdgFolders::FromEnvironment()
{
    const QString home = QDir::homePath();
    XdgFolders xdg;
    xdg.configHome = EnvFolder("XDG_CONFIG_HOME", home + QStringLiteral("/.config"));
    xdg.configDirs = EnvFolders("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    xdg.dataHome = EnvFolder("XDG_DATA_HOME", home + QStringLiteral("/.local/share"));
    xdg.dataDirs = EnvFolders("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        xdg.desktops << desktop.toLower();
    return xdg;
}

std::optional<DesktopEntry> FindDesktopEntry(const XdgFolders& xdg, const QString& id)
{
    const QString path = FindDesktopFile(xdg, id);
    if (path.isEmpty())
        return std::nullopt;
    std::optional<DesktopEntry> entry;
    ForEachKey(ReadFile(path), [&](const QByteArray& group, const QByteArray& key, const QByteArray& value, qsizetype,
                                   qsizetype) {
        if (group != "Desktop Entry")
            return true;
        if (!entry)
            entry.emplace();
        if (key == "Name")
            entry->name = QString::fromUtf8(value);
        else if (key == "Exec")
            entry->exec = QString::fromUtf8(value);
        else if (key == "TryExec")
            entry->tryExec = QString::fromUtf8(value);
        else if (key == "Hidden")
            entry->hidden = value == "true";
        return true;
    });
    return entry;
}

bool IsInstalled(const XdgFolders& xdg, const QString& id)
{
    const std::optional<DesktopEntry> entry = FindDesktopEntry(xdg, id);
    if (!entry || entry->hidden)
        return false;
    if (!entry->tryExec.isEmpty())
        return IsExecutable(entry->tryExec);
    return IsExecutable(entry->exec.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty));
}

QStringList MimeAppsFiles(const XdgFolders& xdg)
{
    QStringList files;
    auto addFolder = [&](const QString& folder) {
        for (const QString& desktop : xdg.desktops)
            files << folder + QLatin1Char('/') + desktop + QStringLiteral("-mimeapps.list");
        files << folder + QStringLiteral("/mimeapps.list");
    };
    addFolder(xdg.configHome);
    for (const QString& dir : xdg.configDirs)
        addFolder(dir);
    for (const QString& folder : ApplicationFolders(xdg))
        addFolder(folder);
    return files;
}

QString UserMimeAppsFile(const XdgFolders& xdg) { return xdg.configHome + QStringLiteral("/mimeapps.list"); }

std::optional<QStringList> ListedEntries(const QByteArray& content, const QByteArray& group, const QString& type)
{
    const QByteArray wanted = type.toUtf8();
    std::optional<QStringList> ids;
    ForEachKey(content, [&](const QByteArray& g, const QByteArray& key, const QByteArray& value, qsizetype, qsizetype) {
        if (g != group || key != wanted)
            return true;
        ids = SplitList(value);
        return false;
    });
    return ids;
}

QStringList UserDefaults(const XdgFolders& xdg, const QString& type)
{
    return ListedEntries(ReadFile(UserMimeAppsFile(xdg)), "Default Applications", type).value_or(QStringList());
}

QString DefaultEntry(const XdgFolders& xdg, const QString& type, const std::optional<QStringList>& userLine)
{
    const QString userFile = UserMimeAppsFile(xdg);
    for (const QString& file : MimeAppsFiles(xdg)) {
        const std::optional<QStringList> ids =
            file == userFile && userLine ? userLine : ListedEntries(ReadFile(file), "Default Applications", type);
        for (const QString& id : ids.value_or(QStringList()))
            if (IsInstalled(xdg, id))
                return id;
    }
    return {};
}

QString DefaultApplication(const XdgFolders& xdg, const QString& type)
{
    if (QString id = DefaultEntry(xdg, type); !id.isEmpty())
        return id;
    QStringList removed;
    QStringList candidates;
    for (const QString& file : MimeAppsFiles(xdg)) {
        const QByteArray content = ReadFile(file);
        removed << ListedEntries(content, "Removed Associations", type).value_or(QStringList());
        for (const QString& id : ListedEntries(content, "Added Associations", type).value_or(QStringList()))
            if (!removed.contains(id))
                candidates << id;
    }
    // Then the desktop files that name the type, as the caches list them.
    for (const QString& folder : ApplicationFolders(xdg))
        candidates << ListedEntries(ReadFile(folder + QStringLiteral("/mimeinfo.cache")), "MIME Cache", type)
                          .value_or(QStringList());
    for (const QString& id : candidates)
        if (!removed.contains(id) && IsInstalled(xdg, id))
            return id;
    return {};
}

ListWrite SetUserDefaults(const XdgFolders& xdg, const QString& type, const QStringList& entries)
{
    const QString path = UserMimeAppsFile(xdg);
    const QFileInfo link(path);
    // Write the file a symbolic link points to, not over the link.
    const QString target = link.isSymLink() ? link.symLinkTarget() : path;
    const QFileInfo info(target);
    QByteArray content;
    if (info.exists()) {
        if (!info.isFile())
            return ListWrite::Unreadable;
        // The mode's write bits, not access(): root may write anything.
        constexpr auto kWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (!(info.permissions() & kWrite))
            return ListWrite::NotWritable;
        QFile file(target);
        if (!file.open(QIODevice::ReadOnly))
            return ListWrite::Unreadable;
        content = file.readAll();
    } else if (!QDir().mkpath(info.absolutePath())) {
        return ListWrite::NotWritable;
    }

    // The line of type in [Default Applications], or where the group is.
    const QByteArray key = type.toUtf8();
    qsizetype lineStart = -1, lineEnd = -1, groupEnd = -1;
    bool trailingSemicolon = true;
    ForEachKey(content, [&](const QByteArray& group, const QByteArray& k, const QByteArray& value, qsizetype start,
                            qsizetype end) {
        if (group != "Default Applications")
            return true;
        groupEnd = end;
        if (k == key && lineStart < 0) {
            lineStart = start;
            lineEnd = end;
            trailingSemicolon = value.isEmpty() || value.endsWith(';');
        }
        return true;
    });
    QByteArray line;
    if (!entries.isEmpty()) {
        line = key + '=' + entries.join(QLatin1Char(';')).toUtf8() + (trailingSemicolon ? ";" : "");
        line += '\n';
    }
    if (lineStart >= 0) {
        if (!line.isEmpty() && !content.mid(lineStart, lineEnd - lineStart).endsWith('\n'))
            line.chop(1);
        content.replace(lineStart, lineEnd - lineStart, line);
    } else if (!line.isEmpty()) {
        if (groupEnd < 0) {
            // The group without lines: straight after its header.
            const qsizetype header = content.indexOf("[Default Applications]");
            if (header >= 0) {
                groupEnd = content.indexOf('\n', header) + 1;
                if (groupEnd == 0) {
                    content += '\n';
                    groupEnd = content.size();
                }
            }
        }
        if (groupEnd < 0) {
            if (!content.isEmpty() && !content.endsWith('\n'))
                content += '\n';
            content += "[Default Applications]\n";
            groupEnd = content.size();
        } else if (content.at(groupEnd - 1) != '\n') {
            content.insert(groupEnd++, '\n');
        }
        content.insert(groupEnd, line);
    } else {
        return ListWrite::Written;  // nothing to remove
    }
    const QFile::Permissions mode = info.exists() ? info.permissions() : QFile::ReadOwner | QFile::WriteOwner;
    if (!WriteFileAtomically(target.toStdString(), content.constData(), static_cast<size_t>(content.size())))
        return ListWrite::NotWritable;
    QFile::setPermissions(target, mode);
    return ListWrite::Written;
}

}  // namespace pix
