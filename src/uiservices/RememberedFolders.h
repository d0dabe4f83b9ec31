#pragma once
// The folders (and the filter) the file dialogs start from, as the
// settings remember them, and the choices that remember them by one rule:
// a folder is stored only when the user accepts the dialog; the filter of
// an open dialog also after Cancel where the command asks for that.

#include <QString>
#include <QStringList>
#include <string_view>

#include "common/SettingsKeys.h"

namespace pix {

class AppServices;
class SettingsStore;

// The folder stored under key, or the current folder when none is.
QString RememberedFolder(const SettingsStore& settings, const settings::StringKey& key);
// Stores the folder of path (a chosen file) under key.
void RememberFolderOf(SettingsStore& settings, const settings::StringKey& key, const QString& path);

enum class FilterOnCancel : bool { Forget, Store };

// Pictures to open ("Only image files" filter), starting in "SrcDir" with
// the filter "SrcFilter". The filter is stored after OK, and after Cancel
// too when asked; the folder is left to RememberSourceFolder, which a
// command calls once it goes ahead with the files.
QStringList ChooseSourceFiles(AppServices& app, const QString& title, FilterOnCancel onCancel);
// Stores the folder of the first of files as "SrcDir" (nothing when empty).
void RememberSourceFolder(AppServices& app, const QStringList& files);

// A path to save to, starting in "DestDir"; after OK its folder is stored
// there. Empty when cancelled.
QString ChooseDestination(AppServices& app, const QString& title, const QString& proposedName,
                          std::string_view filter, const QString& defaultSuffix = QString());

}  // namespace pix
