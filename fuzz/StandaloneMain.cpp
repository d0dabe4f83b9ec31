// Runs a fuzz target over every file of the folders (or files) named on the
// command line, so the kept corpora are replayed under the sanitizers in
// the ordinary test build, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    size_t runs = 0;
    auto runFile = [&](const std::filesystem::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
        ++runs;
    };
    for (int i = 1; i < argc; ++i) {
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
    std::printf("%zu inputs ran clean\n", runs);
    return 0;
}
