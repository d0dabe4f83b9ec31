#include "database/SimilaritySearch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "common/FileBytes.h"
#include "common/Progress.h"
#include "database/ContentKey.h"
#include "database/SignatureCache.h"
#include "database/VerdictStore.h"
#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using Paths = std::vector<std::string>;

// Records what the searches open; can refuse to make sheets.
class RecordingSink final : public SearchResultSink {
public:
    struct Sheet {
        Paths paths;
        std::string title;
    };
    std::vector<Sheet> sheets;
    Paths images;
    bool refuse = false;

    bool OpenSheet(const Paths& paths, const std::string& title) override
    {
        sheets.push_back({paths, title});
        return !refuse;
    }
    void OpenImage(const std::string& path) override { images.push_back(path); }
};

// Answers false at exactly one step (counted from 1) and true otherwise, so
// each phase of a search can be cut on its own.
class CancelOnceProgress final : public Progress {
public:
    explicit CancelOnceProgress(int at) : at_(at) {}
    int steps = 0;
    void SetRange(int, int) override {}
    bool Step(std::string_view, int) override { return ++steps != at_; }
    bool Pump() override { return true; }

private:
    int at_;
};

// An 8 × 8 picture whose signature is exactly these bytes: every channel
// holds 0 (cell 0) and 255 (cell 63), so the stretch changes nothing.
// Family 0 lies in 60..109 and family 1 in 200..239; shift s adds s (family
// 0) or subtracts it (family 1) in cells 1..34, so two pictures of a family
// are 102 × Δs² apart: Δs = 30 scores 97, Δs = 60 scores 88. Family 2
// alternates 5 and 250 and is far from both.
Signature Pattern(int family, int shift)
{
    Signature s{};
    for (int k = 0; k < 64; ++k)
        for (int c = 0; c < 3; ++c) {
            const int own = k <= 34 ? shift : 0;
            const int v = k == 0 ? 0 : k == 63 ? 255 : family == 0 ? 60 + (k * 7 + c * 13) % 50 + own
                                                     : family == 1 ? 200 + (k * 5 + c * 3) % 40 - own
                                                                   : (k + c) % 2 ? 250 : 5;
            s[3 * k + c] = static_cast<uint8_t>(v);
        }
    return s;
}

std::string WritePattern(const test::TempDir& dir, const std::string& name, int family, int shift)
{
    const Signature s = Pattern(family, shift);
    CImageBuffer img;
    EXPECT_TRUE(img.Create(8, 8));
    for (int k = 0; k < 64; ++k)
        img.SetPixel(static_cast<uint32_t>(k / 8), static_cast<uint32_t>(k % 8), s[3 * k], s[3 * k + 1],
                     s[3 * k + 2]);
    EXPECT_TRUE(img.Save(dir.File(name)).Ok());
    return dir.File(name);
}

std::string WriteJunk(const test::TempDir& dir, const std::string& name)
{
    test::WriteAll(dir.File(name), {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    return dir.File(name);
}

struct Planted {
    test::TempDir dir;
    std::string a0 = WritePattern(dir, "a0.bmp", 0, 0);
    std::string a15 = WritePattern(dir, "a15.bmp", 0, 15);
    std::string a30 = WritePattern(dir, "a30.bmp", 0, 30);
    std::string a31 = WritePattern(dir, "a31.bmp", 0, 31);
    std::string a60 = WritePattern(dir, "a60.bmp", 0, 60);
    std::string e0 = WritePattern(dir, "e0.bmp", 1, 0);
    std::string e30 = WritePattern(dir, "e30.bmp", 1, 30);
    std::string x = WritePattern(dir, "x.bmp", 2, 0);
    std::string junk = WriteJunk(dir, "junk.bmp");
    std::string missing = dir.File("missing.bmp");
};

TEST(FindDupesInFolder, GroupsGreedilyInFileOrder)
{
    Planted f;
    test::RecordingPrompter prompter;
    test::RecordingProgress progress;
    // a0 takes a30 and a31 (a60 is too far from a0, though close to a30);
    // a60 is left alone; e30 takes e0, which comes after it.
    RecordingSink sink;
    const Paths files{f.a0, f.junk, f.e30, f.a60, f.a30, f.x, f.e0, f.a31};
    EXPECT_EQ(FindDupesInFolder(files, 95, 0, progress, prompter, sink), 5);
    ASSERT_EQ(sink.sheets.size(), 2u);
    EXPECT_EQ(sink.sheets[0].paths, (Paths{f.a0, f.a30, f.a31}));
    EXPECT_EQ(sink.sheets[0].title, "Matches 1-3");
    EXPECT_EQ(sink.sheets[1].paths, (Paths{f.e30, f.e0}));
    EXPECT_EQ(sink.sheets[1].title, "Matches 4-5");
    EXPECT_TRUE(prompter.texts.empty());
    EXPECT_EQ(progress.texts[7], "Analyzing " + f.a31);
    EXPECT_EQ(progress.texts[8], "0 matches found\nChecking " + f.a0);
    EXPECT_EQ(progress.texts[9], "3 matches found\nChecking " + f.junk);
    EXPECT_EQ(progress.positions[11], 3);
}

// The duplicate search and "similar to this" are checked through the
// command line; here the search that pairs references with candidates.
TEST(FindSimilarToThese, APairJudgedNotDuplicatesStaysApartAfterARename)
{
    Planted f;
    test::RecordingPrompter prompter;
    test::RecordingProgress progress;
    VerdictStore verdicts;
    verdicts.AddNotDuplicates(*ContentIdOfFile(f.a30), *ContentIdOfFile(f.a0));
    const std::string moved = f.dir.File("moved.bmp");
    std::filesystem::rename(f.a0, moved);
    RecordingSink sink;
    EXPECT_EQ(FindSimilarToThese({moved}, {f.a30, f.a31}, 95, false, progress, prompter, sink, nullptr, &verdicts),
              (Paths{moved, f.a31}));
}

// The window limit with the windows open: the TwinSeeker tests.
TEST(FindDupesInFolder, StopsAtASheetFailureAndAtCancelButNotAtALiftedLimit)
{
    Planted f;
    const Paths files{f.a0, f.e0, f.a30, f.e30, f.a31};
    test::RecordingPrompter prompter;
    // Callers without result windows lift the limit, whatever is open.
    NullProgress plain;
    RecordingSink unlimited;
    FindDupesInFolder(files, 95, 100, plain, prompter, unlimited, 0);
    EXPECT_EQ(unlimited.sheets.size(), 2u);
    // A sheet that cannot be made ends the search: five analysed, the first checked.
    test::RecordingProgress counted;
    RecordingSink refused;
    refused.refuse = true;
    FindDupesInFolder(files, 95, 0, counted, prompter, refused);
    EXPECT_EQ(refused.sheets.size(), 1u);
    EXPECT_EQ(counted.texts.size(), 6u);

    // Cancelled while analysing a31: a0's group lacks it.
    CancelOnceProgress atAnalysis(5);
    RecordingSink cut;
    FindDupesInFolder(files, 95, 0, atAnalysis, prompter, cut);
    ASSERT_EQ(cut.sheets.size(), 2u);
    EXPECT_EQ(cut.sheets[0].paths, (Paths{f.a0, f.a30}));
    // Cancelled at the second check: the first group stays, the second is
    // never formed.
    CancelOnceProgress atCheck(5 + 2);
    RecordingSink early;
    EXPECT_EQ(FindDupesInFolder(files, 95, 0, atCheck, prompter, early), 3);
    EXPECT_EQ(early.sheets.size(), 1u);
    EXPECT_EQ(atCheck.steps, 7);
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(FindSimilarToThis, OneMatchOpensAnImageSeveralASheet)
{
    Planted f;
    CImageBuffer reference;
    ASSERT_EQ(reference.Load(f.a0), LoadResult::Loaded);
    test::RecordingPrompter prompter;
    test::RecordingProgress progress;
    RecordingSink sink;
    EXPECT_EQ(FindSimilarToThis(reference, {f.a60, f.a30, f.junk, f.e0, f.a0}, 95, progress, prompter, sink),
              (Paths{f.a30, f.a0}));
    ASSERT_EQ(sink.sheets.size(), 1u);
    EXPECT_EQ(sink.sheets[0].paths, (Paths{f.a30, f.a0}));
    EXPECT_EQ(progress.texts[1], "0 matches found\nChecking " + f.a30);
    EXPECT_EQ(progress.texts[2], "1 matches found\nChecking " + f.junk);

    RecordingSink one;
    FindSimilarToThis(reference, {f.a60, f.a31, f.x}, 95, progress, prompter, one);
    EXPECT_TRUE(one.sheets.empty());
    EXPECT_EQ(one.images, (Paths{f.a31}));

    // Cancelled at the second file: only the first was checked.
    CancelOnceProgress cancel(2);
    RecordingSink cut;
    EXPECT_EQ(FindSimilarToThis(reference, {f.a30, f.a0}, 95, cancel, prompter, cut), (Paths{f.a30}));
}

TEST(FindSimilarToThese, AtLeastOneAndAllThumbnails)
{
    Planted f;
    test::RecordingPrompter prompter;
    test::RecordingProgress progress;
    RecordingSink sink;
    // a30 pairs with a0 and, being itself a reference, leaves the
    // references; so a60, close only to a30, finds no partner. e30 pairs
    // with e0.
    const Paths refs{f.a0, f.e0, f.a30, f.junk};
    EXPECT_EQ(FindSimilarToThese(refs, {f.a30, f.e30, f.a60, f.missing}, 95, false, progress, prompter, sink),
              (Paths{f.a0, f.a30, f.e0, f.e30}));
    ASSERT_EQ(sink.sheets.size(), 1u);
    EXPECT_EQ(progress.texts[3], "Analyzing " + f.junk);
    EXPECT_EQ(progress.texts[5], "1 matches found\nChecking " + f.e30);
    EXPECT_EQ(progress.texts[7], "2 matches found\nChecking " + f.missing);

    // A reference is not compared with its own path in any letter case: a
    // copy of a0 named A0.BMP does not match the candidate a0.bmp.
    std::filesystem::copy_file(f.a0, f.dir.File("A0.BMP"));
    RecordingSink self;
    EXPECT_TRUE(FindSimilarToThese({f.dir.File("A0.BMP")}, {f.a0}, 95, false, progress, prompter, self).empty());
    EXPECT_EQ(prompter.texts, (std::vector<std::string>{"No similar image found."}));

    // All thumbnails: a15 is close to both references; a0 is compared only
    // with a30; a60 fails a0; x fails both. Counts are the list size.
    RecordingSink every;
    test::RecordingProgress allProgress;
    EXPECT_EQ(FindSimilarToThese({f.a0, f.a30}, {f.a15, f.a60, f.a0, f.x}, 95, true, allProgress, prompter, every),
              (Paths{f.a15, f.a0}));
    EXPECT_EQ(allProgress.texts[5], "2 matches found\nChecking " + f.x);
    RecordingSink one;
    FindSimilarToThese({f.a0, f.a30}, {f.a60, f.a15}, 95, true, progress, prompter, one);
    EXPECT_EQ(one.images, (Paths{f.a15}));
}

TEST(SignatureCache, SearchesShowTheSameWithAndWithoutIt)
{
    Planted f;
    Paths files{f.a0, f.junk, f.e30, f.a60, f.a30, f.missing, f.x, f.e0, f.a31};
    // Pictures whose signatures depend on the load size: noise, and the
    // same noise in another format.
    for (const char* name : {"n0.png", "n0.jpg", "n1.png", "n1.jpg"})
        test::Noise(300, 200, name[1] - '0').Save(files.emplace_back(f.dir.File(name)));
    const Paths references(files.begin() + 4, files.end());
    // Everything a search shows: what it answers, opens, says and reports.
    // kind: 0 duplicates, 1 similar to this, 2 and 3 similar to these (at
    // least one, all).
    auto outcome = [&](int kind, int t, SignatureCache* c) {
        test::RecordingPrompter prompter;
        test::RecordingProgress progress;
        RecordingSink sink;
        Paths shown = kind == 0 ? Paths{std::to_string(FindDupesInFolder(files, t, 0, progress, prompter, sink, 0, c))}
                      : kind == 1 ? FindSimilarToThis(test::Noise(300, 200, 0), files, t, progress, prompter, sink, c)
                      : FindSimilarToThese(references, files, t, kind == 3, progress, prompter, sink, c);
        for (const RecordingSink::Sheet& sheet : sink.sheets) {
            shown.push_back(sheet.title);
            shown.insert(shown.end(), sheet.paths.begin(), sheet.paths.end());
        }
        for (const Paths* more : {&sink.images, &prompter.texts, &progress.texts})
            shown.insert(shown.end(), more->begin(), more->end());
        return shown;
    };
    test::TempDir home;
    SignatureCache shared;  // across tolerances, so across load sizes
    for (int tolerance : {100, 99, 98, 95, 80})
        for (int kind = 0; kind < 4; ++kind) {
            SCOPED_TRACE("search " + std::to_string(kind) + " at " + std::to_string(tolerance));
            const Paths plain = outcome(kind, tolerance, nullptr);
            EXPECT_EQ(outcome(kind, tolerance, &shared), plain);
            ASSERT_TRUE(shared.Save(home.File("pixadrome.sig")));
            SignatureCache reread;
            reread.Load(home.File("pixadrome.sig"));
            EXPECT_EQ(outcome(kind, tolerance, &reread), plain);
        }
}

TEST(SignatureCache, AStoredSignatureServesUntilTheFilesSizeOrTimeChanges)
{
    Planted f;
    SignatureCache cache;
    test::RecordingPrompter prompter;
    NullProgress progress;
    auto firstGroup = [&] {
        RecordingSink sink;
        FindDupesInFolder({f.a0, f.e0, f.a30}, 95, 0, progress, prompter, sink, 0, &cache);
        return sink.sheets.empty() ? Paths{} : sink.sheets[0].paths;
    };
    // a0 stored with e0's signature.
    auto plant = [&] { cache.Store(std::filesystem::absolute(f.a0).string(), *StampOfFile(f.a0), 32, Pattern(1, 0)); };
    plant();
    EXPECT_EQ(firstGroup(), (Paths{f.a0, f.e0}));
    std::filesystem::last_write_time(f.a0, std::filesystem::last_write_time(f.a0) + std::chrono::seconds(1));
    EXPECT_EQ(firstGroup(), (Paths{f.a0, f.a30}));
    plant();
    const std::filesystem::file_time_type time = std::filesystem::last_write_time(f.a0);
    std::ofstream(f.a0, std::ios::app) << '\0';
    std::filesystem::last_write_time(f.a0, time);
    EXPECT_EQ(firstGroup(), (Paths{f.a0, f.a30}));
}

TEST(SignatureCache, SavingMergesAnotherWritersEntriesAndADamagedFileIsIgnoredAndWrittenAnew)
{
    test::TempDir dir;
    const std::string file = dir.File("cache/pixadrome.sig");
    SignatureCache first, second, both;
    first.Store("/a", {1, 1}, 32, Signature{1});
    first.Store("/c", {3, 3}, 0, Signature{4});
    second.Store("/a", {1, 2}, 32, Signature{3});  // the later saver's entry wins
    ASSERT_TRUE(first.Save(file) && second.Save(file));
    // The folder made for it and the store are the user's alone.
    namespace fs = std::filesystem;
    EXPECT_EQ(fs::status(dir.File("cache")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const std::vector<uint8_t> good = ReadFileBytes(file).value();
    ASSERT_TRUE(both.Parse(good.data(), good.size()));
    EXPECT_EQ(both.Count(), 2u);
    EXPECT_EQ(both.Lookup("/c", {3, 3}, 0), Signature{4});
    EXPECT_EQ(both.Lookup("/a", {1, 2}, 32), Signature{3});
    std::vector<uint8_t> flipped = good, cut(good.begin(), good.end() - 1);
    flipped[good.size() - 20] ^= 1;  // a signature byte
    for (const auto& damaged : {flipped, cut, std::vector<uint8_t>{}}) {
        test::WriteAll(file, damaged);
        EXPECT_TRUE(!both.Load(file) && both.Count() == 0);
        both.Store("/b", {1, 2}, 64, Signature{9});
        ASSERT_TRUE(both.Save(file) && SignatureCache().Load(file));
    }
}

}  // namespace
}  // namespace pix
