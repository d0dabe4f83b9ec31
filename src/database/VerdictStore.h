#pragma once
// The user's verdicts on pairs the duplicate searches found: "not
// duplicates". A verdict names the two files by content (checksum and
// size), so it still holds after the files move or are renamed, and every
// later search leaves the pair apart.
//
// The file "pixadrome.verdicts" lies beside the database. All numbers
// little-endian:
//   8 bytes   "PXVERD\r\n"
//   u32       version, 1
//   u32       number of pairs
//   pairs     u32 checksum, u64 size of the lesser file, then of the other
//             (lesser: by checksum, then size); pairs in increasing order
//   u32       CRC-32 (as ContentKey's) of every byte before it
// A file that cannot be read, or reads as anything else, counts as no
// verdicts; saving merges what other programs wrote since and replaces
// the file whole.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "database/ContentKey.h"

namespace pix {

// The verdicts file beside a database.
std::string VerdictStorePath(const std::string& databasePath);

class VerdictStore {
public:
    using Pair = std::pair<ContentId, ContentId>;

    // Replaces the verdicts by the file's; false (and none) when it is
    // missing, unreadable or damaged.
    bool Load(const std::string& file);
    bool Parse(const uint8_t* data, size_t size);
    std::vector<uint8_t> Serialize() const;
    // Writes the verdicts merged with the file's; false on failure, which
    // leaves the file as it was.
    bool Save(const std::string& file);

    // Records that a and b are not duplicates; false when it was known.
    bool AddNotDuplicates(const ContentId& a, const ContentId& b);
    bool AreNotDuplicates(const ContentId& a, const ContentId& b) const;
    std::vector<Pair> List() const;
    bool Empty() const;

private:
    static Pair Ordered(const ContentId& a, const ContentId& b);
    static bool ParseInto(const uint8_t* data, size_t size, std::set<Pair>& into);
    static std::vector<uint8_t> SerializeSet(const std::set<Pair>& pairs);

    mutable std::mutex mutex_;
    std::set<Pair> pairs_;
};

}  // namespace pix
