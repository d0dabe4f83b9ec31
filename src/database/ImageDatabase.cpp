#include "database/ImageDatabase.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/Archive.h"
#include "common/AtomicFile.h"
#include "common/FileBytes.h"

namespace pix {
namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr const char* kRecordClass = "CStrList";
constexpr uint16_t kRecordSchema = 1;

// The index where the first run of q in r starts, searching from start
// (or anywhere for -1); -1 when there is none. An empty q starts at the
// first element of r.
template <typename T>
int RunStart(const T* r, size_t rn, const T* q, size_t qn, int start)
{
    if (qn == 0)
        return rn > 0 ? 0 : -1;
    auto runAt = [&](size_t at) {
        for (size_t i = 0; i < qn; ++i)
            if (at + i >= rn || !(r[at + i] == q[i]))
                return false;
        return true;
    };
    if (start >= 0) {
        const auto at = static_cast<size_t>(start);
        return at < rn && runAt(at) ? start : -1;
    }
    for (size_t at = 0; at < rn; ++at) {
        if (!(r[at] == q[0]))
            continue;
        if (at + qn > rn)
            return -1;  // the record ends inside every later candidate too
        if (runAt(at))
            return static_cast<int>(at);
    }
    return -1;
}

template <typename T>
int MatchRun(const T* r, size_t rn, const T* q, size_t qn, bool before, int start)
{
    if (rn < qn)
        return -1;
    if (qn == 0)
        return rn > 0 ? 0 : -1;
    const int at = RunStart(r, rn, q, qn, start);
    if (at < 0)
        return -1;
    if (before)
        return at > 0 ? at - 1 : -1;
    const size_t after = static_cast<size_t>(at) + qn;
    return after < rn ? static_cast<int>(after) : -1;
}

template <typename T>
bool ContainsRun(const T* r, size_t rn, const T* q, size_t qn, int start)
{
    return qn == 0 || RunStart(r, rn, q, qn, start) >= 0;
}

CStrList WithValue(const CStrList& key, const std::string& value)
{
    CStrList pattern = key;
    if (!value.empty())
        pattern.push_back(value);
    return pattern;
}

}  // namespace

int Match(const CStrList& record, const CStrList& pattern, bool before, int start)
{
    return MatchRun(record.data(), record.size(), pattern.data(), pattern.size(), before, start);
}

bool Contains(const CStrList& record, const CStrList& pattern, int start)
{
    return ContainsRun(record.data(), record.size(), pattern.data(), pattern.size(), start);
}

int FindStart(const CStrList& record, const CStrList& pattern, int start)
{
    return RunStart(record.data(), record.size(), pattern.data(), pattern.size(), start);
}

// ---- cursor key operations ----

CStrList CDbCursor::TakeKey()
{
    CStrList old = std::move(key_);
    key_.clear();
    return old;
}

CStrList CDbCursor::ResetKey(const std::string& s)
{
    CStrList old = std::move(key_);
    key_ = {s};
    return old;
}

CStrList CDbCursor::SetKey(const CStrList& list)
{
    CStrList old = std::move(key_);
    key_ = list;
    return old;
}

bool CDbCursor::PopBack()
{
    if (key_.empty())
        return false;
    key_.pop_back();
    return true;
}

// ---- strings and the index ----

uint32_t CImageDatabase::Find(std::string_view text) const
{
    auto it = ids_.find(text);
    return it == ids_.end() ? kNone : it->second;
}

uint32_t CImageDatabase::Intern(std::string_view text)
{
    auto it = ids_.find(text);
    if (it != ids_.end())
        return it->second;
    const auto id = static_cast<uint32_t>(strings_.size());
    strings_.emplace_back(text);
    ids_.emplace(strings_.back(), id);
    holders_.emplace_back();
    return id;
}

bool CImageDatabase::Lookup(const CStrList& list, std::vector<uint32_t>& ids) const
{
    ids.clear();
    ids.reserve(list.size());
    for (const auto& s : list) {
        const uint32_t id = Find(s);
        if (id == kNone)
            return false;
        ids.push_back(id);
    }
    return true;
}

uint32_t CImageDatabase::AppendIds(std::vector<uint32_t>&& ids)
{
    const auto record = static_cast<uint32_t>(records_.size());
    for (uint32_t s : ids) {
        auto& holders = holders_[s];
        if (holders.empty() || holders.back() != record)
            holders.push_back(record);
    }
    if (ids.empty())
        emptyRecords_.push_back(record);
    records_.push_back({std::move(ids), true});
    ++liveRecords_;
    return record;
}

void CImageDatabase::Append(const CStrList& record)
{
    std::vector<uint32_t> ids;
    ids.reserve(record.size());
    for (const auto& s : record)
        ids.push_back(Intern(s));
    AppendIds(std::move(ids));
}

void CImageDatabase::Remove(uint32_t record)
{
    Record& r = records_[record];
    if (!r.alive)
        return;
    if (r.strings.empty())
        std::erase(emptyRecords_, record);
    r.alive = false;
    r.strings = {};
    --liveRecords_;
    ++deadRecords_;
}

void CImageDatabase::CompactIfWorthIt()
{
    // Dead ids in the holder lists only cost scanning time; drop them once
    // they outnumber the live records.
    if (deadRecords_ < liveRecords_ + 4096)
        return;
    for (auto& holders : holders_)
        std::erase_if(holders, [this](uint32_t r) { return !records_[r].alive; });
    deadRecords_ = 0;
}

uint32_t CImageDatabase::Anchor(const std::vector<uint32_t>& pattern) const
{
    uint32_t best = kNone;
    for (uint32_t s : pattern)
        if (best == kNone || holders_[s].size() < holders_[best].size())
            best = s;
    return best;
}

uint32_t CImageDatabase::NextCandidate(uint32_t anchor, uint32_t after) const
{
    if (anchor == kNone) {
        for (size_t r = after == kNone ? 0 : size_t{after} + 1; r < records_.size(); ++r)
            if (records_[r].alive)
                return static_cast<uint32_t>(r);
        return kNone;
    }
    const auto& holders = holders_[anchor];
    auto it = after == kNone ? holders.begin() : std::upper_bound(holders.begin(), holders.end(), after);
    for (; it != holders.end(); ++it)
        if (records_[*it].alive)
            return *it;
    return kNone;
}

template <typename Visit>
void CImageDatabase::ForEachCandidate(uint32_t anchor, Visit&& visit) const
{
    for (uint32_t r = NextCandidate(anchor, kNone); r != kNone; r = NextCandidate(anchor, r))
        if (!visit(r))
            return;
}

// ---- operations ----

void CImageDatabase::Insert(CDbCursor& cursor, const std::string& value)
{
    const CStrList full = WithValue(cursor.key_, value);
    std::vector<uint32_t> ids;
    ids.reserve(full.size());
    for (const auto& s : full)
        ids.push_back(Intern(s));

    // Records equal to a proper prefix of the new one are redundant.
    std::vector<uint32_t> doomed;
    for (size_t length = ids.size(); length-- > 0;) {
        if (length == 0) {
            doomed.insert(doomed.end(), emptyRecords_.begin(), emptyRecords_.end());
            continue;
        }
        const std::vector<uint32_t> prefix(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(length));
        ForEachCandidate(Anchor(prefix), [&](uint32_t r) {
            if (records_[r].strings == prefix)
                doomed.push_back(r);
            return true;
        });
    }
    for (uint32_t r : doomed)
        Remove(r);
    AppendIds(std::move(ids));
    CompactIfWorthIt();
}

void CImageDatabase::Delete(CDbCursor& cursor, const std::string& value, int start)
{
    std::vector<uint32_t> pattern;
    if (!Lookup(WithValue(cursor.key_, value), pattern))
        return;
    std::vector<uint32_t> doomed;
    ForEachCandidate(Anchor(pattern), [&](uint32_t r) {
        const auto& s = records_[r].strings;
        if (ContainsRun(s.data(), s.size(), pattern.data(), pattern.size(), start))
            doomed.push_back(r);
        return true;
    });
    for (uint32_t r : doomed)
        Remove(r);
    CompactIfWorthIt();
}

bool CImageDatabase::Exists(CDbCursor& cursor, const std::string& value, int start) const
{
    std::vector<uint32_t> pattern;
    if (!Lookup(WithValue(cursor.key_, value), pattern))
        return false;
    bool found = false;
    ForEachCandidate(Anchor(pattern), [&](uint32_t r) {
        const auto& s = records_[r].strings;
        found = ContainsRun(s.data(), s.size(), pattern.data(), pattern.size(), start);
        return !found;
    });
    return found;
}

bool CImageDatabase::FindFirst(CDbCursor& cursor, const std::string& value, bool before, int start) const
{
    cursor.seen_.clear();
    cursor.before_ = before;
    cursor.start_ = start;
    cursor.record_ = kNone;
    if (!Lookup(WithValue(cursor.key_, value), cursor.pattern_))
        return false;  // a string no record holds
    cursor.anchor_ = Anchor(cursor.pattern_);
    const auto& q = cursor.pattern_;
    ForEachCandidate(cursor.anchor_, [&](uint32_t r) {
        const auto& s = records_[r].strings;
        const int at = MatchRun(s.data(), s.size(), q.data(), q.size(), before, start);
        if (at < 0)
            return true;
        cursor.record_ = r;
        cursor.value_ = s[static_cast<size_t>(at)];
        return false;
    });
    return cursor.record_ != kNone;
}

std::string CImageDatabase::GetNext(CDbCursor& cursor) const
{
    if (cursor.record_ == kNone)
        return {};
    std::string result = strings_[cursor.value_];
    cursor.seen_.insert(cursor.value_);
    const auto& q = cursor.pattern_;
    for (uint32_t r = NextCandidate(cursor.anchor_, cursor.record_); r != kNone;
         r = NextCandidate(cursor.anchor_, r)) {
        const auto& s = records_[r].strings;
        const int at = MatchRun(s.data(), s.size(), q.data(), q.size(), cursor.before_, cursor.start_);
        if (at >= 0 && !cursor.seen_.contains(s[static_cast<size_t>(at)])) {
            cursor.record_ = r;
            cursor.value_ = s[static_cast<size_t>(at)];
            return result;
        }
    }
    cursor.record_ = kNone;
    return result;
}

void CImageDatabase::Replace(const CStrList& oldKey, const CStrList& newKey)
{
    std::vector<uint32_t> oldIds;
    if (!Lookup(oldKey, oldIds))
        return;
    std::vector<uint32_t> newIds;
    for (const auto& s : newKey)
        newIds.push_back(Intern(s));

    std::vector<uint32_t> affected;
    ForEachCandidate(Anchor(oldIds), [&](uint32_t r) {
        affected.push_back(r);
        return true;
    });
    for (uint32_t r : affected) {
        auto& s = records_[r].strings;
        const int at = RunStart(s.data(), s.size(), oldIds.data(), oldIds.size(), -1);
        if (at < 0)
            continue;
        const bool wasEmpty = s.empty();
        const auto first = s.begin() + at;
        s.erase(first, first + static_cast<std::ptrdiff_t>(oldIds.size()));
        s.insert(s.begin() + at, newIds.begin(), newIds.end());
        // The record now also holds the new strings; keep their lists sorted.
        for (uint32_t id : newIds) {
            auto& holders = holders_[id];
            auto pos = std::lower_bound(holders.begin(), holders.end(), r);
            if (pos == holders.end() || *pos != r)
                holders.insert(pos, r);
        }
        if (!wasEmpty && s.empty())
            emptyRecords_.insert(std::lower_bound(emptyRecords_.begin(), emptyRecords_.end(), r), r);
    }
}

std::vector<std::string> DistinctValues(const CImageDatabase& db, const CStrList& key, const std::string& value,
                                        bool before, int start)
{
    CDbCursor cursor;
    cursor.SetKey(key);
    std::vector<std::string> values;
    if (db.FindFirst(cursor, value, before, start))
        while (cursor.HasResult())
            values.push_back(db.GetNext(cursor));
    return values;
}

bool CImageDatabase::CopySubtree(const CStrList& dstKey, const CStrList& srcKey)
{
    const std::vector<std::string> children = DistinctValues(*this, srcKey, "", false, 0);
    for (const auto& x : children) {
        CStrList dst = dstKey;
        dst.push_back(x);
        CStrList src = srcKey;
        src.push_back(x);
        if (!CopySubtree(dst, src)) {
            CDbCursor insert;
            insert.SetKey(dstKey);
            Insert(insert, x);
        }
    }
    return !children.empty();
}

bool CImageDatabase::SubtreeIncludes(const CStrList& queryKey, const CStrList& fileKey) const
{
    CDbCursor cursor;
    cursor.SetKey(fileKey);
    if (!Exists(cursor, "", 0))
        return false;
    cursor.SetKey(queryKey);
    if (!FindFirst(cursor, "", false, 0))
        return true;
    while (cursor.HasResult()) {
        const std::string x = GetNext(cursor);
        CStrList query = queryKey;
        query.push_back(x);
        CStrList file = fileKey;
        file.push_back(x);
        if (!SubtreeIncludes(query, file))
            return false;
    }
    return true;
}

// ---- the file ----

std::vector<CStrList> CImageDatabase::Records() const
{
    std::vector<CStrList> out;
    out.reserve(liveRecords_);
    for (const auto& r : records_) {
        if (!r.alive)
            continue;
        CStrList list;
        list.reserve(r.strings.size());
        for (uint32_t s : r.strings)
            list.push_back(strings_[s]);
        out.push_back(std::move(list));
    }
    return out;
}

void CImageDatabase::Clear()
{
    strings_.clear();
    ids_.clear();
    holders_.clear();
    records_.clear();
    emptyRecords_.clear();
    liveRecords_ = 0;
    deadRecords_ = 0;
}

std::vector<uint8_t> CImageDatabase::Serialize() const
{
    ArchiveWriter out;
    out.Bytes().reserve(4 + liveRecords_ * 48);
    out.U32(static_cast<uint32_t>(liveRecords_));
    bool first = true;
    for (const auto& r : records_) {
        if (!r.alive)
            continue;
        if (first)
            out.NewClassTag(kRecordSchema, kRecordClass);
        else
            out.ClassReferenceTag(1);
        first = false;
        out.Count(static_cast<uint32_t>(r.strings.size()));
        for (uint32_t s : r.strings)
            out.String(strings_[s]);
    }
    return std::move(out.Bytes());
}

bool CImageDatabase::Parse(const uint8_t* data, size_t size)
{
    ArchiveReader in({data, size});
    const int32_t count = in.I32();
    if (in.Failed())
        return false;
    CImageDatabase loaded;
    if (count > 0) {
        // Every record takes at least its tag and its count.
        if (static_cast<size_t>(count) > in.Remaining() / 4)
            return false;
        loaded.records_.reserve(static_cast<size_t>(count));
        // Most records bring a key or a path of their own.
        loaded.ids_.reserve(static_cast<size_t>(count) + 16);
        loaded.holders_.reserve(static_cast<size_t>(count) + 16);
        int classes = 0;
        std::string scratch;
        std::vector<uint32_t> ids;
        for (int32_t i = 0; i < count; ++i) {
            if (!in.ObjectTag(kRecordClass, kRecordSchema, classes))
                return false;
            const uint32_t strings = in.Count();
            if (in.Failed() || strings > in.Remaining())
                return false;
            ids.clear();
            ids.reserve(strings);
            for (uint32_t k = 0; k < strings; ++k) {
                std::string_view text;
                if (!in.StringView(text, scratch))
                    return false;
                ids.push_back(loaded.Intern(text));
            }
            loaded.AppendIds(std::vector<uint32_t>(ids));
        }
    }
    *this = std::move(loaded);
    return true;
}

bool CImageDatabase::Load(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec) && !ec)
        return true;  // a new database: the file comes with the first save
    // A file that is there but cannot be read is not an empty database:
    // saving over it later would lose its records.
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return false;
    return Parse(bytes->data(), bytes->size());
}

bool CImageDatabase::Save(const std::string& path) const
{
    const auto bytes = Serialize();
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

}  // namespace pix
