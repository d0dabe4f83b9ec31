#pragma once
// Copying, moving and deleting files for the document commands: an
// existing target is replaced only after the user agrees, and deleting
// moves the file to the freedesktop trash, where it can be restored.

#include <QString>

namespace pix {

class Prompter;

enum class FileOpResult { Done, Aborted, Failed };

// Copies source to target. Asks before replacing an existing target;
// reports failures through prompter.
FileOpResult CopyFileTo(const QString& source, const QString& target, Prompter& prompter);
// Moves or renames source to target, across file systems too.
FileOpResult MoveFileTo(const QString& source, const QString& target, Prompter& prompter);
// Asks, then moves path to the trash.
FileOpResult MoveToTrash(const QString& path, Prompter& prompter);
// Moves path to the trash without asking (the caller has asked); reports
// a failure.
FileOpResult SendToTrash(const QString& path, Prompter& prompter);

// True when the file exists and may be changed (Move, Delete).
bool FileIsWritable(const QString& path);
// True when the file exists (Copy).
bool FileExists(const QString& path);

}  // namespace pix
