#include <QCoreApplication>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "cli/CliMain.h"

namespace {

// Replaces this process by pixadrome-cli-draw from the same folder, with
// the same arguments; returns only when that fails.
int RunDrawingProgram(char** argv)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string drawing = (self.parent_path() / "pixadrome-cli-draw").string();
    ::execv(drawing.c_str(), argv);
    std::cerr << "pixadrome-cli: cannot start " << drawing << ": " << std::strerror(errno) << '\n';
    return 1;
}

}  // namespace

// Commands that draw nothing start without the window system, fonts and
// plug-ins; the rest run in pixadrome-cli-draw.
int main(int argc, char** argv)
{
    if (pix::CliNeedsGui(argc, argv))
        return RunDrawingProgram(argv);
    QCoreApplication app(argc, argv);
    return pix::RunCoreCli(argc, argv);
}
