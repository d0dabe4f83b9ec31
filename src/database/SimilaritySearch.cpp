#include "database/SimilaritySearch.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "database/SignatureCache.h"
#include "database/SignatureIndex.h"
#include "database/VerdictStore.h"
#include "image/CImageBuffer.h"

namespace pix {
namespace {

std::string CheckingText(size_t matches, const std::string& path)
{
    return std::to_string(matches) + " matches found\nChecking " + path;
}

std::string LowerCase(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Several paths become a sheet, one an opened image, none a message.
void ShowMatches(const std::vector<std::string>& list, Prompter& prompter, SearchResultSink& sink)
{
    if (list.size() > 1)
        sink.OpenSheet(list, std::string());
    else if (list.size() == 1)
        sink.OpenImage(list.front());
    else
        prompter.Show(MsgId::NoSimilarImage);
}

// Whether the verdicts hold two files to be no duplicates. A file's
// content id is read the first time a pair with it is asked about, so only
// files that match anything are read whole.
class VerdictCheck {
public:
    explicit VerdictCheck(const VerdictStore* verdicts) : verdicts_(verdicts && !verdicts->Empty() ? verdicts : nullptr)
    {
    }
    explicit operator bool() const { return verdicts_ != nullptr; }
    bool Apart(const std::string& a, const std::string& b)
    {
        if (!verdicts_)
            return false;
        const std::optional<ContentId>& idA = IdOf(a);  // map nodes stay put
        const std::optional<ContentId>& idB = IdOf(b);
        return idA && idB && verdicts_->AreNotDuplicates(*idA, *idB);
    }

private:
    const std::optional<ContentId>& IdOf(const std::string& path)
    {
        auto [at, added] = ids_.try_emplace(path);
        if (added)
            at->second = ContentIdOfFile(path);
        return at->second;
    }
    const VerdictStore* verdicts_;
    std::unordered_map<std::string, std::optional<ContentId>> ids_;
};

}  // namespace

std::optional<Signature> FileSignature(const std::string& path, uint32_t loadSize, CImageBuffer& scratch)
{
    scratch.Load(path, loadSize, loadSize);
    if (scratch.IsEmpty() || scratch.Width() == 0 || scratch.Height() == 0)
        return std::nullopt;
    return ComputeSignature(scratch);
}

std::optional<Signature> FileSignature(const std::string& path, uint32_t loadSize, CImageBuffer& scratch,
                                       SignatureCache* cache)
{
    std::optional<FileStamp> stamp;
    std::string key;
    if (cache) {
        stamp = StampOfFile(path);
        std::error_code ec;
        key = std::filesystem::absolute(path, ec).string();
        if (ec)
            stamp.reset();
    }
    if (stamp)
        if (std::optional<Signature> known = cache->Lookup(key, *stamp, loadSize))
            return known;
    std::optional<Signature> made = FileSignature(path, loadSize, scratch);
    if (stamp && made && StampOfFile(path) == stamp)
        cache->Store(key, *stamp, loadSize, *made);
    return made;
}

// ---------------------------------------------------------------- loader

SignatureLoader::SignatureLoader(const std::vector<std::string>& paths, uint32_t loadSize, unsigned workers,
                                 SignatureCache* cache)
    : loader_(
          paths.size(),
          [paths, loadSize, cache](size_t index) {
              CImageBuffer scratch;
              return FileSignature(paths[index], loadSize, scratch, cache);
          },
          workers)
{
}

// ---------------------------------------------------------------- searches

int GroupBySimilarity(const std::vector<IndexedSignature>& signatures, std::vector<uint8_t> valid, int tolerance,
                      size_t leaders, const std::function<bool(size_t, int)>& step,
                      const std::function<bool(const std::vector<uint32_t>&, int)>& group,
                      const std::function<bool(uint32_t, uint32_t)>& apart, bool turned)
{
    SignatureIndex index(signatures, valid, tolerance);
    const int turns = turned ? kSignatureTurns : 1;

    // The index is asked about a batch of leaders at a time, half on each
    // of two threads, while nothing changes it; the groups are then made
    // in order, leaving out what earlier groups of the batch took. A
    // turned copy matches in one of the ways; the answers are merged.
    // Larger batches share more of the index's memory traffic; a batch
    // grows while it is answered quickly and shrinks when it keeps the
    // caller's progress waiting.
    constexpr size_t kLeastBatch = 64, kMostBatch = 1024;
    constexpr auto kQuick = std::chrono::milliseconds(25), kSlow = std::chrono::milliseconds(100);
    size_t batch = kLeastBatch;
    std::vector<std::vector<uint32_t>> answers(kMostBatch);
    std::vector<uint32_t> members;
    const size_t end = std::min(leaders, signatures.size());
    int matches = 0;
    for (size_t start = 0, count = 0; start < end; start += count) {
        count = std::min(batch, end - start);
        const auto began = std::chrono::steady_clock::now();
        auto answer = [&](size_t parity) {
            std::vector<IndexedSignature> turnedCopies;
            turnedCopies.reserve((count + 1) / 2 * static_cast<size_t>(turns - 1));  // pointers into it stay
            std::vector<const IndexedSignature*> queries;
            std::vector<std::vector<uint32_t>*> outs;
            for (size_t k = parity; k < count; k += 2) {
                answers[k].clear();
                if (!valid[start + k])
                    continue;
                queries.push_back(&signatures[start + k]);
                outs.push_back(&answers[k]);
                for (int turn = 1; turn < turns; ++turn) {
                    turnedCopies.push_back(IndexSignature(TurnSignature(signatures[start + k].bytes, turn)));
                    queries.push_back(&turnedCopies.back());
                    outs.push_back(&answers[k]);
                }
            }
            index.Reaching(queries, outs);
            if (turns > 1)
                for (size_t k = parity; k < count; k += 2) {
                    std::sort(answers[k].begin(), answers[k].end());
                    answers[k].erase(std::unique(answers[k].begin(), answers[k].end()), answers[k].end());
                }
        };
        {
            std::jthread other(answer, 1);
            answer(0);
        }
        const auto took = std::chrono::steady_clock::now() - began;
        if (took < kQuick)
            batch = std::min(2 * batch, kMostBatch);
        else if (took > kSlow)
            batch = std::max(batch / 2, kLeastBatch);
        for (size_t k = 0; k < count; ++k) {
            const size_t i = start + k;
            if (!step(i, matches))
                return matches;
            if (!valid[i])
                continue;
            members.assign(1, static_cast<uint32_t>(i));
            for (const uint32_t j : answers[k]) {
                if (j == i || !valid[j] || (apart && apart(static_cast<uint32_t>(i), j)))
                    continue;
                members.push_back(j);
                valid[j] = 0;
                index.Remove(j);
            }
            // No later signature reaches this one: it would have joined its group.
            index.Remove(static_cast<uint32_t>(i));
            if (members.size() > 1) {
                valid[i] = 0;
                matches += static_cast<int>(members.size());
                if (!group(members, matches))
                    return matches;
            }
        }
    }
    return matches;
}

namespace {

// The duplicate search over paths of which only the first leaders may
// lead a group.
int FindDupes(const std::vector<std::string>& paths, size_t leaders, int tolerance, int openWindows,
              Progress& progress, Prompter& prompter, SearchResultSink& sink, int windowLimit, SignatureCache* cache,
              const VerdictStore* verdicts, bool turned)
{
    const size_t n = paths.size();
    std::vector<IndexedSignature> signatures(n);
    std::vector<uint8_t> valid(n, 0);

    progress.SetRange(0, static_cast<int>(n));
    {
        SignatureLoader loader(paths, LoadSizeForTolerance(tolerance), SignatureLoader::DefaultWorkers(), cache);
        for (size_t i = 0; i < n; ++i) {
            if (!progress.Step("Analyzing " + paths[i], static_cast<int>(i)))
                break;
            if (std::optional<Signature> s = loader.Take(i, progress)) {
                signatures[i] = IndexSignature(*s);
                valid[i] = 1;
            }
        }
    }

    if (leaders < n)
        progress.SetRange(0, static_cast<int>(leaders));
    VerdictCheck verdictCheck(verdicts);
    std::function<bool(uint32_t, uint32_t)> apart;
    if (verdictCheck)
        apart = [&](uint32_t a, uint32_t b) { return verdictCheck.Apart(paths[a], paths[b]); };
    int windows = openWindows;
    const int matches = GroupBySimilarity(
        signatures, std::move(valid), tolerance, leaders,
        [&](size_t i, int found) {
            if (windowLimit > 0 && windows >= windowLimit) {
                prompter.Show(MsgId::TooManyResultWindows);
                return false;
            }
            return progress.Step(CheckingText(static_cast<size_t>(found), paths[i]), static_cast<int>(i));
        },
        [&](const std::vector<uint32_t>& members, int found) {
            std::vector<std::string> group;
            for (uint32_t k : members)
                group.push_back(paths[k]);
            ++windows;
            const int first = found - static_cast<int>(group.size()) + 1;
            return sink.OpenSheet(group, "Matches " + std::to_string(first) + "-" + std::to_string(found));
        },
        apart, turned);
    if (matches == 0)
        prompter.Show(MsgId::NoMatchesFound);
    return matches;
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

}  // namespace

int FindDupesInFolder(const std::vector<std::string>& paths, int tolerance, int openWindows, Progress& progress,
                      Prompter& prompter, SearchResultSink& sink, int windowLimit, SignatureCache* cache,
                      const VerdictStore* verdicts, bool turned)
{
    return FindDupes(paths, paths.size(), tolerance, openWindows, progress, prompter, sink, windowLimit, cache,
                     verdicts, turned);
}

int FindDupesOfNew(const std::vector<std::string>& newPaths, const std::vector<std::string>& libraryPaths,
                   int tolerance, int openWindows, Progress& progress, Prompter& prompter, SearchResultSink& sink,
                   int windowLimit, SignatureCache* cache, const VerdictStore* verdicts, bool turned)
{
    std::vector<std::string> paths = newPaths;
    std::unordered_set<std::string> added;
    for (const std::string& path : newPaths)
        added.insert(AbsolutePath(path));
    for (const std::string& path : libraryPaths)
        if (!added.contains(AbsolutePath(path)))
            paths.push_back(path);
    return FindDupes(paths, newPaths.size(), tolerance, openWindows, progress, prompter, sink, windowLimit, cache,
                     verdicts, turned);
}

std::vector<std::string> FindSimilarToThis(const CImageBuffer& reference, const std::vector<std::string>& paths,
                                           int tolerance, Progress& progress, Prompter& prompter,
                                           SearchResultSink& sink, SignatureCache* cache,
                                           const VerdictStore* verdicts, const std::string& referencePath)
{
    const Signature wanted = ComputeSignature(reference);
    VerdictCheck verdictCheck(referencePath.empty() ? nullptr : verdicts);
    std::vector<std::string> list;
    progress.SetRange(0, static_cast<int>(paths.size()));
    {
        SignatureLoader loader(paths, LoadSizeForTolerance(tolerance), SignatureLoader::DefaultWorkers(), cache);
        for (size_t i = 0; i < paths.size(); ++i) {
            if (!progress.Step(CheckingText(list.size(), paths[i]), static_cast<int>(i)))
                break;
            std::optional<Signature> s = loader.Take(i, progress);
            if (s && CompareSignatures(wanted, *s) >= tolerance && !verdictCheck.Apart(referencePath, paths[i]))
                list.push_back(paths[i]);
        }
    }
    ShowMatches(list, prompter, sink);
    return list;
}

std::vector<std::string> FindSimilarToThese(const std::vector<std::string>& referencePaths,
                                            const std::vector<std::string>& candidatePaths, int tolerance,
                                            bool allMode, Progress& progress, Prompter& prompter,
                                            SearchResultSink& sink, SignatureCache* cache,
                                            const VerdictStore* verdicts)
{
    const uint32_t loadSize = LoadSizeForTolerance(tolerance);
    VerdictCheck verdictCheck(verdicts);
    const size_t m = referencePaths.size();
    std::vector<Signature> references(m);
    std::vector<uint8_t> valid(m, 0);
    std::vector<std::string> lowerReferences(m);
    for (size_t j = 0; j < m; ++j)
        lowerReferences[j] = LowerCase(referencePaths[j]);

    progress.SetRange(0, static_cast<int>(m));
    {
        SignatureLoader loader(referencePaths, loadSize, SignatureLoader::DefaultWorkers(), cache);
        for (size_t j = 0; j < m; ++j) {
            if (!progress.Step("Analyzing " + referencePaths[j], static_cast<int>(j)))
                break;
            if (std::optional<Signature> s = loader.Take(j, progress)) {
                references[j] = *s;
                valid[j] = 1;
            }
        }
    }

    std::vector<std::string> list;
    progress.SetRange(0, static_cast<int>(candidatePaths.size()));
    {
        SignatureLoader loader(candidatePaths, loadSize, SignatureLoader::DefaultWorkers(), cache);
        for (size_t c = 0; c < candidatePaths.size(); ++c) {
            const std::string& candidate = candidatePaths[c];
            const size_t found = allMode ? list.size() : list.size() / 2;
            if (!progress.Step(CheckingText(found, candidate), static_cast<int>(c)))
                break;
            const std::optional<Signature> s = loader.Take(c, progress);
            if (!s)
                continue;
            const std::string lower = LowerCase(candidate);
            bool allReach = true;
            for (size_t j = 0; j < m; ++j) {
                if (!valid[j] || lowerReferences[j] == lower)
                    continue;
                const bool reaches = CompareSignatures(references[j], *s) >= tolerance &&
                                     !verdictCheck.Apart(referencePaths[j], candidate);
                if (allMode) {
                    if (!reaches) {
                        allReach = false;
                        break;
                    }
                } else if (reaches) {
                    list.push_back(referencePaths[j]);
                    list.push_back(candidate);
                    // The candidate is itself on the sheet: it has been
                    // paired now and pairs no further candidate.
                    for (size_t k = 0; k < m; ++k)
                        if (lowerReferences[k] == lower) {
                            valid[k] = 0;
                            break;
                        }
                    break;
                }
            }
            if (allMode && allReach)
                list.push_back(candidate);
        }
    }
    ShowMatches(list, prompter, sink);
    return list;
}

}  // namespace pix
