#include <QGuiApplication>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "cli/CliMain.h"

// The drawing half of pixadrome-cli: sheets, samples, mosaics and
// metafiles. pixadrome-cli hands such command lines over to it.
int main(int argc, char** argv)
{
    // The CLI never shows a window: draw offscreen unless told otherwise.
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt wants a private runtime folder; give it one quietly when the
    // session has none (batch jobs, containers).
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        std::string dir = "/tmp/runtime-" + std::to_string(::getuid());
        ::mkdir(dir.c_str(), 0700);
        struct stat st {};
        if (::stat(dir.c_str(), &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 0777) == 0700)
            ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    QGuiApplication app(argc, argv);
    return pix::RunCli(argc, argv);
}
