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
// Loads path into buf (with size hints); false, with the reason on io.err,
// when no picture was read.
bool LoadChecked(CImageBuffer& buf, const std::string& path, CliStreams io, uint32_t hintWidth = 0,
                 uint32_t hintHeight = 0);
// Saves buf by path's extension; false, with the writer's reason on io.err,
// when nothing was written.
bool SaveChecked(const CImageBuffer& buf, const std::string& path, CliStreams io);
// Saves buf as SaveChecked does (with a quality, 0..100, where the format
// has one and quality is not -1), then the metadata of the picture at from,
// fitted to the picture written. A file written without it is only noted.
bool SaveKeepingMetadata(const CImageBuffer& buf, const std::string& from, const std::string& path, CliStreams io,
                         int quality = -1);

}  // namespace pix
