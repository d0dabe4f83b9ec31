#pragma once
// What the small pixadrome-cli program decides and runs without Qt: which
// sibling program runs a command line, and the scan command, which runs in
// the front itself so that a page costs no more than the scanner library's
// own start.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "cli/CliStreams.h"

namespace pix {

// Whether the command line draws: sheets, mosaics and samples, and any
// metafile named among the arguments or lying in a folder named there
// (metafiles are read, drawn and written with Qt's painter and fonts).
bool CliNeedsGui(int argc, char** argv);

// Whether the front runs the command line itself: a scan to bitmap files
// (which needs none of the other formats' libraries), or a list of devices.
bool CliRunsInFront(int argc, char** argv);
// The OUT a scan command line (starting with the command name) names, read
// as RunScan reads it; empty when none is given or the line does not parse.
std::string ScanOutput(const std::vector<std::string>& args);
// Whether path names a bitmap file (".bmp" or ".dib", in any case).
bool IsBitmapPath(const std::string& path);

// Saves a scanned page (a packed DIB) as path; false, reported on io.err,
// when it was not written.
using ScanPageSaver = std::function<bool(std::vector<uint8_t>&& dib, const std::string& path, CliStreams io)>;
// Saves pages as bitmap files only.
bool SaveBitmapPage(std::vector<uint8_t>&& dib, const std::string& path, CliStreams io);

// pixadrome-cli scan; args start with the command name. Colour pages bound
// for bitmap files are written as they come; other pages go to save.
// Returns the exit status.
int RunScan(const std::vector<std::string>& args, CliStreams io, const ScanPageSaver& save);

}  // namespace pix
