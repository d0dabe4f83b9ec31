// pixadrome-cli edit and mosaic: the picture operations of the viewer,
// applied in batch.
#include <QCommandLineParser>
#include <functional>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "common/Progress.h"
#include "image/CImageBuffer.h"
#include "processing/ColorCorrection.h"
#include "processing/Enhance.h"
#include "processing/Geometry.h"
#include "processing/PhotoMosaic.h"

namespace pix {

namespace {

using Operation = std::function<void(CImageBuffer&)>;

// One operation word, or nothing when it is not one.
std::optional<Operation> ParseOperation(const QString& word)
{
    if (word == QLatin1String("rotate-right"))
        return Operation(RotateRight);
    if (word == QLatin1String("rotate-left"))
        return Operation(RotateLeft);
    if (word == QLatin1String("flip-v"))
        return Operation(FlipVertical);
    if (word == QLatin1String("flip-h"))
        return Operation(FlipHorizontal);
    if (word == QLatin1String("enhance"))
        return Operation(Enhance);
    if (word.startsWith(QLatin1String("resize="))) {
        uint32_t w = 0, h = 0;
        if (!ParseSize(word.mid(7), w, h) || w < 1 || h < 1 || w > 8000 || h > 8000)
            return std::nullopt;
        return Operation([w, h](CImageBuffer& b) { b.Resize(w, h); });
    }
    if (word.startsWith(QLatin1String("correct="))) {
        const QStringList parts = word.mid(8).split(QLatin1Char(','));
        if (parts.size() != 6)
            return std::nullopt;
        int v[6];
        for (int i = 0; i < 6; ++i) {
            bool ok = false;
            v[i] = parts[i].toInt(&ok);
            if (!ok || v[i] < -256 || v[i] > 256)
                return std::nullopt;
        }
        const ColorSliders sliders{v[0], v[1], v[2], v[3], v[4], v[5]};
        return Operation([sliders](CImageBuffer& b) {
            SavedPlanes saved(b);
            saved.Apply(BuildColorTables(sliders), b);
            b.DiscardIndexPlane();
        });
    }
    return std::nullopt;
}

}  // namespace

int CmdEdit(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("Picture to read."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Picture to write."));
    parser.addPositionalArgument(
        QStringLiteral("OP"),
        QStringLiteral("rotate-right, rotate-left, flip-v, flip-h, resize=WxH, enhance, correct=B,C,R,G,Bl,Gm"),
        QStringLiteral("OP..."));
    int status = 0;
    if (!ParseCommand(parser, args, "Applies operations in order to IN and writes OUT.", io, status))
        return status;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() < 3) {
        io.err << "pixadrome-cli: edit needs IN, OUT and at least one operation\n";
        return 2;
    }
    std::vector<Operation> ops;
    for (int i = 2; i < pos.size(); ++i) {
        auto op = ParseOperation(pos[i]);
        if (!op) {
            io.err << "pixadrome-cli: not an operation: " << pos[i].toStdString() << '\n';
            return 2;
        }
        ops.push_back(*op);
    }
    CImageBuffer buf;
    if (!LoadChecked(buf, NativePath(pos[0]), io))
        return 1;
    for (const Operation& op : ops)
        op(buf);
    return SaveKeepingMetadata(buf, NativePath(pos[0]), NativePath(pos[1]), io) ? 0 : 1;
}

int CmdMosaic(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("TARGET"), QStringLiteral("Picture to rebuild."));
    QCommandLineOption out({QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("Picture to write."),
                           QStringLiteral("OUT"));
    QCommandLineOption rows(QStringLiteral("rows"), QStringLiteral("Rows of tiles (1-1000)."), QStringLiteral("R"),
                            QStringLiteral("32"));
    QCommandLineOption cols(QStringLiteral("cols"), QStringLiteral("Columns of tiles (1-1000)."), QStringLiteral("C"),
                            QStringLiteral("32"));
    QCommandLineOption asIs(QStringLiteral("as-is"), QStringLiteral("A picture used once, as it is."),
                            QStringLiteral("F"));
    QCommandLineOption chop(QStringLiteral("chop"), QStringLiteral("A picture that may be chopped into clips."),
                            QStringLiteral("F"));
    QCommandLineOption reuse(QStringLiteral("reuse"), QStringLiteral("A picture usable for any number of tiles."),
                             QStringLiteral("F"));
    QCommandLineOption clips(QStringLiteral("clips"), QStringLiteral("Clips per chopped picture (1-100000)."),
                             QStringLiteral("N"), QStringLiteral("10"));
    QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the chopping."), QStringLiteral("N"),
                            QStringLiteral("5489"));
    parser.addOptions({out, rows, cols, asIs, chop, reuse, clips, seed});
    int status = 0;
    if (!ParseCommand(parser, args, "Rebuilds TARGET from tiles of other pictures.", io, status))
        return status;
    auto number = [&](const QCommandLineOption& o, long long lo, long long hi, long long& v) {
        bool ok = false;
        v = parser.value(o).toLongLong(&ok);
        return ok && v >= lo && v <= hi;
    };
    long long r = 0, c = 0, n = 0, s = 0;
    if (parser.positionalArguments().size() != 1 || !parser.isSet(out) || !number(rows, 1, 1000, r) ||
        !number(cols, 1, 1000, c) || !number(clips, 1, 100000, n) || !number(seed, 0, UINT32_MAX, s)) {
        io.err << "pixadrome-cli: mosaic needs TARGET, -o OUT and numbers in range (see --help)\n";
        return 2;
    }
    MosaicSettings settings;
    settings.rows = static_cast<int>(r);
    settings.columns = static_cast<int>(c);
    settings.clipsPerChopped = static_cast<int>(n);
    settings.seed = static_cast<uint32_t>(s);
    std::vector<MosaicSource> sources;
    for (const QString& f : parser.values(asIs))
        sources.push_back({NativePath(f), MosaicSourceKind::AsIs});
    for (const QString& f : parser.values(chop))
        sources.push_back({NativePath(f), MosaicSourceKind::Chopped});
    for (const QString& f : parser.values(reuse))
        sources.push_back({NativePath(f), MosaicSourceKind::Reusable});
    CliPrompter prompter(io.err);
    if (auto problem = CheckMosaicSources(settings, static_cast<int>(parser.values(asIs).size()),
                                          static_cast<int>(parser.values(chop).size()),
                                          static_cast<int>(parser.values(reuse).size()))) {
        prompter.Show(*problem);
        return 1;
    }
    CImageBuffer image;
    if (!LoadChecked(image, NativePath(parser.positionalArguments()[0]), io))
        return 1;
    TerminalProgress progress;
    RunPhotoMosaic(image, settings, sources, progress, nullptr);
    return SaveChecked(image, NativePath(parser.value(out)), io) ? 0 : 1;
}

}  // namespace pix
