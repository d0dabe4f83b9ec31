#include "cli/CliCommands.h"

#include "cli/CliSupport.h"

#include <QCommandLineParser>
#include <cctype>
#include <ostream>

#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PhotoMetadata.h"
#include "processing/ColorReduction.h"

namespace pix {


int CmdInfo(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Pictures to describe."), QStringLiteral("FILE..."));
    QCommandLineOption exif(QStringLiteral("exif"),
                            QStringLiteral("Also print what each photo tells of its taking, one fact a line."));
    parser.addOption(exif);
    int status = 0;
    if (!ParseCommand(parser, args, "Prints PATH, width, height and colour count of each picture.", io, status))
        return status;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        io.err << "pixadrome-cli: info needs at least one FILE\n";
        return 2;
    }
    for (const QString& file : files) {
        const std::string path = NativePath(file);
        CImageBuffer buf;
        if (!LoadChecked(buf, path, io)) {
            status = 1;
            continue;
        }
        io.out << path << '\t' << buf.Width() << '\t' << buf.Height() << '\t';
        if (buf.HasIndexPlane())
            io.out << buf.ColorCount();
        else
            io.out << "16M";
        io.out << '\n';
        if (parser.isSet(exif)) {
            const PhotoFacts facts = ReadPhotoFacts(path);
            const std::pair<const char*, const std::string&> lines[] = {
                {"DateTaken", facts.dateTaken}, {"Camera", facts.camera},     {"Lens", facts.lens},
                {"Exposure", facts.exposure},   {"Aperture", facts.aperture}, {"ISO", facts.iso},
                {"FocalLength", facts.focalLength}};
            for (const auto& [name, value] : lines)
                io.out << '\t' << name << '\t' << value << '\n';
        }
    }
    return status;
}

int CmdConvert(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("Picture to read."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Picture to write; its extension chooses the format."));
    QCommandLineOption hint(QStringLiteral("hint"), QStringLiteral("Size the picture will be scaled to."),
                            QStringLiteral("WxH"));
    parser.addOption(hint);
    QCommandLineOption quality(QStringLiteral("quality"), QStringLiteral("JPEG quality, 0 to 100 (default 75)."),
                               QStringLiteral("Q"));
    parser.addOption(quality);
    int status = 0;
    if (!ParseCommand(parser, args, "Reads IN and writes it as OUT.", io, status))
        return status;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 2) {
        io.err << "pixadrome-cli: convert needs IN and OUT\n";
        return 2;
    }
    uint32_t w = 0, h = 0;
    if (parser.isSet(hint) && !ParseSize(parser.value(hint), w, h)) {
        io.err << "pixadrome-cli: --hint wants WxH, e.g. 160x120\n";
        return 2;
    }
    const std::string in = NativePath(pos[0]);
    const std::string out = NativePath(pos[1]);
    int chosenQuality = -1;
    const FormatRow* format = FormatForPath(out);
    if (parser.isSet(quality)) {
        bool number = false;
        chosenQuality = parser.value(quality).toInt(&number);
        if (!number || chosenQuality < 0 || chosenQuality > 100) {
            io.err << "pixadrome-cli: --quality wants a whole number from 0 to 100\n";
            return 2;
        }
        if (!format || !format->writeQuality) {
            std::string names;
            for (const FormatRow& row : Formats())
                if (row.writeQuality) {
                    names += names.empty() ? "" : ", ";
                    for (char c : row.name)
                        names += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                }
            io.err << "pixadrome-cli: --quality applies to " << names << " output only\n";
            return 2;
        }
    }
    CImageBuffer buf;
    if (!LoadChecked(buf, in, io, w, h))
        return 1;
    return SaveKeepingMetadata(buf, in, out, io, chosenQuality) ? 0 : 1;
}

int CmdReduce(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("Picture to read."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Picture to write; its extension chooses the format."));
    QCommandLineOption colors(QStringLiteral("colors"), QStringLiteral("Number of colours, 2 to 256."), QStringLiteral("N"));
    QCommandLineOption nearest(QStringLiteral("nearest"), QStringLiteral("Nearest colour instead of dithering."));
    QCommandLineOption prefer(QStringLiteral("prefer"),
                              QStringLiteral("-16 (colour over detail) to 16 (detail over colour); default 0."),
                              QStringLiteral("S"));
    QCommandLineOption preserve(QStringLiteral("preserve"), QStringLiteral("Keep colours the picture really uses."));
    QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the histogram jitter."), QStringLiteral("N"));
    parser.addOptions({colors, nearest, prefer, preserve, seed});
    int status = 0;
    if (!ParseCommand(parser, args, "Reduces IN to at most N colours and writes it as OUT.", io, status))
        return status;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 2) {
        io.err << "pixadrome-cli: reduce needs IN and OUT\n";
        return 2;
    }
    ReduceOptions options;
    options.writeBack = true;
    options.dither = !parser.isSet(nearest);
    options.preserve = parser.isSet(preserve);
    bool number = false;
    options.colors = parser.value(colors).toInt(&number);
    if (!parser.isSet(colors) || !number || options.colors < 2 || options.colors > 256) {
        io.err << "pixadrome-cli: reduce needs --colors N, N from 2 to 256\n";
        return 2;
    }
    if (parser.isSet(prefer)) {
        options.preference = parser.value(prefer).toInt(&number);
        if (!number || options.preference < -16 || options.preference > 16) {
            io.err << "pixadrome-cli: --prefer wants a whole number from -16 to 16\n";
            return 2;
        }
        if (options.preserve) {
            io.err << "pixadrome-cli: --prefer does not apply with --preserve\n";
            return 2;
        }
    }
    if (parser.isSet(seed)) {
        options.seed = parser.value(seed).toULongLong(&number);
        if (!number) {
            io.err << "pixadrome-cli: --seed wants a whole number from 0 to 18446744073709551615\n";
            return 2;
        }
    }
    const std::string in = NativePath(pos[0]);
    const std::string out = NativePath(pos[1]);
    CImageBuffer buf;
    if (!LoadChecked(buf, in, io))
        return 1;
    if (!ReduceColors(buf, options)) {
        io.err << "pixadrome-cli: " << in << ": not enough memory to reduce the colours\n";
        return 1;
    }
    return SaveKeepingMetadata(buf, in, out, io) ? 0 : 1;
}

}  // namespace pix
