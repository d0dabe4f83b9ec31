#pragma once
// Helpers shared by the test executables.

#include <filesystem>
#include <string>
#include <vector>

#include "common/Prompter.h"

namespace pix::test {

// A prompter that records every text and answers from a script.
class RecordingPrompter final : public Prompter {
public:
    std::vector<std::string> texts;
    std::vector<MsgId> ids;
    std::vector<Answer> script;  // answers to hand out in order; Ok/No after that

protected:
    Answer Present(const MessageSpec& spec, const std::string& text) override;
};

// A fresh temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// The shared corpus folder, or an empty path when it is absent.
std::filesystem::path CorpusDir();

std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace pix::test
