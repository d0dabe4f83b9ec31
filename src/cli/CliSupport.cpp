#include "cli/CliSupport.h"

#include <QDir>
#include <QRegularExpression>

#include <algorithm>
#include <filesystem>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PhotoMetadata.h"

namespace pix {

bool ParseCommand(QCommandLineParser& parser, const QStringList& args, const char* synopsis, CliStreams io,
                  int& status)
{
    parser.setApplicationDescription(QString::fromLatin1(synopsis));
    QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    parser.addOption(help);
    if (!parser.parse(args)) {
        io.err << "pixadrome-cli: " << parser.errorText().toStdString() << '\n';
        status = 2;
        return false;
    }
    if (parser.isSet(help)) {
        io.out << parser.helpText().toStdString();
        status = 0;
        return false;
    }
    return true;
}

bool ParseSize(const QString& text, uint32_t& w, uint32_t& h)
{
    static const QRegularExpression re(QStringLiteral("^(\\d{1,6})[xX](\\d{1,6})$"));
    auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    w = m.captured(1).toUInt();
    h = m.captured(2).toUInt();
    return true;
}

std::string NativePath(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

bool ExpandPaths(const QStringList& args, std::vector<std::string>& files, CliStreams io)
{
    namespace fs = std::filesystem;
    for (const QString& arg : args) {
        std::error_code ec;
        const fs::path given(NativePath(arg));
        const fs::path path = fs::absolute(given, ec).lexically_normal();
        if (!fs::is_directory(path, ec)) {
            files.push_back(path.string());
            continue;
        }
        std::vector<std::string> inFolder;
        for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec))
                inFolder.push_back(it->path().string());
        if (ec) {
            io.err << "pixadrome-cli: " << path.string() << ": cannot list the folder\n";
            return false;
        }
        std::sort(inFolder.begin(), inFolder.end());
        files.insert(files.end(), inFolder.begin(), inFolder.end());
    }
    return true;
}

bool LoadChecked(CImageBuffer& buf, const std::string& path, CliStreams io, uint32_t hintWidth, uint32_t hintHeight)
{
    const char* why = "";
    switch (buf.Load(path, hintWidth, hintHeight)) {
    case LoadResult::Loaded:
        return true;
    case LoadResult::UnknownType:
        why = "unknown image type";
        break;
    case LoadResult::Unreadable:
        why = "cannot be opened";
        break;
    case LoadResult::Damaged:
        why = "damaged";
        break;
    case LoadResult::TooLarge:
        why = "too large";
        break;
    }
    io.err << "pixadrome-cli: " << path << ": not a picture Pixadrome can read (" << why << ")\n";
    return false;
}

bool SaveChecked(const CImageBuffer& buf, const std::string& path, CliStreams io)
{
    CliPrompter prompter(io.err);
    return buf.Save(path).Report(prompter);
}

bool SaveKeepingMetadata(const CImageBuffer& buf, const std::string& from, const std::string& path, CliStreams io,
                         int quality)
{
    // Read first: the picture may be written over the one it came from.
    const KeptMetadata kept = ReadKeptMetadata(from);
    CliPrompter prompter(io.err);
    const FormatRow* format = FormatForPath(path);
    const bool written = quality >= 0 && format && format->writeQuality
                             ? format->writeQuality(buf, path, quality).Report(prompter)
                             : buf.Save(path).Report(prompter);
    if (written && !WriteKeptMetadata(kept, path, buf.Width(), buf.Height()))
        io.err << "pixadrome-cli: " << path << ": written without the metadata of " << from << '\n';
    return written;
}

}  // namespace pix
