#include "database/SimilaritySearch.h"

#include <chrono>
#include <filesystem>
#include <system_error>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "database/SignatureCache.h"
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

int FindDupesInFolder(const std::vector<std::string>& paths, int tolerance, int openWindows, Progress& progress,
                      Prompter& prompter, SearchResultSink& sink, int windowLimit, SignatureCache* cache)
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

    const SimilarityThreshold threshold(tolerance);
    int windows = openWindows;
    int matches = 0;
    for (size_t i = 0; i < n; ++i) {
        if (windowLimit > 0 && windows >= windowLimit) {
            prompter.Show(MsgId::TooManyResultWindows);
            break;
        }
        if (!progress.Step(CheckingText(static_cast<size_t>(matches), paths[i]), static_cast<int>(i)))
            break;
        if (!valid[i])
            continue;
        std::vector<std::string> group{paths[i]};
        for (size_t j = 0; j < n; ++j) {
            if (j == i || !valid[j] || !threshold.Reaches(signatures[i], signatures[j]))
                continue;
            group.push_back(paths[j]);
            valid[j] = 0;
            ++matches;
        }
        if (group.size() > 1) {
            ++matches;
            valid[i] = 0;
            ++windows;
            const int first = matches - static_cast<int>(group.size()) + 1;
            const std::string title = "Matches " + std::to_string(first) + "-" + std::to_string(matches);
            if (!sink.OpenSheet(group, title))
                break;
        }
    }
    if (matches == 0)
        prompter.Show(MsgId::NoMatchesFound);
    return matches;
}

std::vector<std::string> FindSimilarToThis(const CImageBuffer& reference, const std::vector<std::string>& paths,
                                           int tolerance, Progress& progress, Prompter& prompter,
                                           SearchResultSink& sink, SignatureCache* cache)
{
    const Signature wanted = ComputeSignature(reference);
    std::vector<std::string> list;
    progress.SetRange(0, static_cast<int>(paths.size()));
    {
        SignatureLoader loader(paths, LoadSizeForTolerance(tolerance), SignatureLoader::DefaultWorkers(), cache);
        for (size_t i = 0; i < paths.size(); ++i) {
            if (!progress.Step(CheckingText(list.size(), paths[i]), static_cast<int>(i)))
                break;
            std::optional<Signature> s = loader.Take(i, progress);
            if (s && CompareSignatures(wanted, *s) >= tolerance)
                list.push_back(paths[i]);
        }
    }
    ShowMatches(list, prompter, sink);
    return list;
}

std::vector<std::string> FindSimilarToThese(const std::vector<std::string>& referencePaths,
                                            const std::vector<std::string>& candidatePaths, int tolerance,
                                            bool allMode, Progress& progress, Prompter& prompter,
                                            SearchResultSink& sink, SignatureCache* cache)
{
    const uint32_t loadSize = LoadSizeForTolerance(tolerance);
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
                const bool reaches = CompareSignatures(references[j], *s) >= tolerance;
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
