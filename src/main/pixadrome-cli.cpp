#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliFront.h"

namespace {

// Replaces this process by the named helper program, with
// the same arguments; returns only when that fails.
int RunSibling(const char* name, char** argv)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    // Beside this program in the build tree; installed, in its own folder
    // of helper programs, which stay off the PATH.
    std::string program = (self.parent_path() / name).string();
    if (::access(program.c_str(), X_OK) != 0)
        program = (self.parent_path() / PIX_HELPERS_FROM_PROGRAM / name).lexically_normal().string();
    ::execv(program.c_str(), argv);
    std::cerr << "pixadrome-cli: cannot start " << program << ": " << std::strerror(errno) << '\n';
    return 1;
}

}  // namespace

// The front program links neither Qt nor the image libraries, so that it
// starts as fast as a plain C program: it scans to bitmap files by itself
// (a scanner's own tools start that fast) and hands every other command
// line to pixadrome-cli-core (Qt Core: commands that draw nothing) or
// pixadrome-cli-draw (the window system, fonts and plug-ins).
int main(int argc, char** argv)
{
    if (pix::CliNeedsGui(argc, argv))
        return RunSibling("pixadrome-cli-draw", argv);
    if (!pix::CliRunsInFront(argc, argv))
        return RunSibling("pixadrome-cli-core", argv);
    return pix::RunScan(std::vector<std::string>(argv + 1, argv + argc), {std::cout, std::cerr}, pix::SaveBitmapPage);
}
