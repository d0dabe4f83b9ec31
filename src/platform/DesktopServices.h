#pragma once
// The desktop's services: the program associated with a file, the web
// browser, the wallpaper and the mail program.

#include <QString>

#include "platform/MimeApps.h"

namespace pix {

// The desktop-file id of the default program for path's type, or empty.
QString AssociatedProgram(const QString& path);
// True when the desktop's default program for path is this program.
bool AssociatedWithThisProgram(const QString& path);

// Starts the default program on path without waiting; false with an
// explanation in error when nothing could be started.
bool OpenWithAssociatedProgram(const QString& path, QString& error);
// Opens a web address in the default browser.
bool OpenWebPage(const QString& url);

// Makes the picture at path the desktop background. False when no known
// desktop accepted it.
bool SetDesktopWallpaper(const QString& path);
// The folder of the files the program keeps beside itself ("wallppr.bmp",
// "pixadrome.db"): the program's folder when it may be written there, else
// the user's data folder.
QString ProgramDataFolder();
// The database used when the settings name none.
QString DefaultDatabasePath();

// Whether a mail program can be asked to send an attachment.
bool MailAvailable();
// Opens a new message with path attached.
bool SendFileByMail(const QString& path);

}  // namespace pix
