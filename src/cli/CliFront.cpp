#include "cli/CliFront.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <ostream>
#include <string_view>

#include "image/BmpRowWriter.h"

namespace pix {

namespace {

// The extension of path in upper case, dot included.
std::string UpperExtension(const std::filesystem::path& path)
{
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return ext;
}

// Metafiles are told by name, as the format table tells them.
bool IsMetafile(const std::filesystem::path& path) { return UpperExtension(path) == ".WMF"; }

}  // namespace

bool CliNeedsGui(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc < 2)
        return false;
    const std::string_view command = argv[1];
    if (command == "sheet" || command == "mosaic" || command == "samples")
        return true;
    for (int i = 2; i < argc; ++i) {
        const fs::path arg(argv[i]);
        std::error_code ec;
        if (IsMetafile(arg))
            return true;
        if (!fs::is_directory(arg, ec))
            continue;
        for (fs::directory_iterator it(arg, ec), end; !ec && it != end; it.increment(ec))
            if (IsMetafile(it->path()))
                return true;
    }
    return false;
}

bool IsBitmapPath(const std::string& path)
{
    const std::string ext = UpperExtension(path);
    return ext == ".BMP" || ext == ".DIB";
}

bool CliRunsInFront(int argc, char** argv)
{
    if (argc < 2 || std::string_view(argv[1]) != "scan" || CliNeedsGui(argc, argv))
        return false;
    // Anything else than bitmaps is written by the other formats' writers.
    const std::string output = ScanOutput(std::vector<std::string>(argv + 1, argv + argc));
    return output.empty() || IsBitmapPath(output);
}

bool SaveBitmapPage(std::vector<uint8_t>&& dib, const std::string& path, CliStreams io)
{
    if (WritePackedDibFile(dib, path))
        return true;
    io.err << "pixadrome-cli: " << path << ": could not write\n";
    return false;
}

}  // namespace pix
