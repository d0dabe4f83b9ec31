// pixadrome-cli db: listing and maintaining an image database file.

#include <QCommandLineParser>
#include <QFileInfo>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "cli/CliSupport.h"
#include "common/Progress.h"
#include "database/Attributes.h"
#include "database/ContentKey.h"
#include "database/DatabaseFileLock.h"
#include "database/ImageDatabase.h"
#include "database/Maintenance.h"

namespace pix {
namespace {

const char* const kDbSynopsis =
    "Lists and maintains an image database.\n"
    "  dump                      every record, strings separated by tabs\n"
    "  register PATH...          remember files by their content (a moved file gets its new path)\n"
    "  locate PATH...            update the stored paths of moved files\n"
    "  clean [--dry-run]         remove the records of files that no longer exist\n"
    "  attr tree                 the attribute tree, one node per line\n"
    "  attr show FILE            the attributes of a file\n"
    "  attr tick FILE NODE...    give a file the attribute NODE > ... (and its parents)\n"
    "  attr untick FILE NODE...  take an attribute and everything below it from a file\n"
    "  attr rename NODE... --to LABEL   rename an attribute for every file\n"
    "  attr delete NODE...       delete an attribute from every file\n"
    "  attr find NODE...         the stored paths of the files that have the attribute\n"
    "Folders given to register and locate stand for the files in them.";

CStrList NodePath(const QStringList& labels)
{
    CStrList path{kAttributesNode};
    for (const QString& l : labels)
        path.push_back(l.toStdString());
    return path;
}

// Every record on a line, its strings separated by tabs. The lines gather
// in a buffer that goes to the stream a megabyte at a time.
void DumpRecords(const CImageDatabase& db, std::ostream& out)
{
    constexpr size_t kChunk = size_t{1} << 20;
    std::string lines;
    lines.reserve(kChunk + 4096);
    db.ForEachRecord([&](std::span<const std::string_view> record) {
        for (size_t i = 0; i < record.size(); ++i) {
            if (i > 0)
                lines += '\t';
            lines += record[i];
        }
        lines += '\n';
        if (lines.size() >= kChunk) {
            out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
            lines.clear();
        }
    });
    out.write(lines.data(), static_cast<std::streamsize>(lines.size()));
}

void PrintTree(const CImageDatabase& db, const CStrList& path, int depth, std::ostream& out)
{
    for (const auto& child : ChildNodes(db, path)) {
        const NodeString node = SplitNode(child);
        if (node.flags & kNodeTarget)
            continue;
        out << std::string(static_cast<size_t>(depth) * 2, ' ') << node.label;
        CStrList below = path;
        below.push_back(child);
        if (node.flags & kNodeLink)
            out << " -> " << LinkTarget(db, "", below, node.flags & ~kNodeOwned);
        out << '\n';
        if (!(node.flags & kNodeLink))
            PrintTree(db, below, depth + 1, out);
    }
}

void PrintOwnerNodes(const CImageDatabase& db, const std::string& owner, const CStrList& path, std::ostream& out)
{
    for (const auto& child : ChildNodes(db, path)) {
        CStrList below = path;
        below.push_back(child);
        if (!OwnerHasNode(db, owner, below) || (SplitNode(child).flags & kNodeTarget))
            continue;
        for (size_t i = 1; i < below.size(); ++i)
            out << (i > 1 ? " > " : "") << SplitNode(below[i]).label;
        out << '\n';
        PrintOwnerNodes(db, owner, below, out);
    }
}

}  // namespace

int CmdDb(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("dump, register, locate, clean or attr"));
    QCommandLineOption dbOption(QStringLiteral("db"), QStringLiteral("The database file."), QStringLiteral("FILE"));
    QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("clean: only list the missing files."));
    QCommandLineOption to(QStringLiteral("to"), QStringLiteral("attr rename: the new label."), QStringLiteral("LABEL"));
    parser.addOption(dbOption);
    parser.addOption(dryRun);
    parser.addOption(to);
    int status = 0;
    if (!ParseCommand(parser, args, kDbSynopsis, io, status))
        return status;
    QStringList pos = parser.positionalArguments();
    if (!parser.isSet(dbOption) || pos.isEmpty()) {
        io.err << "pixadrome-cli: db needs --db FILE and a command (see db --help)\n";
        return 2;
    }
    const std::string dbPath = NativePath(parser.value(dbOption));
    const QString command = pos.takeFirst();
    // A command that changes the database reads, changes and writes it
    // while no other program does; a dump only reads a whole file.
    std::optional<DatabaseFileLock> lock;
    if (command != QLatin1String("dump"))
        lock.emplace(dbPath);
    CImageDatabase db;
    if (!db.Load(dbPath)) {
        io.err << "pixadrome-cli: Not a Pixadrome database! " << dbPath << '\n';
        return 1;
    }
    CliPrompter prompter(io.err);
    auto save = [&]() {
        if (db.Save(dbPath))
            return 0;
        io.err << "pixadrome-cli: " << dbPath << ": could not write\n";
        return 1;
    };
    auto usage = [&io](const char* text) {
        io.err << "pixadrome-cli: db " << text << '\n';
        return 2;
    };

    if (command == QLatin1String("dump")) {
        DumpRecords(db, io.out);
        return 0;
    }
    if (command == QLatin1String("register")) {
        if (pos.isEmpty())
            return usage("register needs files");
        std::vector<std::string> files;
        if (!ExpandPaths(pos, files, io))
            return 1;
        int failed = 0;
        for (const auto& path : files) {
            const RegisterResult r = RegisterFile(db, path, false, prompter);
            if (r.key.empty())
                ++failed;
            else
                io.out << r.key << '\t' << path << '\n';
        }
        const int saved = save();
        return saved ? saved : (failed ? 1 : 0);
    }
    if (command == QLatin1String("locate")) {
        if (pos.isEmpty())
            return usage("locate needs files");
        std::vector<std::string> files;
        if (!ExpandPaths(pos, files, io))
            return 1;
        TerminalProgress progress;
        StreamPrompter result(io.out);
        LocateFiles(db, files, progress, result);
        return save();
    }
    if (command == QLatin1String("clean")) {
        TerminalProgress progress;
        StreamPrompter result(io.out);
        const bool listOnly = parser.isSet(dryRun);
        const CleanCounts counts = CleanDatabase(db, progress, result, [&](const std::vector<std::string>& paths) {
            for (const auto& p : paths)
                io.out << "missing\t" << p << '\n';
            return !listOnly;
        });
        return counts.removed > 0 ? save() : 0;
    }
    if (command != QLatin1String("attr") || pos.isEmpty())
        return usage("needs one of dump, register, locate, clean, attr");

    const QString verb = pos.takeFirst();
    if (verb == QLatin1String("tree")) {
        io.out << kAttributesNode << '\n';
        PrintTree(db, {kAttributesNode}, 1, io.out);
        return 0;
    }
    if (verb == QLatin1String("find")) {
        if (pos.isEmpty())
            return usage("attr find needs a node");
        const CStrList node = NodePath(pos);
        for (const auto& owner : Owners(db)) {
            const std::string path = StoredPath(db, owner);
            if (!path.empty() && OwnerHasNode(db, owner, node))
                io.out << path << '\n';
        }
        return 0;
    }
    if (verb == QLatin1String("rename") || verb == QLatin1String("delete")) {
        if (pos.isEmpty() || (verb == QLatin1String("rename") && !parser.isSet(to)))
            return usage("attr rename needs a node and --to LABEL; attr delete a node");
        const CStrList node = NodePath(pos);
        const CStrList parent(node.begin(), node.end() - 1);
        if (verb == QLatin1String("delete")) {
            // The command line asked for it: no question.
            CDbCursor cursor;
            cursor.SetKey(node);
            db.Delete(cursor, "", 1);
            return save();
        }
        const NodeString old = SplitNode(node.back());
        const LabelEdit edit = CommitNodeLabel(db, prompter, kNoFileOwner, parent, old.flags, old.label,
                                               parser.value(to).toStdString(), false);
        if (edit == LabelEdit::Duplicate)
            return 1;
        return save();
    }
    if (verb != QLatin1String("show") && verb != QLatin1String("tick") && verb != QLatin1String("untick"))
        return usage("attr needs tree, show, tick, untick, rename, delete or find");
    if (pos.isEmpty())
        return usage("attr show, tick and untick need a file");
    const std::string file = NativePath(QFileInfo(pos.takeFirst()).absoluteFilePath());
    const RegisterResult r = RegisterFile(db, file, false, prompter);
    if (r.key.empty())
        return 1;
    if (verb == QLatin1String("show")) {
        PrintOwnerNodes(db, r.key, {kAttributesNode}, io.out);
        return r.modified ? save() : 0;
    }
    if (pos.isEmpty())
        return usage("attr tick and untick need a node");
    if (verb == QLatin1String("tick"))
        TickNode(db, r.key, NodePath(pos));
    else
        UntickNode(db, r.key, NodePath(pos), 0);
    return save();
}

}  // namespace pix
