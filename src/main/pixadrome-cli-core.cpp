#include <QCoreApplication>

#include "cli/CliMain.h"

// The commands that draw nothing, under Qt Core only (pixadrome-cli hands
// them here).
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return pix::RunCoreCli(argc, argv);
}
