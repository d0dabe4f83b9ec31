#include "support/TestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <iterator>

namespace pix::test {

void UseSaneTestDevices(const std::string& extraConfig)
{
    static TempDir dir;
    static const bool configured = [&] {
        std::ofstream(dir.File("dll.conf")) << "test\n";
        std::ifstream in("/etc/sane.d/test.conf");
        std::ofstream out(dir.File("test.conf"));
        out << in.rdbuf() << '\n' << extraConfig;
        dlopen("/usr/lib/x86_64-linux-gnu/sane/libsane-test.so.1", RTLD_NOW | RTLD_NODELETE);
        return setenv("SANE_CONFIG_DIR", dir.Path().c_str(), 1) == 0;
    }();
    EXPECT_TRUE(configured);
}

Answer RecordingPrompter::Present(const MessageEntry& message, const std::string& text)
{
    texts.push_back(text);
    ids.push_back(message.id);
    size_t n = texts.size() - 1;
    if (n < script.size())
        return script[n];
    return message.buttons == MsgButtons::Ok ? Answer::Ok : Answer::No;
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

std::vector<ManifestRow> ReadManifest(const std::filesystem::path& corpus,
                                      std::initializer_list<std::string_view> folders)
{
    std::vector<ManifestRow> rows;
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // header
    while (std::getline(manifest, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t'))
            cols.push_back(col);
        cols.resize(7);
        for (std::string_view folder : folders)
            if (cols[0].rfind(folder, 0) == 0)
                rows.push_back({cols[0], cols[4], cols[5], cols[6]});
    }
    return rows;
}

bool ExpectedSize(const ManifestRow& row, unsigned& width, unsigned& height)
{
    return std::sscanf(row.expected.c_str(), "loads %ux%u", &width, &height) == 2;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);  // fails for folders too
    std::ifstream in(path, std::ios::binary);
    if (ec || !in)
        return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int RunProgram(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (rc != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool HaveProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0)
            return true;
    return false;
}

}  // namespace pix::test
