#pragma once
// Helpers shared by the test executables.

#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <string>
#include <vector>

#include "common/Progress.h"
#include "common/Prompter.h"

namespace pix {
class CImageBuffer;
}

namespace pix::test {

// A prompter that records every text and answers from a script.
class RecordingPrompter final : public Prompter {
public:
    std::vector<std::string> texts;
    std::vector<MsgId> ids;
    std::vector<Answer> script;  // answers to hand out in order; Ok/No after that

protected:
    Answer Present(const MessageEntry& message, const std::string& text) override;
};

// Records the texts and positions and cancels at the given step (counted
// from 1); once cancelled it stays cancelled.
class RecordingProgress final : public Progress {
public:
    explicit RecordingProgress(int cancelAt = -1) : cancelAt_(cancelAt) {}
    std::vector<std::string> texts;
    std::vector<int> positions;
    int lower = 0;
    int upper = 0;
    void SetRange(int low, int high) override
    {
        lower = low;
        upper = high;
    }
    bool Step(std::string_view text, int position) override
    {
        texts.emplace_back(text);
        positions.push_back(position);
        if (static_cast<int>(texts.size()) == cancelAt_)
            cancelled_ = true;
        return !cancelled_;
    }
    bool Pump() override { return !cancelled_; }

private:
    int cancelAt_;
    bool cancelled_ = false;
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

// One row of the corpus manifest.
struct ManifestRow {
    std::string path;       // relative to the corpus folder
    std::string expected;   // "loads WxH", "refused" or "unknown"
    std::string reference;  // a reference rendering, or empty
    std::string note;
};

// The manifest rows whose path starts with one of the folders.
std::vector<ManifestRow> ReadManifest(const std::filesystem::path& corpus,
                                      std::initializer_list<std::string_view> folders);
// The size of a "loads WxH" row; false for other rows.
bool ExpectedSize(const ManifestRow& row, unsigned& width, unsigned& height);

// The one walk of the manifest (CorpusRunner.cpp, in pix_test_image_support
// for the tests that link the image layer). Every file of a folder is
// loaded; its buffer must be consistent, a "loads WxH" row must give that
// size and a "refused" row nothing. A folder adds its own checks per row.
struct CorpusChecks {
    // Rows whose load-or-refuse expectation does not hold for our reader;
    // extra judges them instead.
    std::function<bool(const ManifestRow&)> exempt;
    // Runs on every row with the file's path and what loading it gave.
    std::function<void(const ManifestRow&, const std::string& file, const CImageBuffer&)> extra;
};
// Checks every row whose path starts with folder ("bmp/", or a narrower
// prefix such as "photos/Storm").
void RunCorpusFolder(const std::filesystem::path& corpus, std::string_view folder, const CorpusChecks& checks = {});
// The size query gives the size of every picture the reader gives; when
// exact, it also answers nothing for a file the reader refuses.
void ExpectSizeQueryAgrees(const std::string& file, const CImageBuffer& buf, bool exact);

// Little-endian values in a byte vector (nothing checked).
inline uint16_t U16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
inline uint32_t U32At(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

// Points the scanner library at its test devices (test:0, test:1), set up
// once for the process with extraConfig appended to their configuration.
// Their module stays mapped after the library lets it go, so what it
// leaks is reported under its name (and suppressed, tests/lsan.supp).
void UseSaneTestDevices(const std::string& extraConfig = "");

std::vector<uint8_t> ReadAll(const std::string& path);
void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes);

// Runs a program found on PATH with the arguments, its output discarded;
// its exit status, or -1 when it could not be started or did not exit.
int RunProgram(const std::vector<std::string>& argv);
// Whether a program is found on PATH.
bool HaveProgram(const std::string& name);

}  // namespace pix::test
