#pragma once
// The commands that change which database is used and keep its paths in
// step with the disk. Each holds the database only while it runs; the
// caller hides the database pane around Locate and Clean, so that the
// pane lets the database go.

#include <QStringList>

namespace pix {

class AppServices;
class Progress;

// Asks for an existing database or a new name and changes to it; true
// when it changed (a file that is no database is reported).
bool ChangeDatabaseFile(AppServices& app);

// The files to locate.
QStringList ChooseFilesToLocate(AppServices& app);
// Updates the stored paths of the files; stops where progress is
// cancelled, keeping and saving what changed.
void LocateMovedFiles(AppServices& app, const QStringList& files, Progress& progress);

// Removes the records of the files missing from the disk after the
// "Compacting" question.
void CleanMissingFiles(AppServices& app, Progress& progress);

}  // namespace pix
