#pragma once
// What the small pixadrome-cli program decides and runs without Qt: which
// sibling program runs a command line, and the scan command, which runs in
// the front itself so that a page costs no more than the scanner library's
// own start.

#include <string>
#include <vector>

#include "cli/CliStreams.h"

namespace pix {

// Whether the command line draws: sheets, mosaics and samples, and any
// metafile named among the arguments or lying in a folder named there
// (metafiles are read, drawn and written with Qt's painter and fonts).
bool CliNeedsGui(int argc, char** argv);

// Whether the front runs the command line itself (RunScan).
bool CliRunsInFront(int argc, char** argv);

// pixadrome-cli scan; args start with the command name. Returns the exit
// status.
int RunScan(const std::vector<std::string>& args, CliStreams io);

}  // namespace pix
