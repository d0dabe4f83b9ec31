#pragma once
// The desktop's services: the program associated with a file, the web
// browser, the wallpaper and the mail program.

#include <QCoreApplication>
#include <QString>
#include <QUrl>

#include "platform/MimeApps.h"

namespace pix {

// The desktop-file id of the default program for path's type, or empty.
QString AssociatedProgram(const QString& path);
// True when the desktop's default program for path is this program.
bool AssociatedWithThisProgram(const QString& path);

// Starts the default program on path without waiting; false with an
// explanation in error when nothing could be started.
bool OpenWithAssociatedProgram(const QString& path, QString& error);
// Opens a web page (an address or a local file) in the default browser.
bool OpenWebPage(const QUrl& url);

// Makes the picture at path the background of the desktop that
// XDG_CURRENT_DESKTOP names (GNOME, Cinnamon, MATE, XFCE, KDE Plasma; any
// other through feh). False when that desktop's tool failed or is missing.
bool SetDesktopWallpaper(const QString& path);
// The folder of the files the program keeps ("wallppr.bmp",
// "pixadrome.db"): $XDG_DATA_HOME/pixadrome, created when missing; the
// program's own folder only where a "pixadrome.db" lies there already (a
// portable copy).
QString ProgramDataFolder(const QString& programFolder = QCoreApplication::applicationDirPath());
// The database used when the settings name none.
QString DefaultDatabasePath();
// The program's documentation (an HTML page): the installed copy, else the
// source tree's; empty when there is neither.
QString DocumentationPage();

// Whether a mail program can be asked to send an attachment.
bool MailAvailable();
// Opens a new message with path attached.
bool SendFileByMail(const QString& path);

}  // namespace pix
