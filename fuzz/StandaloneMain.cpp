// Runs a fuzz target over every file of the folders (or files) named on the
// command line, so the kept corpora are replayed under the sanitizers in
// the ordinary test build, without libFuzzer. After `--refused`, every
// input must be refused: the target reports each outcome through
// PixFuzzReport, and an input it accepted (or never judged) fails the run.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {
int g_outcome = -1;  // -1: not reported, 0: refused, 1: accepted
}

extern "C" void PixFuzzReport(bool accepted)
{
    g_outcome = accepted ? 1 : 0;
}

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    size_t runs = 0, wrong = 0;
    bool mustRefuse = false;
    auto runFile = [&](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        g_outcome = -1;
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++runs;
        if (mustRefuse && g_outcome != 0) {
            std::fprintf(stderr, "%s: %s\n", p.c_str(), g_outcome < 0 ? "not judged" : "accepted, must be refused");
            ++wrong;
        }
    };
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--refused") == 0) {
            mustRefuse = true;
            continue;
        }
        std::filesystem::path p = argv[i];
        std::error_code ec;
        if (std::filesystem::is_directory(p, ec)) {
            for (auto& e : std::filesystem::recursive_directory_iterator(p, ec))
                if (e.is_regular_file())
                    runFile(e.path());
        } else if (std::filesystem::is_regular_file(p, ec)) {
            runFile(p);
        }
    }
    if (wrong != 0)
        return 1;
    std::printf("%zu inputs ran clean\n", runs);
    return mustRefuse && runs == 0 ? 1 : 0;
}
