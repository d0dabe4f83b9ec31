#pragma once
// The duplicate and similar-image searches over lists of files the caller
// has already chosen. Results go to a sink: the GUI opens contact sheets
// and image windows, the CLI prints the paths.
//
// Files are decoded at the reduced size the tolerance allows, on a small
// pool of worker threads that runs ahead of the calling thread; the calling
// thread reports progress and uses the signatures strictly in list order,
// so signatures, groups, texts and where a cancel stops are exactly those
// of loading one file after the other at each step.
//
// Given a SignatureCache, the searches take the signatures of unchanged
// files from it and store those they make; results are the same with or
// without it. Saving the cache is left to the caller.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/OrderedLoader.h"
#include "database/Signature.h"

namespace pix {

class CImageBuffer;
class Progress;
class Prompter;
class SignatureCache;
class VerdictStore;

// Where search results go.
class SearchResultSink {
public:
    virtual ~SearchResultSink() = default;
    // Opens a new contact sheet of paths, titled title (empty: the sheet's
    // usual title). False when the sheet cannot be made.
    virtual bool OpenSheet(const std::vector<std::string>& paths, const std::string& title) = 0;
    // Opens one file as an image document.
    virtual void OpenImage(const std::string& path) = 0;
};

// Result windows the duplicate search stops at, counting those already open.
inline constexpr int kMaxResultWindows = 100;

// The signature of the file at path loaded with size hints S × S, or nothing
// when it does not give a picture. scratch is the buffer loaded into.
std::optional<Signature> FileSignature(const std::string& path, uint32_t loadSize, CImageBuffer& scratch);
// The same through a cache (nullptr: none): a signature made from the file
// as it is now is taken from it, a new one stored in it. A file that
// changes while it is decoded is not stored.
std::optional<Signature> FileSignature(const std::string& path, uint32_t loadSize, CImageBuffer& scratch,
                                       SignatureCache* cache);

// Groups signatures greedily in list order: each valid signature not yet
// grouped collects every other valid one not yet grouped whose similarity
// to it reaches tolerance, members in list order after it. step(i,
// matches) is asked before signature i whether to go on; group(members,
// matches) gets each group of two or more and says whether to go on. Only
// the first leaders signatures lead groups (the others only join them).
// Returns the number of signatures placed in groups.
int GroupBySimilarity(const std::vector<IndexedSignature>& signatures, std::vector<uint8_t> valid, int tolerance,
                      size_t leaders, const std::function<bool(size_t, int)>& step,
                      const std::function<bool(const std::vector<uint32_t>&, int)>& group,
                      const std::function<bool(uint32_t, uint32_t)>& apart = {}, bool turned = false);

// Groups the files greedily in list order: each file not yet grouped
// collects every other file not yet grouped whose similarity to it reaches
// tolerance, and each group of two or more becomes a sheet titled
// "Matches first-last". openWindows is the number of document windows
// already open; the search stops with a message when windowLimit are open
// (0: no limit, for callers without windows). Two files the verdicts
// hold to be no duplicates are never grouped together; with turned, a
// picture also matches the turned and mirrored copies of the others.
// Returns the number of files placed in groups.
int FindDupesInFolder(const std::vector<std::string>& paths, int tolerance, int openWindows, Progress& progress,
                      Prompter& prompter, SearchResultSink& sink, int windowLimit = kMaxResultWindows,
                      SignatureCache* cache = nullptr, const VerdictStore* verdicts = nullptr,
                      bool turned = false);

// The duplicates of newly added pictures in a library: the search above
// over the new files followed by the library's (those that are not among
// the new), where only new files lead groups, so that every group is a new
// picture with the pictures it matches and two library pictures alone
// never make one. Library signatures come from the cache when unchanged.
int FindDupesOfNew(const std::vector<std::string>& newPaths, const std::vector<std::string>& libraryPaths,
                   int tolerance, int openWindows, Progress& progress, Prompter& prompter, SearchResultSink& sink,
                   int windowLimit = kMaxResultWindows, SignatureCache* cache = nullptr,
                   const VerdictStore* verdicts = nullptr, bool turned = false);

// The files whose similarity to the reference picture (taken at its full
// size) reaches tolerance: several open as a sheet, one as an image. A
// file the verdicts hold to be no duplicate of referencePath, the file the
// reference came from, is left out. Returns the matching paths in list
// order.
std::vector<std::string> FindSimilarToThis(const CImageBuffer& reference, const std::vector<std::string>& paths,
                                           int tolerance, Progress& progress, Prompter& prompter,
                                           SearchResultSink& sink, SignatureCache* cache = nullptr,
                                           const VerdictStore* verdicts = nullptr,
                                           const std::string& referencePath = {});

// The candidates similar to the pictures of a contact sheet (references in
// display order). With allMode false ("At least one") each matching
// candidate is listed after the first reference it matches; with allMode
// true ("All thumbnails") a candidate is listed when no reference it is
// compared with scores below the tolerance. A reference is never compared
// with its own file (paths compared lower-cased), and a pair the verdicts
// hold to be no duplicates does not match. Returns the list.
std::vector<std::string> FindSimilarToThese(const std::vector<std::string>& referencePaths,
                                            const std::vector<std::string>& candidatePaths, int tolerance,
                                            bool allMode, Progress& progress, Prompter& prompter,
                                            SearchResultSink& sink, SignatureCache* cache = nullptr,
                                            const VerdictStore* verdicts = nullptr);

// Loads the signatures of a list of files on worker threads, at most a
// few files ahead of the caller, who takes them in list order, through a
// cache when given one. Destroying it abandons the files not yet taken and
// waits for the workers.
class SignatureLoader {
public:
    static unsigned DefaultWorkers() { return OrderedLoader<std::optional<Signature>>::DefaultWorkers(); }
    SignatureLoader(const std::vector<std::string>& paths, uint32_t loadSize, unsigned workers = DefaultWorkers(),
                    SignatureCache* cache = nullptr);
    // The signature of file index (nothing when unreadable), waiting for it
    // and keeping the user interface alive through progress.Pump meanwhile.
    // Indexes must be taken in increasing order.
    std::optional<Signature> Take(size_t index, Progress& progress) { return loader_.Take(index, progress); }

private:
    OrderedLoader<std::optional<Signature>> loader_;
};

}  // namespace pix
