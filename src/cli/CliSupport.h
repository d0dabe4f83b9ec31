#pragma once
// What the Qt-based subcommands of pixadrome-cli share: option parsing with
// --help, size arguments and paths, checked saving; and reporting.

#include <QCommandLineParser>
#include <QString>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliOutput.h"

namespace pix {

class CImageBuffer;

// Parses args for one command; on --help or an error prints and gives the
// exit status through status, returning false.
bool ParseCommand(QCommandLineParser& parser, const QStringList& args, const char* synopsis, CliStreams io,
                  int& status);
// "WxH" with whole numbers.
bool ParseSize(const QString& text, uint32_t& w, uint32_t& h);
std::string NativePath(const QString& path);
// The files named, as absolute paths: a folder stands for the regular
// files in it, sorted by name. False (reported) when a folder cannot be
// listed.
bool ExpandPaths(const QStringList& args, std::vector<std::string>& files, CliStreams io);
// Saves buf by path's extension; false (reported on io.err) when the type
// is unknown or not writable, the writer reported a failure, or the file
// was not replaced.
bool SaveChecked(CImageBuffer& buf, const std::string& path, CliStreams io);

}  // namespace pix
