#pragma once
// The image database: an ordered list of records, each an ordered list of
// strings read as a root-to-leaf path of a tree, queried with cursors.
//
// Every result is the one a scan of the records from the head would give;
// the scans are only narrowed by an index. Strings are interned, a record
// is a list of string ids, and each string keeps the ascending ids of the
// records that hold it, so a query looks only at the records holding the
// rarest string of its pattern. Records keep their id for life (removed
// records leave a tombstone until the next Load), which is what keeps the
// record order and lets a cursor resume after its current record even when
// records were removed meanwhile.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pix {

using CStrList = std::vector<std::string>;

// The run search on plain string lists: the element after (or, with
// before, before) the first run of record equal to pattern, the run
// starting at index start, or anywhere when start is -1. -1 when none.
int Match(const CStrList& record, const CStrList& pattern, bool before, int start);
bool Contains(const CStrList& record, const CStrList& pattern, int start);
int FindStart(const CStrList& record, const CStrList& pattern, int start);

class CImageDatabase;

// The state of one query: the key path the caller builds, then the
// pattern, the values returned so far and the current result.
class CDbCursor {
public:
    CStrList TakeKey();
    CStrList ResetKey(const std::string& s);
    CStrList SetKey(const CStrList& list);
    CStrList CopyKey() const { return key_; }
    void PushBack(const std::string& s) { key_.push_back(s); }
    void PushFront(const std::string& s) { key_.insert(key_.begin(), s); }
    bool PopBack();
    const CStrList& Key() const { return key_; }

    // True while there is a current result for GetNext to return.
    bool HasResult() const { return record_ != kNone; }

private:
    friend class CImageDatabase;
    static constexpr uint32_t kNone = UINT32_MAX;

    CStrList key_;
    // Fixed by FindFirst.
    std::vector<uint32_t> pattern_;
    bool before_ = false;
    int start_ = -1;
    uint32_t anchor_ = kNone;  // string whose records are scanned; kNone: every record
    // The current result: its record and the string found there.
    uint32_t record_ = kNone;
    uint32_t value_ = 0;
    std::unordered_set<uint32_t> seen_;
};

class CImageDatabase {
public:
    CImageDatabase() = default;
    CImageDatabase(const CImageDatabase&) = delete;
    CImageDatabase& operator=(const CImageDatabase&) = delete;
    CImageDatabase(CImageDatabase&&) = default;
    CImageDatabase& operator=(CImageDatabase&&) = default;

    // Removes every record equal to a proper prefix of key + value, then
    // appends key + value.
    void Insert(CDbCursor& cursor, const std::string& value);
    // Removes every record that contains key + value (start as in Match).
    void Delete(CDbCursor& cursor, const std::string& value, int start);
    bool Exists(CDbCursor& cursor, const std::string& value, int start) const;
    // Starts a query for key + value; true when there is a first result.
    bool FindFirst(CDbCursor& cursor, const std::string& value, bool before, int start) const;
    // Returns the current result and moves on to the next record whose
    // result is a value not returned yet.
    std::string GetNext(CDbCursor& cursor) const;
    // Puts newKey in place of the first run of oldKey in every record
    // holding it.
    void Replace(const CStrList& oldKey, const CStrList& newKey);
    // Copies the leaves below srcKey to below dstKey; true when srcKey has
    // children.
    bool CopySubtree(const CStrList& dstKey, const CStrList& srcKey);
    // True when every path below queryKey also exists below fileKey.
    bool SubtreeIncludes(const CStrList& queryKey, const CStrList& fileKey) const;

    // Whole-file reading and writing. Load of a missing file leaves the
    // database as it is and succeeds; a damaged file fails and leaves it
    // unchanged. Save replaces the file only when all of it was written.
    bool Load(const std::string& path);
    bool Save(const std::string& path) const;
    // The file's bytes; Parse replaces the records (false on damage, then
    // nothing changes).
    std::vector<uint8_t> Serialize() const;
    bool Parse(const uint8_t* data, size_t size);

    size_t RecordCount() const { return liveRecords_; }
    // The records in order (for listing and tests).
    std::vector<CStrList> Records() const;
    void Clear();

    // Appends a record as it is, without the prefix rule (for building
    // databases from stored lists).
    void Append(const CStrList& record);

private:
    struct Record {
        std::vector<uint32_t> strings;
        bool alive = false;
    };

    uint32_t Intern(std::string_view text);
    // The id of a known string, or kNone.
    uint32_t Find(std::string_view text) const;
    // The ids of a string list; false when one of them is unknown (then
    // no record can hold the list).
    bool Lookup(const CStrList& list, std::vector<uint32_t>& ids) const;
    uint32_t AppendIds(std::vector<uint32_t>&& ids);
    void Remove(uint32_t record);
    // The string whose record list is shortest, or kNone for an empty
    // pattern (every record is a candidate).
    uint32_t Anchor(const std::vector<uint32_t>& pattern) const;
    // The first candidate record after `after` (kNone: from the head).
    uint32_t NextCandidate(uint32_t anchor, uint32_t after) const;
    template <typename Visit>
    void ForEachCandidate(uint32_t anchor, Visit&& visit) const;
    void CompactIfWorthIt();

    std::deque<std::string> strings_;
    std::unordered_map<std::string_view, uint32_t> ids_;
    std::vector<std::vector<uint32_t>> holders_;  // string id -> ascending record ids (may hold dead ones)
    std::vector<Record> records_;                 // by record id, in list order
    std::vector<uint32_t> emptyRecords_;          // ids of records with no strings
    size_t liveRecords_ = 0;
    size_t deadRecords_ = 0;
};

// Every distinct value a query for key + value yields, in record order.
std::vector<std::string> DistinctValues(const CImageDatabase& db, const CStrList& key, const std::string& value,
                                        bool before, int start);

}  // namespace pix
