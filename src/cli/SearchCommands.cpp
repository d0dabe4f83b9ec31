// pixadrome-cli crc, signature, dupes and similar: the content key, the
// image signature and the similarity searches, printing what the viewer
// would open.
#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "common/Progress.h"
#include "database/ContentKey.h"
#include "database/DuplicateFacts.h"
#include "database/Signature.h"
#include "database/SignatureCache.h"
#include "database/SimilaritySearch.h"
#include "database/VerdictStore.h"
#include "image/CImageBuffer.h"

namespace pix {

namespace {

// Prints each result sheet as a block of paths, blocks separated by a blank
// line; an opened image is a block of one.
class PrintingSink final : public SearchResultSink {
public:
    explicit PrintingSink(std::ostream& out) : out_(out) {}
    bool OpenSheet(const std::vector<std::string>& paths, const std::string&) override
    {
        Block(paths);
        return true;
    }
    void OpenImage(const std::string& path) override { Block({path}); }

private:
    void Block(const std::vector<std::string>& paths)
    {
        if (blocks_++ > 0)
            out_ << '\n';
        for (const std::string& p : paths)
            out_ << p << '\n';
    }
    std::ostream& out_;
    int blocks_ = 0;
};

// The groups as one JSON document, each member with what a user weighs
// when choosing the copy to keep, and the copy suggested.
class JsonSink final : public SearchResultSink {
public:
    explicit JsonSink(std::ostream& out) : out_(out) {}
    ~JsonSink() override
    {
        out_ << QJsonDocument(QJsonObject{{QStringLiteral("groups"), groups_}}).toJson().toStdString();
    }
    JsonSink(const JsonSink&) = delete;
    JsonSink& operator=(const JsonSink&) = delete;
    bool OpenSheet(const std::vector<std::string>& paths, const std::string&) override
    {
        std::vector<PictureFacts> facts;
        QJsonArray members;
        for (const std::string& path : paths) {
            facts.push_back(FactsOfPicture(path));
            const PictureFacts& f = facts.back();
            members.append(QJsonObject{{QStringLiteral("path"), QFile::decodeName(f.path.c_str())},
                                       {QStringLiteral("folder"), QFile::decodeName(f.folder.c_str())},
                                       {QStringLiteral("width"), static_cast<qint64>(f.width)},
                                       {QStringLiteral("height"), static_cast<qint64>(f.height)},
                                       {QStringLiteral("bytes"), static_cast<qint64>(f.fileSize)},
                                       {QStringLiteral("format"), QString::fromStdString(f.format)},
                                       {QStringLiteral("dateTaken"), QString::fromStdString(f.dateTaken)}});
        }
        groups_.append(QJsonObject{{QStringLiteral("keeper"), static_cast<qint64>(SuggestedKeeper(facts))},
                                   {QStringLiteral("members"), members}});
        return true;
    }
    void OpenImage(const std::string& path) override { OpenSheet({path}, std::string()); }

private:
    std::ostream& out_;
    QJsonArray groups_;
};

// The verdicts file: beside --db FILE, or beside the database the viewer
// uses when none is given.
std::string VerdictsFile(const QCommandLineParser& parser, const QCommandLineOption& db)
{
    if (parser.isSet(db))
        return VerdictStorePath(NativePath(parser.value(db)));
    return VerdictStorePath(
        NativePath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/pixadrome/pixadrome.db"));
}

// --tolerance T, 0 to 100 (default 95).
bool ParseTolerance(const QCommandLineParser& parser, const QCommandLineOption& option, int& tolerance, CliStreams io)
{
    tolerance = 95;
    if (!parser.isSet(option))
        return true;
    bool number = false;
    tolerance = parser.value(option).toInt(&number);
    if (!number || tolerance < 0 || tolerance > 100) {
        io.err << "pixadrome-cli: --tolerance wants a whole number from 0 to 100\n";
        return false;
    }
    return true;
}

QCommandLineOption ToleranceOption()
{
    return QCommandLineOption(QStringLiteral("tolerance"),
                              QStringLiteral("Least similarity in percent, 0 to 100 (default 95)."),
                              QStringLiteral("T"));
}

// --db FILE and --no-cache: where the signature cache is kept, if anywhere.
struct CacheOptions {
    QCommandLineOption db{QStringLiteral("db"),
                          QStringLiteral("Keep the signature cache beside this database (default: in the user's "
                                         "cache folder)."),
                          QStringLiteral("FILE")};
    QCommandLineOption noCache{QStringLiteral("no-cache"),
                               QStringLiteral("Decode every file; neither read nor write the signature cache.")};

    void AddTo(QCommandLineParser& parser) const
    {
        parser.addOption(db);
        parser.addOption(noCache);
    }
    // The cache file chosen, or empty for none.
    std::string File(const QCommandLineParser& parser) const
    {
        if (parser.isSet(noCache))
            return std::string();
        return SignatureCachePath(parser.isSet(db) ? NativePath(parser.value(db)) : std::string(),
                                  NativePath(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)));
    }
};

}  // namespace

int CmdCrc(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Files to key."), QStringLiteral("FILE..."));
    int status = 0;
    if (!ParseCommand(parser, args, "Prints the content key (CRC-32) and path of each file.", io, status))
        return status;
    const QStringList files = parser.positionalArguments();
    if (files.isEmpty()) {
        io.err << "pixadrome-cli: crc needs at least one FILE\n";
        return 2;
    }
    for (const QString& file : files) {
        const std::string path = NativePath(file);
        const std::string key = ContentKey(path);
        if (key.empty()) {
            io.err << "pixadrome-cli: " << path << ": cannot read\n";
            status = 1;
            continue;
        }
        io.out << key << '\t' << path << '\n';
    }
    return status;
}

int CmdSignature(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Picture to describe."));
    QCommandLineOption loadSize(QStringLiteral("load-size"),
                                QStringLiteral("Size hint S (S x S) to load with; 0, the default, is full size."),
                                QStringLiteral("S"));
    parser.addOption(loadSize);
    int status = 0;
    if (!ParseCommand(parser, args, "Prints the 192 bytes of a picture's signature in hex.", io, status))
        return status;
    const QStringList pos = parser.positionalArguments();
    if (pos.size() != 1) {
        io.err << "pixadrome-cli: signature needs one FILE\n";
        return 2;
    }
    uint32_t size = 0;
    if (parser.isSet(loadSize)) {
        bool number = false;
        size = parser.value(loadSize).toUInt(&number);
        if (!number || size > 65535) {
            io.err << "pixadrome-cli: --load-size wants a whole number from 0 to 65535\n";
            return 2;
        }
    }
    const std::string path = NativePath(pos[0]);
    CImageBuffer buf;
    const std::optional<Signature> sig = FileSignature(path, size, buf);
    if (!sig) {
        io.err << "pixadrome-cli: " << path << ": not a picture Pixadrome can read\n";
        return 1;
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : *sig) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    io.out << text << '\n';
    return 0;
}

int CmdDupes(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Pictures, or folders of pictures."),
                                 QStringLiteral("PATH..."));
    const QCommandLineOption tolerance = ToleranceOption();
    parser.addOption(tolerance);
    const QCommandLineOption windowLimit(
        QStringLiteral("window-limit"),
        QStringLiteral("Stop after N groups, as the viewer stops at N result windows (default 100; 0: no limit)."),
        QStringLiteral("N"));
    parser.addOption(windowLimit);
    const QCommandLineOption newPictures(
        QStringLiteral("new"),
        QStringLiteral("Pictures just added (repeatable): only groups of a new picture with the pictures it "
                       "matches, new or in the library, are printed."),
        QStringLiteral("PATH"));
    parser.addOption(newPictures);
    const QCommandLineOption library(
        QStringLiteral("library"),
        QStringLiteral("With --new: the library searched (repeatable; PATHs given also count)."),
        QStringLiteral("DIR"));
    parser.addOption(library);
    const QCommandLineOption json(QStringLiteral("json"),
                                  QStringLiteral("Print the groups as JSON, with each member's size, file size, "
                                                 "format, date taken and folder, and the copy suggested to keep."));
    parser.addOption(json);
    const QCommandLineOption turned(QStringLiteral("turned"),
                                    QStringLiteral("Also find turned or mirrored copies."));
    parser.addOption(turned);
    const CacheOptions cacheOptions;
    cacheOptions.AddTo(parser);
    int status = 0;
    if (!ParseCommand(parser, args,
                      "Groups similar pictures; prints each group as a block of paths, blocks separated by a blank "
                      "line.",
                      io, status))
        return status;
    int t = 0;
    if (!ParseTolerance(parser, tolerance, t, io))
        return 2;
    int limit = kMaxResultWindows;
    if (parser.isSet(windowLimit)) {
        bool number = false;
        limit = parser.value(windowLimit).toInt(&number);
        if (!number || limit < 0) {
            io.err << "pixadrome-cli: --window-limit wants a whole number, 0 or more\n";
            return 2;
        }
    }
    const bool ofNew = parser.isSet(newPictures);
    if (!ofNew && parser.isSet(library)) {
        io.err << "pixadrome-cli: --library goes with --new\n";
        return 2;
    }
    const QStringList libraryPaths = parser.positionalArguments() + parser.values(library);
    if (libraryPaths.isEmpty()) {
        io.err << (ofNew ? "pixadrome-cli: dupes --new needs a --library or PATH to compare with\n"
                         : "pixadrome-cli: dupes needs at least one PATH\n");
        return 2;
    }
    std::vector<std::string> files, added;
    if (!ExpandPaths(libraryPaths, files, io) || (ofNew && !ExpandPaths(parser.values(newPictures), added, io)))
        return 1;
    TerminalProgress progress;
    CliPrompter prompter(io.err);
    PrintingSink printing(io.out);
    std::optional<JsonSink> asJson;
    if (parser.isSet(json))
        asJson.emplace(io.out);
    SearchResultSink& sink = asJson ? static_cast<SearchResultSink&>(*asJson) : printing;
    SignatureCacheFile cache(cacheOptions.File(parser));
    VerdictStore verdicts;
    verdicts.Load(VerdictsFile(parser, cacheOptions.db));
    if (ofNew)
        FindDupesOfNew(added, files, t, 0, progress, prompter, sink, limit, cache.Get(), &verdicts,
                       parser.isSet(turned));
    else
        FindDupesInFolder(files, t, 0, progress, prompter, sink, limit, cache.Get(), &verdicts, parser.isSet(turned));
    return 0;
}

int CmdSimilar(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("REF"), QStringLiteral("Picture to compare with (full size)."));
    parser.addPositionalArgument(QStringLiteral("PATH"), QStringLiteral("Pictures, or folders of pictures."),
                                 QStringLiteral("PATH..."));
    const QCommandLineOption tolerance = ToleranceOption();
    parser.addOption(tolerance);
    const CacheOptions cacheOptions;
    cacheOptions.AddTo(parser);
    int status = 0;
    if (!ParseCommand(parser, args, "Prints the pictures similar to REF.", io, status))
        return status;
    int t = 0;
    if (!ParseTolerance(parser, tolerance, t, io))
        return 2;
    QStringList pos = parser.positionalArguments();
    if (pos.size() < 2) {
        io.err << "pixadrome-cli: similar needs REF and at least one PATH\n";
        return 2;
    }
    const std::string refPath = NativePath(pos.takeFirst());
    CImageBuffer reference;
    if (!LoadChecked(reference, refPath, io))
        return 1;
    std::vector<std::string> files;
    if (!ExpandPaths(pos, files, io))
        return 1;
    TerminalProgress progress;
    CliPrompter prompter(io.err);
    PrintingSink sink(io.out);
    SignatureCacheFile cache(cacheOptions.File(parser));
    VerdictStore verdicts;
    verdicts.Load(VerdictsFile(parser, cacheOptions.db));
    FindSimilarToThis(reference, files, t, progress, prompter, sink, cache.Get(), &verdicts, refPath);
    return 0;
}

int CmdVerdict(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("ACTION"), QStringLiteral("not-duplicates A B, or list."));
    const QCommandLineOption db(QStringLiteral("db"),
                                QStringLiteral("Keep the verdicts beside this database (default: beside the "
                                               "viewer's database)."),
                                QStringLiteral("FILE"));
    parser.addOption(db);
    int status = 0;
    if (!ParseCommand(parser, args,
                      "Pairs of pictures judged not to be duplicates, which no later search groups together.", io,
                      status))
        return status;
    const QStringList pos = parser.positionalArguments();
    const std::string file = VerdictsFile(parser, db);
    VerdictStore verdicts;
    verdicts.Load(file);
    if (pos.size() == 1 && pos[0] == QStringLiteral("list")) {
        for (const auto& [a, b] : verdicts.List())
            io.out << CrcToKey(a.crc) << '\t' << a.size << '\t' << CrcToKey(b.crc) << '\t' << b.size << '\n';
        return 0;
    }
    if (pos.size() != 3 || pos[0] != QStringLiteral("not-duplicates")) {
        io.err << "pixadrome-cli: verdict wants 'not-duplicates A B' or 'list'\n";
        return 2;
    }
    std::optional<ContentId> ids[2];
    for (int k = 0; k < 2; ++k) {
        const std::string path = NativePath(pos[k + 1]);
        ids[k] = ContentIdOfFile(path);
        if (!ids[k]) {
            io.err << "pixadrome-cli: " << path << ": cannot read\n";
            return 1;
        }
    }
    verdicts.AddNotDuplicates(*ids[0], *ids[1]);
    if (!verdicts.Save(file)) {
        io.err << "pixadrome-cli: " << file << ": cannot write the verdicts\n";
        return 1;
    }
    return 0;
}

}  // namespace pix
