#include "database/ImageDatabase.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "common/Archive.h"
#include "common/AtomicFile.h"
#include "common/FileBytes.h"

namespace pix {
namespace {

constexpr uint32_t kNone = UINT32_MAX;
constexpr const char* kRecordClass = "CStrList";
constexpr uint16_t kRecordSchema = 1;
// Save hands the file this many bytes at a time.
constexpr size_t kWriteChunk = size_t{1} << 20;

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

bool CImageDatabase::Lookup(const CStrList& list, std::vector<uint32_t>& ids) const
{
    ids.clear();
    ids.reserve(list.size());
    for (const auto& s : list) {
        const uint32_t id = strings_.Find(s);
        if (id == kNone)
            return false;
        ids.push_back(id);
    }
    return true;
}

void CImageDatabase::PackIds()
{
    LargeVector<uint32_t> packed;
    packed.reserve(ids_.size() - unusedIds_);
    for (Record& r : records_) {
        if (r.begin == kRemoved)
            continue;
        const auto begin = static_cast<uint32_t>(packed.size());
        packed.insert(packed.end(), ids_.begin() + r.begin, ids_.begin() + r.begin + r.size);
        r.begin = begin;
    }
    ids_ = std::move(packed);
    unusedIds_ = 0;
}

uint32_t CImageDatabase::EndOfIds(size_t size)
{
    // Record spans address ids_ with 32 bits.
    if (ids_.size() + size >= kRemoved) {
        PackIds();
        if (ids_.size() + size >= kRemoved)
            throw std::length_error("image database: too many strings in the records");
    }
    return static_cast<uint32_t>(ids_.size());
}

uint32_t CImageDatabase::AppendIds(std::span<const uint32_t> ids)
{
    const auto record = static_cast<uint32_t>(records_.size());
    const uint32_t begin = EndOfIds(ids.size());
    ids_.insert(ids_.end(), ids.begin(), ids.end());
    for (uint32_t s : ids)
        holders_.Add(s, record);
    if (ids.empty())
        emptyRecords_.push_back(record);
    records_.push_back({begin, static_cast<uint32_t>(ids.size())});
    ++liveRecords_;
    return record;
}

void CImageDatabase::SetStrings(uint32_t record, std::span<const uint32_t> ids)
{
    // A record that shrinks keeps its place; one that grows moves to the end.
    const uint32_t oldSize = records_[record].size;
    if (ids.size() > oldSize) {
        const uint32_t begin = EndOfIds(ids.size());
        ids_.insert(ids_.end(), ids.begin(), ids.end());
        records_[record].begin = begin;
    } else {
        std::copy(ids.begin(), ids.end(), ids_.begin() + records_[record].begin);
    }
    unusedIds_ += ids.size() > oldSize ? oldSize : oldSize - ids.size();
    records_[record].size = static_cast<uint32_t>(ids.size());
}

class CImageDatabase::JournalScope {
public:
    JournalScope(CImageDatabase& db, DbChange change) : db_(db)
    {
        if (db_.journaling_ && db_.depth_ == 0)
            db_.journal_.push_back(std::move(change));
        ++db_.depth_;
    }
    ~JournalScope() { --db_.depth_; }
    JournalScope(const JournalScope&) = delete;
    JournalScope& operator=(const JournalScope&) = delete;

private:
    CImageDatabase& db_;
};

void CImageDatabase::Replay(const std::vector<DbChange>& changes)
{
    for (const DbChange& c : changes) {
        CDbCursor cursor;
        cursor.SetKey(c.first);
        switch (c.kind) {
        case DbChange::Kind::Insert: Insert(cursor, c.value); break;
        case DbChange::Kind::Delete: Delete(cursor, c.value, c.start); break;
        case DbChange::Kind::Replace: Replace(c.first, c.second); break;
        case DbChange::Kind::CopySubtree: CopySubtree(c.first, c.second); break;
        case DbChange::Kind::Append: Append(c.first); break;
        case DbChange::Kind::Clear: Clear(); break;
        }
    }
}

void CImageDatabase::Append(const CStrList& record)
{
    JournalScope scope(*this, {DbChange::Kind::Append, record, {}, {}, -1});
    std::vector<uint32_t> ids;
    ids.reserve(record.size());
    for (const auto& s : record)
        ids.push_back(Intern(s));
    AppendIds(ids);
}

void CImageDatabase::Remove(uint32_t record)
{
    Record& r = records_[record];
    if (r.begin == kRemoved)
        return;
    if (r.size == 0)
        std::erase(emptyRecords_, record);
    unusedIds_ += r.size;
    r = {kRemoved, 0};
    --liveRecords_;
    ++deadRecords_;
}

void CImageDatabase::CompactIfWorthIt()
{
    // Dead ids in the holder lists only cost scanning time; drop them once
    // they outnumber the live records.
    if (deadRecords_ >= liveRecords_ + 4096) {
        holders_.Filter([this](uint32_t r) { return Alive(r); });
        deadRecords_ = 0;
    }
    // Likewise the strings of removed and changed records.
    if (unusedIds_ >= ids_.size() / 2 + 4096)
        PackIds();
}

uint32_t CImageDatabase::Anchor(std::span<const uint32_t> pattern) const
{
    uint32_t best = kNone;
    size_t bestCount = 0;
    for (uint32_t s : pattern) {
        const size_t count = holders_.Of(s).size();
        if (best == kNone || count < bestCount) {
            best = s;
            bestCount = count;
        }
    }
    return best;
}

uint32_t CImageDatabase::NextCandidate(uint32_t anchor, uint32_t after) const
{
    if (anchor == kNone) {
        for (size_t r = after == kNone ? 0 : size_t{after} + 1; r < records_.size(); ++r)
            if (records_[r].begin != kRemoved)
                return static_cast<uint32_t>(r);
        return kNone;
    }
    const auto holders = holders_.Of(anchor);
    auto it = after == kNone ? holders.begin() : std::upper_bound(holders.begin(), holders.end(), after);
    for (; it != holders.end(); ++it)
        if (Alive(*it))
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
    JournalScope scope(*this, {DbChange::Kind::Insert, cursor.key_, {}, value, -1});
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
        const std::span<const uint32_t> prefix(ids.data(), length);
        ForEachCandidate(Anchor(prefix), [&](uint32_t r) {
            const auto s = StringsOf(r);
            if (std::equal(s.begin(), s.end(), prefix.begin(), prefix.end()))
                doomed.push_back(r);
            return true;
        });
    }
    for (uint32_t r : doomed)
        Remove(r);
    AppendIds(ids);
    CompactIfWorthIt();
}

void CImageDatabase::Delete(CDbCursor& cursor, const std::string& value, int start)
{
    JournalScope scope(*this, {DbChange::Kind::Delete, cursor.key_, {}, value, start});
    std::vector<uint32_t> pattern;
    if (!Lookup(WithValue(cursor.key_, value), pattern))
        return;
    std::vector<uint32_t> doomed;
    ForEachCandidate(Anchor(pattern), [&](uint32_t r) {
        const auto s = StringsOf(r);
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
        const auto s = StringsOf(r);
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
        const auto s = StringsOf(r);
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
    std::string result(strings_.Text(cursor.value_));
    cursor.seen_.insert(cursor.value_);
    const auto& q = cursor.pattern_;
    for (uint32_t r = NextCandidate(cursor.anchor_, cursor.record_); r != kNone;
         r = NextCandidate(cursor.anchor_, r)) {
        const auto s = StringsOf(r);
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
    JournalScope scope(*this, {DbChange::Kind::Replace, oldKey, newKey, {}, -1});
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
    std::vector<uint32_t> changed;
    for (uint32_t r : affected) {
        const auto s = StringsOf(r);
        const int at = RunStart(s.data(), s.size(), oldIds.data(), oldIds.size(), -1);
        if (at < 0)
            continue;
        const auto first = s.begin() + at;
        changed.assign(s.begin(), first);
        changed.insert(changed.end(), newIds.begin(), newIds.end());
        changed.insert(changed.end(), first + static_cast<std::ptrdiff_t>(oldIds.size()), s.end());
        SetStrings(r, changed);
        // The record now also holds the new strings.
        for (uint32_t id : newIds)
            holders_.Add(id, r);
        // A run was found, so the record had strings before.
        if (changed.empty())
            emptyRecords_.insert(std::lower_bound(emptyRecords_.begin(), emptyRecords_.end(), r), r);
    }
    CompactIfWorthIt();
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
    JournalScope scope(*this, {DbChange::Kind::CopySubtree, dstKey, srcKey, {}, -1});
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
    ForEachRecord([&out](std::span<const std::string_view> strings) {
        out.emplace_back(strings.begin(), strings.end());
    });
    return out;
}

void CImageDatabase::ForEachRecord(const std::function<void(std::span<const std::string_view>)>& visit) const
{
    std::vector<std::string_view> texts;
    for (uint32_t r = 0; r < records_.size(); ++r) {
        if (!Alive(r))
            continue;
        texts.clear();
        for (uint32_t s : StringsOf(r))
            texts.push_back(strings_.Text(s));
        visit(texts);
    }
}

void CImageDatabase::Clear()
{
    JournalScope scope(*this, {DbChange::Kind::Clear, {}, {}, {}, -1});
    // The journal outlives the records.
    std::vector<DbChange> journal = std::move(journal_);
    const bool journaling = journaling_;
    const int depth = depth_;
    *this = CImageDatabase();
    journal_ = std::move(journal);
    journaling_ = journaling;
    depth_ = depth;
}

void CImageDatabase::Encode(const std::function<void(const uint8_t*, size_t)>& sink) const
{
    // The archive writer encodes; its bytes are handed on whenever a
    // chunk's worth has gathered.
    ArchiveWriter out;
    out.Bytes().reserve(kWriteChunk + 1024);
    out.U32(static_cast<uint32_t>(liveRecords_));
    bool first = true;
    for (uint32_t r = 0; r < records_.size(); ++r) {
        if (!Alive(r))
            continue;
        if (first)
            out.NewClassTag(kRecordSchema, kRecordClass);
        else
            out.ClassReferenceTag(1);
        first = false;
        const auto strings = StringsOf(r);
        out.Count(static_cast<uint32_t>(strings.size()));
        for (uint32_t s : strings) {
            out.String(strings_.Text(s));
            if (out.Bytes().size() >= kWriteChunk) {
                sink(out.Bytes().data(), out.Bytes().size());
                out.Bytes().clear();
            }
        }
    }
    if (!out.Bytes().empty())
        sink(out.Bytes().data(), out.Bytes().size());
}

std::vector<uint8_t> CImageDatabase::Serialize() const
{
    std::vector<uint8_t> bytes;
    Encode([&bytes](const uint8_t* data, size_t size) { bytes.insert(bytes.end(), data, data + size); });
    return bytes;
}

bool CImageDatabase::Parse(const uint8_t* data, size_t size) { return ParseRecords(data, size, nullptr); }

bool CImageDatabase::ParseRecords(const uint8_t* data, size_t size, LargeBytes* consumable)
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
        int classes = 0;
        std::string scratch;
        size_t released = 0;
        for (int32_t i = 0; i < count; ++i) {
            if (!in.ObjectTag(kRecordClass, kRecordSchema, classes))
                return false;
            const uint32_t strings = in.Count();
            if (in.Failed() || strings > in.Remaining())
                return false;
            // Every string takes a byte of the input, so the ids fit the
            // spans' 32 bits unless the input is over 4 GiB.
            const size_t begin = loaded.ids_.size();
            if (begin + strings >= kRemoved)
                return false;
            for (uint32_t k = 0; k < strings; ++k) {
                std::string_view text;
                if (!in.StringView(text, scratch))
                    return false;
                loaded.ids_.push_back(loaded.Intern(text));
            }
            if (strings == 0)
                loaded.emptyRecords_.push_back(static_cast<uint32_t>(i));
            loaded.records_.push_back({static_cast<uint32_t>(begin), strings});
            // The strings are copied: what was read is not needed again.
            if (consumable && in.Position() - released >= kLargeBlockBytes) {
                released = in.Position();
                ReleaseLargeBlockPages(consumable->data(), consumable->capacity(), released);
            }
        }
        loaded.liveRecords_ = loaded.records_.size();
        loaded.holders_.Build(loaded.strings_.Size(), loaded.records_.size(),
                              [&loaded](uint32_t r) { return loaded.StringsOf(r); });
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
    auto bytes = ReadLargeFileBytes(path);
    if (!bytes)
        return false;
    return ParseRecords(bytes->data(), bytes->size(), &*bytes);
}

bool CImageDatabase::Save(const std::string& path) const
{
    AtomicFile file;
    if (!file.Open(path))
        return false;
    Encode([&file](const uint8_t* data, size_t size) { file.Write(data, size); });
    return file.Commit();
}

}  // namespace pix
