#include "cli/CliMain.h"

#include <QCoreApplication>
#include <QStringList>
#include <functional>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliFront.h"
#include "cli/CliSupport.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PackedDib.h"
#include "processing/CoreFormats.h"

namespace pix {

namespace {

const char* const kUsage =
    "Usage: pixadrome-cli COMMAND [ARGS]\n"
    "Commands:\n"
    "  info FILE... [--exif]                 size and colours of each picture (and when photos were taken)\n"
    "  convert IN OUT [--hint WxH]           read IN and write OUT (format by extension)\n"
    "  reduce IN OUT --colors N [--nearest] [--prefer S] [--preserve] [--seed N]\n"
    "                                        reduce IN to N colours and write OUT\n"
    "  edit IN OUT OP...                     rotate-right, rotate-left, flip-v, flip-h, resize=WxH,\n"
    "                                        enhance, correct=B,C,R,G,Bl,Gm, applied in order\n"
    "  mosaic TARGET -o OUT --rows R --cols C [--as-is F]... [--chop F]... [--clips N] [--reuse F]... [--seed N]\n"
    "                                        rebuild TARGET from tiles of other pictures\n"
    "  sheet PATH... -o OUT [--format F.tfm] [--size WxH] [--suffix S]\n"
    "                                        a contact sheet: OUT .pxc, page pictures or .html pages\n"
    "  db --db FILE (dump | register PATH... | locate PATH... | clean | attr ...)\n"
    "                                        list and maintain an image database\n"
    "  crc FILE...                           content key (CRC-32) and path of each file\n"
    "  signature FILE [--load-size S]        the 192 signature bytes of a picture in hex\n"
    "  dupes PATH... [--tolerance T]         groups of similar pictures, one block each\n"
    "  dupes --new PATH --library DIR...     groups of the new pictures with their matches\n"
    "  dupes ... --json | --turned           groups as JSON with the copy to keep; turned copies too\n"
    "  verdict not-duplicates A B | list     pairs no later search groups together\n"
    "  similar REF PATH... [--tolerance T]   the pictures similar to REF\n"
    "  scan [--device NAME] -o OUT [--option NAME=VALUE]... [--batch] | --list\n"
    "                                        pages from a scanner or camera\n"
    "  associations [--claim | --set EXT=0|1,...]\n"
    "                                        the image types Pixadrome opens (EXT, 0|1, previous owner)\n"
    "  samples DIR                           write one sample picture per writable format\n"
    "Run 'pixadrome-cli COMMAND --help' for the options of a command.\n"
    "Run 'pixadrome-cli --version' for the version.\n";

}  // namespace

int CmdScan(const QStringList& args, CliStreams io)
{
    std::vector<std::string> plain;
    for (const QString& arg : args)
        plain.push_back(arg.toLocal8Bit().toStdString());
    return RunScan(plain, io, [](std::vector<uint8_t>&& dib, const std::string& path, CliStreams streams) {
        CImageBuffer picture;
        return AdoptPackedDib(std::move(dib), picture) && SaveChecked(picture, path, streams);
    });
}

int RunCoreCli(int argc, char** argv)
{
    // The drawing program has registered every format, metafiles included.
    if (Formats().empty())
        RegisterCoreFormats();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    CliStreams io{std::cout, std::cerr};
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h")) {
        (args.isEmpty() ? std::cerr : std::cout) << kUsage;
        return args.isEmpty() ? 2 : 0;
    }
    if (args[0] == QLatin1String("--version")) {
        std::cout << "pixadrome-cli " PIX_VERSION "\n";
        return 0;
    }
    const std::map<QString, std::function<int(const QStringList&, CliStreams)>> commands{
        {QStringLiteral("info"), CmdInfo},
        {QStringLiteral("convert"), CmdConvert},
        {QStringLiteral("reduce"), CmdReduce},
        {QStringLiteral("edit"), CmdEdit},
        {QStringLiteral("mosaic"), CmdMosaic},
        {QStringLiteral("crc"), CmdCrc},
        {QStringLiteral("signature"), CmdSignature},
        {QStringLiteral("dupes"), CmdDupes},
        {QStringLiteral("similar"), CmdSimilar},
        {QStringLiteral("verdict"), CmdVerdict},
        {QStringLiteral("db"), CmdDb},
        {QStringLiteral("associations"), CmdAssociations},
        {QStringLiteral("scan"), CmdScan},
    };
    auto it = commands.find(args[0]);
    if (it == commands.end()) {
        std::cerr << "pixadrome-cli: unknown command '" << args[0].toStdString() << "'\n" << kUsage;
        return 2;
    }
    return it->second(args, io);
}

}  // namespace pix
