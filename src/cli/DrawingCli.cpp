#include <QStringList>
#include <iostream>

#include "cli/CliCommands.h"
#include "cli/CliMain.h"
#include "render/FormatList.h"

namespace pix {

int RunCli(int argc, char** argv)
{
    RegisterFormats();
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    auto run = command == QLatin1String("sheet") ? CmdSheet : command == QLatin1String("samples") ? CmdSamples : nullptr;
    if (!run)
        return RunCoreCli(argc, argv);
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return run(args, CliStreams{std::cout, std::cerr});
}

}  // namespace pix
