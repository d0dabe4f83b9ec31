// pixadrome-cli scan: pages from a scanner or camera, saved as pictures.

#include <getopt.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <ostream>

#include "cli/CliFront.h"
#include "cli/CliOutput.h"
#include "common/Progress.h"
#include "image/BmpRowWriter.h"
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

const char* const kScanHelp =
    "Usage: pixadrome-cli scan [options]\n"
    "Scans pages and saves them as pictures.\n"
    "\n"
    "Options:\n"
    "  --device <NAME>         The device (default: the first found).\n"
    "  -o, --output <OUT>      The picture to write (format by extension); with\n"
    "                          --batch, %d is the page.\n"
    "  --option <NAME=VALUE>   Sets a device option first (repeatable, in order).\n"
    "  --batch                 Every page the feeder holds.\n"
    "  --list                  Lists the devices: NAME, VENDOR, MODEL, TYPE.\n"
    "  -h, --help              Show this help.\n";

struct ScanArguments {
    std::string device;
    std::string output;
    std::vector<std::string> options;
    bool batch = false;
    bool list = false;
    bool help = false;
};

// Parses the command's options; false (reported) on an unknown option, a
// missing value or a stray argument.
bool ParseScanArguments(const std::vector<std::string>& args, ScanArguments& parsed, CliStreams io)
{
    std::vector<std::string> copies(args);
    std::vector<char*> argv;
    for (std::string& arg : copies)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    enum { kDevice = 256, kOption, kBatch, kList };
    static const option longOptions[] = {
        {"device", required_argument, nullptr, kDevice}, {"output", required_argument, nullptr, 'o'},
        {"option", required_argument, nullptr, kOption}, {"batch", no_argument, nullptr, kBatch},
        {"list", no_argument, nullptr, kList},           {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0}};
    optind = 0;  // a fresh scan of a new vector
    opterr = 0;
    const int argc = int(copies.size());
    for (int c; (c = getopt_long(argc, argv.data(), ":o:h", longOptions, nullptr)) != -1;) {
        switch (c) {
        case kDevice: parsed.device = optarg; break;
        case 'o': parsed.output = optarg; break;
        case kOption: parsed.options.emplace_back(optarg); break;
        case kBatch: parsed.batch = true; break;
        case kList: parsed.list = true; break;
        case 'h': parsed.help = true; break;
        default:
            io.err << "pixadrome-cli: scan: " << (c == ':' ? "missing value for" : "unknown option") << " '"
                   << argv[size_t(std::min(optind, argc) - 1)] << "'\n";
            return false;
        }
    }
    if (optind < argc) {
        io.err << "pixadrome-cli: scan: unexpected argument '" << argv[size_t(optind)] << "'\n";
        return false;
    }
    return true;
}

}  // namespace

std::string ScanOutput(const std::vector<std::string>& args)
{
    std::ostream discarded(nullptr);
    ScanArguments parsed;
    return ParseScanArguments(args, parsed, {discarded, discarded}) ? parsed.output : std::string();
}

int RunScan(const std::vector<std::string>& args, CliStreams io, const ScanPageSaver& save)
{
    ScanArguments parsed;
    if (!ParseScanArguments(args, parsed, io))
        return 2;
    if (parsed.help) {
        io.out << kScanHelp;
        return 0;
    }
    const bool list = parsed.list;
    const std::string& output = parsed.output;
    const bool batch = parsed.batch;
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
    std::string device = parsed.device;
    if (device.empty() && !devices.empty())
        device = devices.front().name;
    if (device.empty() || !scanner.Open(device)) {
        ShowScanProblem(prompter, ScanError::DataSource);
        return 1;
    }
    for (const std::string& option : parsed.options) {
        const size_t equals = option.find('=');
        const std::string name = option.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : option.substr(equals + 1);
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
    if (IsBitmapPath(output))
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
            return save(builder.TakePackedDib(), sink.path, io);
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
