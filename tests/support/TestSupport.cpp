#include "support/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace pix::test {

Answer RecordingPrompter::Present(const MessageSpec& spec, const std::string& text)
{
    texts.push_back(text);
    ids.push_back(spec.id);
    size_t n = texts.size() - 1;
    if (n < script.size())
        return script[n];
    return spec.buttons == MsgButtons::Ok ? Answer::Ok : Answer::No;
}

TempDir::TempDir()
{
    std::string templ = (std::filesystem::temp_directory_path() / "pixtest-XXXXXX").string();
    char* made = ::mkdtemp(templ.data());
    path_ = made ? std::filesystem::path(made) : std::filesystem::temp_directory_path();
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::filesystem::path CorpusDir()
{
    if (const char* env = std::getenv("PIX_CORPUS_DIR"))
        return env;
#ifdef PIX_CORPUS_DIR
    std::filesystem::path p = PIX_CORPUS_DIR;
    std::error_code ec;
    if (std::filesystem::exists(p / "MANIFEST.tsv", ec))
        return std::filesystem::canonical(p, ec);
#endif
    return {};
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace pix::test
