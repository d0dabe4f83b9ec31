#pragma once
// The subcommands of pixadrome-cli, each taking its own arguments (after
// the subcommand name) and the streams to report on.

#include <QStringList>

#include "cli/CliStreams.h"

namespace pix {

int CmdInfo(const QStringList& args, CliStreams io);
int CmdConvert(const QStringList& args, CliStreams io);
// Reduces IN to at most --colors N colours, writes the colours back and
// saves OUT.
int CmdReduce(const QStringList& args, CliStreams io);
// Writes a small set of pictures, one per writable format, into a folder.
// Picture operations in order: rotate, flip, resize, enhance, correct.
int CmdEdit(const QStringList& args, CliStreams io);
// The photo mosaic of a picture.
int CmdMosaic(const QStringList& args, CliStreams io);
int CmdSamples(const QStringList& args, CliStreams io);
// KEY<TAB>PATH for each file; the 192 signature bytes of a picture in hex.
int CmdCrc(const QStringList& args, CliStreams io);
int CmdSignature(const QStringList& args, CliStreams io);
// The groups of the duplicate search; the pictures similar to one picture.
int CmdDupes(const QStringList& args, CliStreams io);
int CmdSimilar(const QStringList& args, CliStreams io);
// Records that two pictures are not duplicates, or lists such verdicts.
int CmdVerdict(const QStringList& args, CliStreams io);
// A contact sheet of files saved as a sheet, page pictures or web pages.
int CmdSheet(const QStringList& args, CliStreams io);
// Lists and maintains an image database file.
int CmdDb(const QStringList& args, CliStreams io);
// The image types Pixadrome opens; claims or gives them back.
int CmdAssociations(const QStringList& args, CliStreams io);
// Pages from a scanner or camera, saved as pictures.
int CmdScan(const QStringList& args, CliStreams io);

}  // namespace pix
