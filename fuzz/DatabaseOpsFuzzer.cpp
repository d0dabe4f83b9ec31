// Runs the operations the bytes spell on the database and on a plain list
// of the same records, and stops at the first answer the two disagree on:
// every result must be the one a scan of the records from the head gives,
// however the index, the tombstones and their compaction stand.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "database/ImageDatabase.h"

namespace {

using pix::CStrList;

// Few strings, so that records share them and queries find something.
const std::string kStrings[] = {"k", "path", "Attributes", "a", "b", "", "@8Path", std::string("n\0l", 3)};

struct ScanCursor {
    CStrList pattern;
    bool before = false;
    int start = 0;
    size_t record = SIZE_MAX;
    std::string value;
    std::set<std::string> seen;
};

// The records in id order; removed ones stay as tombstones, as in the database.
struct Scan {
    std::vector<CStrList> records;
    std::vector<bool> alive;

    void Append(const CStrList& r)
    {
        records.push_back(r);
        alive.push_back(true);
    }
    // The first live record from `from` on where the cursor's pattern
    // matches with a value not returned yet.
    void Seek(ScanCursor& c, size_t from) const
    {
        for (c.record = from; c.record < records.size(); ++c.record) {
            const auto& r = records[c.record];
            const int at = alive[c.record] ? pix::Match(r, c.pattern, c.before, c.start) : -1;
            if (at >= 0 && !c.seen.count(r[static_cast<size_t>(at)])) {
                c.value = r[static_cast<size_t>(at)];
                return;
            }
        }
        c.record = SIZE_MAX;
    }
};

void Check(bool same)
{
    if (!same)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t read = 0;
    auto next = [&]() -> unsigned { return read < size ? data[read++] : 0; };
    auto string = [&]() { return kStrings[next() % std::size(kStrings)]; };
    auto list = [&](unsigned longest) {
        CStrList l(next() % (longest + 1));
        std::generate(l.begin(), l.end(), string);
        return l;
    };
    pix::CImageDatabase db;
    Scan scan;
    pix::CDbCursor cursors[2];
    ScanCursor scanCursors[2];
    bool bulk = false;
    while (read < size) {
        const unsigned op = next() % 8;
        const unsigned c = next() % 2;
        const CStrList key = list(3);
        const std::string value = string();
        const int start = static_cast<int>(next() % 4) - 1;
        CStrList pattern = key;
        if (!value.empty())
            pattern.push_back(value);
        pix::CDbCursor cursor;
        cursor.SetKey(key);
        bool any = false;
        for (size_t r = 0; r < scan.records.size(); ++r) {
            const auto& rec = scan.records[r];
            const bool prefix = rec.size() < pattern.size() && std::equal(rec.begin(), rec.end(), pattern.begin());
            const bool holds = scan.alive[r] && pix::Contains(rec, pattern, start);
            any = any || holds;
            if ((op == 0 && prefix) || (op == 1 && holds))
                scan.alive[r] = false;
        }
        if (op == 0) {
            db.Insert(cursor, value);
            scan.Append(pattern);
        } else if (op == 1) {
            db.Delete(cursor, value, start);
        } else if (op == 2) {
            Check(db.Exists(cursor, value, start) == any);
        } else if (op == 3) {
            ScanCursor& s = scanCursors[c];
            s = {pattern, (next() & 1) != 0, start};
            scan.Seek(s, 0);
            cursors[c].SetKey(key);
            Check(db.FindFirst(cursors[c], value, s.before, start) == (s.record != SIZE_MAX));
        } else if (op == 4) {
            ScanCursor& s = scanCursors[c];
            Check(cursors[c].HasResult() == (s.record != SIZE_MAX));
            const std::string got = db.GetNext(cursors[c]);
            if (s.record != SIZE_MAX) {
                Check(got == s.value);
                s.seen.insert(s.value);
                scan.Seek(s, s.record + 1);
            }
        } else if (op == 5) {
            const CStrList replacement = list(2);
            db.Replace(key, replacement);
            for (size_t r = 0; r < scan.records.size(); ++r) {
                auto& rec = scan.records[r];
                const int at = scan.alive[r] ? pix::FindStart(rec, key, -1) : -1;
                if (at >= 0) {
                    rec.erase(rec.begin() + at, rec.begin() + at + static_cast<std::ptrdiff_t>(key.size()));
                    rec.insert(rec.begin() + at, replacement.begin(), replacement.end());
                }
            }
        } else if (op == 6 || !bulk) {
            // Through the file: the tombstones go, so do the cursors, and
            // the record lists are built ones.
            const auto bytes = db.Serialize();
            Check(db.Parse(bytes.data(), bytes.size()));
            scan = Scan();
            for (const auto& r : db.Records())
                scan.Append(r);
            cursors[0] = cursors[1] = pix::CDbCursor();
            scanCursors[0] = scanCursors[1] = ScanCursor();
            if (op == 7) {
                // Once an input, then, enough records made and removed
                // (every one, or every other) to compact the lists.
                bulk = true;
                for (int i = 0; i < 4200; ++i) {
                    db.Append({std::to_string(i), value});
                    scan.Append({std::to_string(i), value});
                }
                for (int i = 0; i < 4200; i += 1 + static_cast<int>(c)) {
                    cursor.SetKey({std::to_string(i)});
                    db.Delete(cursor, "", 0);
                    scan.alive[scan.records.size() - 4200 + static_cast<size_t>(i)] = false;
                }
            }
        }
        Check(db.RecordCount() == static_cast<size_t>(std::count(scan.alive.begin(), scan.alive.end(), true)));
    }
    const auto records = db.Records();
    for (size_t r = 0, k = 0; r < scan.records.size(); ++r)
        Check(!scan.alive[r] || (k < records.size() && records[k++] == scan.records[r]));
    // Every string's record list, through the values before and after it.
    for (const auto& s : kStrings)
        for (const bool before : {false, true}) {
            ScanCursor c{s.empty() ? CStrList() : CStrList{s}, before, -1};
            std::vector<std::string> values;
            for (scan.Seek(c, 0); c.record != SIZE_MAX; scan.Seek(c, c.record + 1)) {
                values.push_back(c.value);
                c.seen.insert(c.value);
            }
            Check(pix::DistinctValues(db, {}, s, before, -1) == values);
        }
    return 0;
}
