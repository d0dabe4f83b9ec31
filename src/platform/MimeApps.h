#pragma once
// The desktop's default programs by MIME type, after the freedesktop
// mime-apps and desktop-entry rules: which installed program opens a type,
// and the user's own list of defaults, edited line by line so everything
// else in it stays byte for byte as it was.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace pix {

// The desktop-file id this program is installed under.
inline constexpr const char* kDesktopFileId = "pixadrome.desktop";

// The XDG base folders and desktop names the lookups use.
struct XdgFolders {
    QString configHome;
    QStringList configDirs;
    QString dataHome;
    QStringList dataDirs;
    QStringList desktops;  // XDG_CURRENT_DESKTOP, lower-cased

    static XdgFolders FromEnvironment();
};

struct DesktopEntry {
    QString name;
    QString exec;
    QString tryExec;
    bool hidden = false;
};

// The [Desktop Entry] group of the desktop file with this id, searched in
// the applications folders of the data folders ("a-b.desktop" may also be
// a/b.desktop); nothing when there is none.
std::optional<DesktopEntry> FindDesktopEntry(const XdgFolders& xdg, const QString& id);
// Whether the program of id is installed: its desktop file exists, is not
// hidden, and the program it names (TryExec, else Exec's first word) is an
// executable file.
bool IsInstalled(const XdgFolders& xdg, const QString& id);

// The mimeapps.list files in lookup order.
QStringList MimeAppsFiles(const XdgFolders& xdg);
// The user's own list, the one we write: $XDG_CONFIG_HOME/mimeapps.list.
QString UserMimeAppsFile(const XdgFolders& xdg);
// The user file's [Default Applications] entries for type (none when it
// has no line for it).
QStringList UserDefaults(const XdgFolders& xdg, const QString& type);
// The ids listed for type in one group of a mimeapps.list file's content
// (nothing when the group has no line for type).
std::optional<QStringList> ListedEntries(const QByteArray& content, const QByteArray& group, const QString& type);

// The first installed [Default Applications] entry for type across the
// files, or empty. userLine, when given, stands for the user file's line.
QString DefaultEntry(const XdgFolders& xdg, const QString& type,
                     const std::optional<QStringList>& userLine = std::nullopt);
// The program that opens type: the default entry, else the most preferred
// installed association ([Added Associations], then the desktop files that
// name the type) that no [Removed Associations] line takes away.
QString DefaultApplication(const XdgFolders& xdg, const QString& type);

enum class ListWrite { Written, Unreadable, NotWritable };
// Makes the user file's [Default Applications] line of type list entries
// (the line goes when entries is empty). Written through a temporary file
// renamed onto the file, or onto a symbolic link's target. A file without
// write permission is refused, whoever runs the program.
ListWrite SetUserDefaults(const XdgFolders& xdg, const QString& type, const QStringList& entries);

}  // namespace pix
