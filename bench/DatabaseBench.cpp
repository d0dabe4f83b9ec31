// The image database on generated collections of 10^4, 10^5 and 10^6
// records shaped like a real one: per photo (key, "path", P) and two
// attribute records, so a third of the records are distinct files.
// Load and save go through the file system; the queries are the ones the
// pane and the maintenance commands make. Growth should be linear in the
// record count for load, save and the full key enumeration, and flat for
// the keyed queries.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "database/ContentKey.h"
#include "database/ImageDatabase.h"
#include "database/Maintenance.h"

namespace {

namespace fs = std::filesystem;

std::string KeyOf(int i) { return pix::CrcToKey(static_cast<uint32_t>(i) * 2654435761u); }

// A database file of about `records` records, written once per size.
const std::string& DatabaseFile(int records)
{
    static std::map<int, std::string> files;
    auto it = files.find(records);
    if (it != files.end())
        return it->second;
    const fs::path path = fs::temp_directory_path() / ("pix_bench_" + std::to_string(records) + ".db");
    pix::CImageDatabase db;
    static const char* const kColours[] = {"Red", "Green", "Blue", "Grey"};
    for (int i = 0; i < records / 3; ++i) {
        const std::string key = KeyOf(i);
        db.Append({key, "path", "/home/user/Pictures/" + std::to_string(i / 500) + "/IMG_" + std::to_string(i) + ".jpg"});
        db.Append({key, "Attributes", "Colour", kColours[i % 4]});
        db.Append({key, "Attributes", "Year", std::to_string(2000 + i % 25)});
    }
    db.Save(path.string());
    return files.emplace(records, path.string()).first->second;
}

pix::CImageDatabase& Loaded(int records)
{
    static std::map<int, pix::CImageDatabase> dbs;
    auto it = dbs.find(records);
    if (it == dbs.end()) {
        it = dbs.emplace(records, pix::CImageDatabase{}).first;
        it->second.Load(DatabaseFile(records));
    }
    return it->second;
}

void BM_DatabaseLoad(benchmark::State& state)
{
    const std::string& file = DatabaseFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pix::CImageDatabase db;
        benchmark::DoNotOptimize(db.Load(file));
    }
    state.counters["records"] = static_cast<double>(state.range(0));
}

void BM_DatabaseSave(benchmark::State& state)
{
    const pix::CImageDatabase& db = Loaded(static_cast<int>(state.range(0)));
    const std::string out = DatabaseFile(static_cast<int>(state.range(0))) + ".out";
    for (auto _ : state)
        benchmark::DoNotOptimize(db.Save(out));
    std::remove(out.c_str());
}

// Exists, FindFirst and one GetNext on a file's key, as registering does.
void BM_DatabaseKeyedQuery(benchmark::State& state)
{
    pix::CImageDatabase& db = Loaded(static_cast<int>(state.range(0)));
    const int files = static_cast<int>(state.range(0)) / 3;
    int i = 0;
    for (auto _ : state) {
        const std::string key = KeyOf(i);
        pix::CDbCursor cursor;
        cursor.SetKey({key, "path"});
        benchmark::DoNotOptimize(db.Exists(cursor, "/nowhere.jpg", 0));
        if (db.FindFirst(cursor, "", false, 0))
            benchmark::DoNotOptimize(db.GetNext(cursor));
        cursor.SetKey({"path"});
        benchmark::DoNotOptimize(db.FindFirst(cursor, "/home/user/Pictures/0/IMG_7.jpg", true, 1));
        i = (i + 7919) % files;
    }
}

// Every top-level key, as cleaning and the attribute queries enumerate them.
void BM_DatabaseEnumerateKeys(benchmark::State& state)
{
    pix::CImageDatabase& db = Loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pix::CDbCursor cursor;
        size_t n = 0;
        if (db.FindFirst(cursor, "", false, -1))
            while (cursor.HasResult()) {
                benchmark::DoNotOptimize(db.GetNext(cursor));
                ++n;
            }
        state.counters["keys"] = static_cast<double>(n);
    }
}

// Cleaning 200,000 files (600,000 records) whose paths are all gone, up to the question:
// enumeration, one path lookup and one file-status call per file.
void BM_DatabaseCleanScan(benchmark::State& state)
{
    pix::CImageDatabase& db = Loaded(static_cast<int>(state.range(0)));
    pix::NullProgress progress;
    std::ostringstream sink;
    pix::StreamPrompter prompter(sink);
    for (auto _ : state) {
        const auto counts = pix::CleanDatabase(db, progress, prompter, [](const std::vector<std::string>&) {
            return false;  // keep the records for the next round
        });
        state.counters["missing"] = counts.missing;
    }
}

}  // namespace

BENCHMARK(BM_DatabaseCleanScan)->Arg(600000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseLoad)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseSave)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseKeyedQuery)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DatabaseEnumerateKeys)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);
