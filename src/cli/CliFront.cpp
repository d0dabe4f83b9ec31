#include "cli/CliFront.h"

#include <filesystem>
#include <string_view>

#include "image/FormatTable.h"

namespace pix {

namespace {

bool IsMetafile(const std::filesystem::path& path) { return FormatForPath(path.string()) == ImageFormat::Wmf; }

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

bool CliRunsInFront(int argc, char** argv)
{
    return argc >= 2 && std::string_view(argv[1]) == "scan" && !CliNeedsGui(argc, argv);
}

}  // namespace pix
