// pixadrome-cli scan: pages from a scanner or camera, saved as pictures.

#include <QCommandLineParser>
#include <atomic>
#include <csignal>
#include <ostream>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "common/Progress.h"
#include "image/BmpRowWriter.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PackedDib.h"
#include "platform/SaneScanner.h"
#include "platform/ScanPage.h"

namespace pix {
namespace {

std::atomic<SaneScanner*> interruptedScanner{nullptr};
volatile std::sig_atomic_t interrupted = 0;

// Ctrl-C ends the page being read; the pages already saved stay.
extern "C" void OnInterrupt(int)
{
    interrupted = 1;
    if (SaneScanner* scanner = interruptedScanner.load())
        scanner->Cancel();
}

struct InterruptGuard {
    explicit InterruptGuard(SaneScanner& scanner)
    {
        interruptedScanner = &scanner;
        previous = std::signal(SIGINT, OnInterrupt);
    }
    ~InterruptGuard()
    {
        std::signal(SIGINT, previous);
        interruptedScanner = nullptr;
    }
    void (*previous)(int);
};

// Colour pages bound for a bitmap file go there row by row as they come.
class BmpPageSink final : public ScanRowSink {
public:
    std::string path;
    bool BeginPage(int width, int height) override { return writer_.Open(path, uint32_t(width), uint32_t(height)); }
    uint8_t* Row(int y) override { return writer_.Row(uint32_t(y)); }
    bool Commit() { return writer_.Commit(); }

private:
    BmpRowWriter writer_;
};

// OUT with %d replaced by the page number (batches).
std::string PagePath(const std::string& pattern, int page)
{
    std::string path = pattern;
    if (const size_t at = path.find("%d"); at != std::string::npos)
        path.replace(at, 2, std::to_string(page));
    return path;
}

}  // namespace

int CmdScan(const QStringList& args, CliStreams io)
{
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("device"), QStringLiteral("The device (default: the first found)."),
                      QStringLiteral("NAME")});
    parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                      QStringLiteral("The picture to write (format by extension); with --batch, %d is the page."),
                      QStringLiteral("OUT")});
    parser.addOption({QStringLiteral("option"), QStringLiteral("Sets a device option first (repeatable, in order)."),
                      QStringLiteral("NAME=VALUE")});
    parser.addOption({QStringLiteral("batch"), QStringLiteral("Every page the feeder holds.")});
    parser.addOption({QStringLiteral("list"), QStringLiteral("Lists the devices: NAME, VENDOR, MODEL, TYPE.")});
    int status = 0;
    if (!ParseCommand(parser, args, "Scans pages and saves them as pictures.", io, status))
        return status;
    const bool list = parser.isSet(QStringLiteral("list"));
    const std::string output = NativePath(parser.value(QStringLiteral("o")));
    const bool batch = parser.isSet(QStringLiteral("batch"));
    if (!list && (output.empty() || (batch && output.find("%d") == std::string::npos))) {
        io.err << "pixadrome-cli: scan needs -o OUT (holding %d with --batch)\n";
        return 2;
    }

    CliPrompter prompter(io.err);
    SaneScanner scanner;
    if (!scanner.Initialise()) {
        ShowScanProblem(prompter, ScanError::SourceManager);
        return 1;
    }
    const std::vector<ScanDevice> devices = scanner.Devices();
    if (list) {
        for (const ScanDevice& d : devices)
            io.out << d.name << '\t' << d.vendor << '\t' << d.model << '\t' << d.type << '\n';
        return 0;
    }
    std::string device = parser.value(QStringLiteral("device")).toStdString();
    if (device.empty() && !devices.empty())
        device = devices.front().name;
    if (device.empty() || !scanner.Open(device)) {
        ShowScanProblem(prompter, ScanError::DataSource);
        return 1;
    }
    for (const QString& option : parser.values(QStringLiteral("option"))) {
        const std::string name = option.section(QLatin1Char('='), 0, 0).toStdString();
        const std::string value = option.section(QLatin1Char('='), 1).toStdString();
        if (scanner.SetOption(name, value) != SaneScanner::OptionResult::Set) {
            ShowScanProblem(prompter, ScanError::Capability);
            io.err << "pixadrome-cli: scan: " << name << '=' << value << " refused\n";
            return 1;
        }
    }

    InterruptGuard guard(scanner);
    TerminalProgress progress;
    ScanPageBuilder builder;
    BmpPageSink sink;
    if (FormatForPath(output) == ImageFormat::Bmp)
        builder.StreamTo(&sink);
    int current = 0;
    const auto result = scanner.ScanPages(
        builder, batch,
        [&](int page) {
            progress.Step("Page " + std::to_string(page), 0);
            sink.path = PagePath(output, page);
            current = page;
        },
        [&](int) {
            if (interrupted)
                return false;  // a page complete as Ctrl-C came is not kept
            if (builder.Streamed()) {
                if (sink.Commit())
                    return true;
                io.err << "pixadrome-cli: " << sink.path << ": could not write\n";
                return false;
            }
            CImageBuffer picture;
            return AdoptPackedDib(builder.TakePackedDib(), picture) && SaveChecked(picture, sink.path, io);
        });
    if (interrupted)
        return 130;
    switch (result.end) {
    case SaneScanner::BatchEnd::Done:
        return 0;
    case SaneScanner::BatchEnd::StartFailed:
        ShowScanProblem(prompter, ScanError::Enable);
        io.err << "pixadrome-cli: scan: " << result.Text() << '\n';
        return 1;
    case SaneScanner::BatchEnd::PageFailed:
        io.err << "pixadrome-cli: page " << current << " discarded: " << result.Text() << '\n';
        return 1;
    case SaneScanner::BatchEnd::Stopped:
        break;
    }
    return 1;
}

}  // namespace pix
