#pragma once
// What a user weighs when choosing which copy of a duplicate to keep, and
// the copy suggested: the one with the most pixels, then the largest file,
// then the earliest date taken, then the first listed.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace pix {

struct PictureFacts {
    std::string path;
    std::string folder;
    bool present = false;   // a regular file that could be looked at
    uint32_t width = 0;     // as loads show it (upright)
    uint32_t height = 0;
    uint64_t fileSize = 0;
    int64_t modified = 0;   // ns since 1970, to notice a change
    std::string format;     // the format's name ("jpeg"), empty when unknown
    std::string dateTaken;  // the locale's, empty when none
    std::time_t takenSeconds = 0;
};

// The facts of the file at path now (present false when it is gone).
PictureFacts FactsOfPicture(const std::string& path);

// Whether the file at facts.path is still the one the facts describe.
bool Unchanged(const PictureFacts& facts);

// The index of the copy to keep among a group's members; 0 for an empty
// group.
size_t SuggestedKeeper(const std::vector<PictureFacts>& members);

}  // namespace pix
