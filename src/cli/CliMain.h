#pragma once
// pixadrome-cli: batch use of the program's readers, writers and
// operations, one subcommand per job. Errors go to stderr with a non-zero
// exit status.

namespace pix {

// Runs the command line; returns the exit status. Needs a QGuiApplication
// (metafiles are drawn with Qt's painter).
int RunCli(int argc, char** argv);

}  // namespace pix
