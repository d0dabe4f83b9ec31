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
//
// Storage is flat: the strings live in a string table's arena, the
// records' string ids one after the other in one array, each record being
// a span of it, and the record lists of the strings are built in one pass
// at load (see HolderLists.h).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/LargeAllocator.h"
#include "database/HolderLists.h"
#include "database/StringTable.h"

namespace pix {

using CStrList = std::vector<std::string>;

// The run search on plain string lists: the element after (or, with
// before, before) the first run of record equal to pattern, the run
// starting at index start, or anywhere when start is -1. -1 when none.
int Match(const CStrList& record, const CStrList& pattern, bool before, int start);
bool Contains(const CStrList& record, const CStrList& pattern, int start);
int FindStart(const CStrList& record, const CStrList& pattern, int start);

class CImageDatabase;

// A change made through the public operations, as called; replaying the
// changes of one program on a file another program changed meanwhile
// keeps both programs' changes.
struct DbChange {
    enum class Kind { Insert, Delete, Replace, CopySubtree, Append, Clear } kind;
    CStrList first;   // Insert, Delete: the key; Replace, CopySubtree: old / destination key; Append: the record
    CStrList second;  // Replace: the new key; CopySubtree: the source key
    std::string value;
    int start = -1;
};

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
    // Calls visit with the strings of every record, in order, without
    // copying them; the views last until the database changes.
    void ForEachRecord(const std::function<void(std::span<const std::string_view>)>& visit) const;
    void Clear();

    // Appends a record as it is, without the prefix rule (for building
    // databases from stored lists).
    void Append(const CStrList& record);

    // Records every change from now on (and forgets those recorded).
    void StartJournal()
    {
        journal_.clear();
        journaling_ = true;
    }
    const std::vector<DbChange>& Journal() const { return journal_; }
    // Applies changes recorded by another database, in order.
    void Replay(const std::vector<DbChange>& changes);

private:
    // A record's strings are ids_[begin .. begin + size); a removed record
    // has begin kRemoved.
    struct Record {
        uint32_t begin = 0;
        uint32_t size = 0;
    };
    static constexpr uint32_t kRemoved = UINT32_MAX;

    // Parse; with consumable (the buffer data points into), the pages
    // already read are given back to the system as parsing goes on.
    bool ParseRecords(const uint8_t* data, size_t size, LargeBytes* consumable);
    // Hands the file's bytes to sink(data, size) piece by piece.
    void Encode(const std::function<void(const uint8_t*, size_t)>& sink) const;

    bool Alive(uint32_t record) const { return records_[record].begin != kRemoved; }
    std::span<const uint32_t> StringsOf(uint32_t record) const
    {
        const Record& r = records_[record];
        if (r.begin == kRemoved)
            return {};
        return {ids_.data() + r.begin, r.size};
    }
    uint32_t Intern(std::string_view text) { return strings_.Intern(text); }
    // The ids of a string list; false when one of them is unknown (then
    // no record can hold the list).
    bool Lookup(const CStrList& list, std::vector<uint32_t>& ids) const;
    uint32_t AppendIds(std::span<const uint32_t> ids);
    // Gives a live record new strings (ids must not view ids_).
    void SetStrings(uint32_t record, std::span<const uint32_t> ids);
    // The offset in ids_ where size more ids go at the end.
    uint32_t EndOfIds(size_t size);
    // Closes up the entries of ids_ no live record uses.
    void PackIds();
    void Remove(uint32_t record);
    // The string whose record list is shortest, or kNone for an empty
    // pattern (every record is a candidate).
    uint32_t Anchor(std::span<const uint32_t> pattern) const;
    // The first candidate record after `after` (kNone: from the head).
    uint32_t NextCandidate(uint32_t anchor, uint32_t after) const;
    template <typename Visit>
    void ForEachCandidate(uint32_t anchor, Visit&& visit) const;
    void CompactIfWorthIt();

    CStringTable strings_;
    CHolderLists holders_;         // string id -> ascending record ids (may hold dead ones)
    LargeVector<uint32_t> ids_;    // the strings of the records
    LargeVector<Record> records_;  // by record id, in list order
    std::vector<uint32_t> emptyRecords_;  // ids of records with no strings
    size_t liveRecords_ = 0;
    size_t deadRecords_ = 0;
    size_t unusedIds_ = 0;  // entries of ids_ no live record uses

    // Records a change at the outermost public call only (operations call
    // one another).
    class JournalScope;
    bool journaling_ = false;
    int depth_ = 0;
    std::vector<DbChange> journal_;
};

// Every distinct value a query for key + value yields, in record order.
std::vector<std::string> DistinctValues(const CImageDatabase& db, const CStrList& key, const std::string& value,
                                        bool before, int start);

}  // namespace pix
