// The image database on generated collections of 10^4, 10^5 and 10^6
// records of two shapes. Photos: per photo (key, "path", P) and two
// attribute records, so a third of the records are distinct files. Files:
// per file (key, "path", P) and one attribute record, so half of them are,
// and there are more distinct strings for the same number of records.
// Load and save go through the file system; the queries are the ones the
// pane and the maintenance commands make. Growth should be linear in the
// record count for load, save and the full key enumeration, and flat for
// the keyed queries. The load's peak memory is measured in a child process
// and reported against the file size.
//
// PIX_BENCH_DB_OUT=FILE writes the 10^6-record database of the files
// shape to FILE (for bench/compare_db_dump.sh) and uses it.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "database/ContentKey.h"
#include "database/ImageDatabase.h"
#include "database/Maintenance.h"
#include "GeneratedDatabase.h"

namespace {

namespace fs = std::filesystem;
using namespace pix::bench;

// A database file of about `records` records, written once per size and shape.
const std::string& DatabaseFile(int records, Shape shape)
{
    static std::map<std::pair<int, Shape>, std::string> files;
    auto it = files.find({records, shape});
    if (it != files.end())
        return it->second;
    const char* out = std::getenv("PIX_BENCH_DB_OUT");
    const std::string path = out && *out && records == 1000000 && shape == kFiles
                                 ? std::string(out)
                                 : (fs::temp_directory_path() /
                                    ("pix_bench_" + std::to_string(records) + "_" + std::to_string(shape) + ".db"))
                                       .string();
    pix::CImageDatabase db;
    Generate(db, records, shape);
    db.Save(path);
    return files.emplace(std::make_pair(records, shape), path).first->second;
}

Shape ShapeOf(const benchmark::State& state) { return state.range(1) ? kFiles : kPhotos; }

pix::CImageDatabase& Loaded(int records)
{
    static std::map<int, pix::CImageDatabase> dbs;
    auto it = dbs.find(records);
    if (it == dbs.end()) {
        it = dbs.emplace(records, pix::CImageDatabase{}).first;
        it->second.Load(DatabaseFile(records, kPhotos));
    }
    return it->second;
}

void BM_DatabaseLoad(benchmark::State& state)
{
    const std::string& file = DatabaseFile(static_cast<int>(state.range(0)), ShapeOf(state));
    for (auto _ : state) {
        pix::CImageDatabase db;
        benchmark::DoNotOptimize(db.Load(file));
    }
    state.counters["records"] = static_cast<double>(state.range(0));
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
}

// A line "Name: N kB" of /proc/self/status, in bytes (0 when missing).
double StatusBytes(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::atof(line.c_str() + prefix.size()) * 1024.0;
    return 0;
}

// The most memory a load takes: a child process returns its free memory
// to the system, resets its peak resident size (clear_refs 5), loads, and
// reports how far the peak rose above where it started.
void BM_DatabaseLoadPeakMemory(benchmark::State& state)
{
    const std::string& file = DatabaseFile(static_cast<int>(state.range(0)), ShapeOf(state));
    double peak = -1;
    for (auto _ : state) {
        int fds[2];
        if (::pipe(fds) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fds[0]);
            ::malloc_trim(0);
            double rise = -1;
            std::ofstream reset("/proc/self/clear_refs");
            reset << "5" << std::flush;
            if (reset) {
                const double before = StatusBytes("VmRSS");
                pix::CImageDatabase db;
                if (db.Load(file))
                    rise = StatusBytes("VmHWM") - before;
            }
            (void)!::write(fds[1], &rise, sizeof rise);
            ::_exit(0);
        }
        ::close(fds[1]);
        if (child < 0 || ::read(fds[0], &peak, sizeof peak) != sizeof peak)
            peak = -1;
        ::close(fds[0]);
        if (child > 0)
            ::waitpid(child, nullptr, 0);
    }
    if (peak < 0) {
        state.SkipWithError("the peak resident size cannot be measured here");
        return;
    }
    const auto bytes = static_cast<double>(fs::file_size(file));
    state.counters["file_MB"] = bytes / 1e6;
    state.counters["peak_MB"] = peak / 1e6;
    state.counters["peak_per_file"] = peak / bytes;
}

void BM_DatabaseSave(benchmark::State& state)
{
    const std::string& file = DatabaseFile(static_cast<int>(state.range(0)), ShapeOf(state));
    pix::CImageDatabase db;
    db.Load(file);
    const std::string out = file + ".out";
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
BENCHMARK(BM_DatabaseLoad)
    ->ArgsProduct({{10000, 100000, 1000000}, {kPhotos, kFiles}})
    ->ArgNames({"records", "files"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseLoadPeakMemory)
    ->ArgsProduct({{1000000}, {kPhotos, kFiles}})
    ->ArgNames({"records", "files"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseSave)
    ->ArgsProduct({{10000, 100000, 1000000}, {kPhotos, kFiles}})
    ->ArgNames({"records", "files"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatabaseKeyedQuery)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DatabaseEnumerateKeys)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);
