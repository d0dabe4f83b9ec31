#pragma once
// pixadrome-cli: batch use of the program's readers, writers and
// operations, one subcommand per job. Errors go to stderr with a non-zero
// exit status.
//
// The pixadrome-cli program itself loads neither Qt nor the image libraries
// (cli/CliFront.h): it scans to bitmap files, and hands other command lines
// to a sibling. Commands that draw nothing
// run in a small program without the window system, fonts or plug-ins;
// the others (and any metafile among the arguments) need the drawing
// program, which runs every command.

namespace pix {

// Runs a command that draws nothing (under a QCoreApplication; metafiles
// load nothing). Returns the exit status.
int RunCoreCli(int argc, char** argv);

// Runs any command; needs a QGuiApplication. Returns the exit status.
int RunCli(int argc, char** argv);

}  // namespace pix
