#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <thread>

#include "database/DatabaseAccess.h"
#include "database/DatabaseFileLock.h"
#include "database/ImageDatabase.h"
#include "common/SettingsStore.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}
void AppendText(std::vector<uint8_t>& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }


TEST(DatabaseFile, OneRecordExampleBytesAndRoundTrip)
{
    CImageDatabase db;
    db.Append({"a1b2c3d4", "path", "C:\\x.jpg"});
    std::vector<uint8_t> expected = Bytes({1, 0, 0, 0, 0xFF, 0xFF, 1, 0, 8, 0});
    AppendText(expected, "CStrList");
    AppendText(expected, std::string("\x03\x00\x08", 3));
    AppendText(expected, "a1b2c3d4\x04path\x08" "C:\\x.jpg");
    EXPECT_EQ(db.Serialize(), expected);

    // Later records reference the class; an empty record is its tag and 00 00.
    db.Append({});
    const auto two = db.Serialize();
    EXPECT_EQ(std::vector<uint8_t>(two.end() - 4, two.end()), Bytes({0x01, 0x80, 0, 0}));
    EXPECT_EQ(two[0], 2);

    CImageDatabase back;
    ASSERT_TRUE(back.Parse(two.data(), two.size()));
    EXPECT_EQ(back.Records(), (std::vector<CStrList>{{"a1b2c3d4", "path", "C:\\x.jpg"}, {}}));

    CImageDatabase empty;
    EXPECT_EQ(empty.Serialize(), Bytes({0, 0, 0, 0}));
}

TEST(DatabaseFile, LongStringsAndLongListsKeepTheirPrefixes)
{
    CImageDatabase db;
    CStrList many(65535, "s");
    many[0] = std::string(254, 'a');
    many[1] = std::string(255, 'b');
    db.Append(many);
    const auto bytes = db.Serialize();
    const size_t list = 4 + 2 + 2 + 2 + 8;
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + list, bytes.begin() + list + 7),
              Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFE}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + list + 7 + 254, bytes.begin() + list + 7 + 254 + 3),
              Bytes({0xFF, 0xFF, 0x00}));
    CImageDatabase back;
    ASSERT_TRUE(back.Parse(bytes.data(), bytes.size()));
    EXPECT_EQ(back.Records().at(0), many);
}

TEST(DatabaseFile, CutFilesNegativeCountsAndWideStrings)
{
    // Other damage is left to the fuzz seeds, whose oracle checks that a
    // refused file leaves the database as it was.
    CImageDatabase good;
    good.Append({"k", "path", "/p"});
    good.Append({"k", "Attributes", "Red"});
    const auto valid = good.Serialize();
    CImageDatabase db;
    for (size_t cut = 0; cut < valid.size(); ++cut)
        EXPECT_FALSE(db.Parse(valid.data(), cut)) << cut;
    const auto negative = Bytes({0xFE, 0xFF, 0xFF, 0xFF});  // an empty database
    EXPECT_TRUE(db.Parse(negative.data(), negative.size()));
    EXPECT_EQ(db.RecordCount(), 0u);

    // A 16-bit string is read and converted.
    std::vector<uint8_t> wide = Bytes({1, 0, 0, 0, 0xFF, 0xFF, 1, 0, 8, 0});
    AppendText(wide, "CStrList");
    AppendText(wide, std::string("\x01\x00\xFF\xFE\xFF\x02\x41\x00\xE9\x00", 10));
    ASSERT_TRUE(db.Parse(wide.data(), wide.size()));
    EXPECT_EQ(db.Records().at(0), (CStrList{"A\xC3\xA9"}));
}

// Inserting, deleting, the cursors' scans, replacing and many removals are
// compared with a plain scan of the records by the database_ops fuzz
// target over its seeds; the run rules that scan uses are checked here.
TEST(DatabaseEngine, RunRules)
{
    const CStrList r{"K", "path", "P", "path", "Q"};
    EXPECT_EQ(Match(r, {"path"}, false, -1), 2);
    EXPECT_EQ(Match(r, {"path"}, true, -1), 0);
    EXPECT_EQ(Match(r, {"path"}, false, 3), 4);
    EXPECT_EQ(Match(r, {"path", "Q"}, false, -1), -1);  // the run ends the record
    EXPECT_TRUE(Contains(r, {"path", "Q"}, -1));
    EXPECT_EQ(Match(r, {"K"}, true, 0), -1);  // nothing before the record start
    EXPECT_EQ(Match(r, {}, false, 3), 0);
    EXPECT_EQ(Match({"a"}, {"a", "b"}, false, -1), -1);
    EXPECT_EQ(FindStart(r, {"path", "Q"}, -1), 3);
    EXPECT_EQ(FindStart(r, {"P"}, 1), -1);
    EXPECT_TRUE(Contains({}, {}, 0));
}

TEST(DatabaseAccess, UseCountSavesOnReleaseAndReportsDamage)
{
    test::TempDir dir;
    MemorySettingsStore settings;
    test::RecordingPrompter prompter;
    DatabaseAccess access(settings, prompter, dir.File("pixadrome.db"));

    CImageDatabase* db = access.AcquireDatabase();
    ASSERT_NE(db, nullptr);
    EXPECT_TRUE(prompter.texts.empty());  // a missing file is an empty database
    EXPECT_EQ(access.AcquireDatabase(), db);
    db->Append({"k", "path", "/x"});
    access.MarkDatabaseModified();
    access.ReleaseDatabase();
    EXPECT_EQ(access.UseCount(), 1);
    access.ReleaseDatabase();
    EXPECT_EQ(access.UseCount(), 0);
    CImageDatabase saved;
    ASSERT_TRUE(saved.Load(dir.File("pixadrome.db")));
    EXPECT_EQ(saved.RecordCount(), 1u);
    // One that is there but cannot be read is refused, not taken as empty.
    std::filesystem::create_directory(dir.File("folder.db"));
    EXPECT_FALSE(saved.Load(dir.File("folder.db")));

    // An empty file is no empty database: saving over it could lose records.
    test::WriteAll(dir.File("bad.db"), {});
    EXPECT_FALSE(access.ChangeDatabase(dir.File("bad.db")));
    EXPECT_EQ(prompter.texts.back(), "Not a Pixadrome database!\n" + dir.File("bad.db"));
    settings.SetString("Settings", "dbpath", dir.File("bad.db"));
    EXPECT_EQ(access.AcquireDatabase(), nullptr);
    EXPECT_EQ(access.UseCount(), 0);
    EXPECT_TRUE(access.ChangeDatabase(dir.File("new.db")));
    EXPECT_EQ(settings.GetString("Settings", "dbpath", ""), dir.File("new.db"));
    EXPECT_EQ(DatabaseAccess::DatabaseTitle("/a.b/pixadrome.v2.db"), "pixadrome");
}

// One change of another program: read, change and write under the lock.
void ChangeUnderLock(const std::string& path, const std::function<void(CImageDatabase&)>& change)
{
    const DatabaseFileLock lock(path);
    CImageDatabase db;
    ASSERT_TRUE(db.Load(path));
    change(db);
    ASSERT_TRUE(db.Save(path));
}

TEST(DatabaseFileLock, TwoProgramsChangingOneFileLoseNothing)
{
    test::TempDir dir;
    const std::string path = dir.File("pix.db");
    std::vector<pid_t> writers;
    for (const char* writer : {"A", "B"}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0; i < 200; ++i)
                ChangeUnderLock(path, [&](CImageDatabase& db) { db.Append({writer, std::to_string(i)}); });
            ::_exit(::testing::Test::HasFailure() ? 1 : 0);
        }
        writers.push_back(child);
    }
    for (pid_t child : writers) {
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
    }
    CImageDatabase db;
    ASSERT_TRUE(db.Load(path));
    EXPECT_EQ(db.RecordCount(), 400u);
}

// A writer killed at any moment: readers meanwhile and afterwards find the
// old or the new file, whole, and no temporary file stays beside it.
TEST(DatabaseFileLock, AWriterKilledAnywhereLeavesAWholeFileAndNoTemporary)
{
    test::TempDir dir;
    const std::string path = dir.File("pix.db");
    ChangeUnderLock(path, [](CImageDatabase& db) {
        for (int i = 0; i < 1000; ++i)
            db.Append({"key" + std::to_string(i), "Note", std::string(40, 'x')});
    });
    std::mt19937 random(7);
    size_t seen = 1000;
    for (int kill = 0; kill < 100; ++kill) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                ChangeUnderLock(path, [](CImageDatabase& db) { db.Append({"new", "Note", "x"}); });
        }
        CImageDatabase reader;
        ASSERT_TRUE(reader.Load(path)) << "while writing, kill " << kill;
        EXPECT_GE(reader.RecordCount(), seen);
        seen = reader.RecordCount();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 30000));
        // Every tenth writer lives until it has saved, however slow the
        // machine: kills land between saves as well as during them.
        for (int waited = 0; kill % 10 == 9 && waited < 1000; ++waited) {
            CImageDatabase grown;
            if (grown.Load(path) && grown.RecordCount() > seen)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        CImageDatabase after;
        ASSERT_TRUE(after.Load(path)) << "after kill " << kill;
        EXPECT_GE(after.RecordCount(), seen);
        seen = after.RecordCount();
    }
    EXPECT_GT(seen, 1000u);
    // A kill between linking the finished file under a temporary name and
    // renaming it into place leaves that name; the next save sweeps it.
    ChangeUnderLock(path, [](CImageDatabase& db) { db.Append({"last", "Note", "x"}); });
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_TRUE(entry.path() == path || entry.path().filename() == ".pix.db.lock") << entry.path();
}

// The program's long-held database meets a file another program changed
// meanwhile: both sides' changes are kept, and the other's is held on.
TEST(DatabaseAccess, ChangesGoOntoTheFileAnotherProgramChangedMeanwhile)
{
    test::TempDir dir;
    const std::string path = dir.File("pixadrome.db");
    ChangeUnderLock(path, [](CImageDatabase& db) {
        db.Append({"k1", "Writer", "A"});
        db.Append({"k2", "Writer", "A"});
    });
    MemorySettingsStore settings;
    test::RecordingPrompter prompter;
    DatabaseAccess access(settings, prompter, path);
    CImageDatabase* db = access.AcquireDatabase();
    ASSERT_NE(db, nullptr);
    CDbCursor cursor;
    cursor.SetKey({"k1", "Writer"});
    db->Insert(cursor, "window");
    access.MarkDatabaseModified();
    ChangeUnderLock(path, [](CImageDatabase& other) {
        CDbCursor c;
        c.SetKey({"k2", "Writer"});
        other.Insert(c, "command line");
        other.Append({"k3", "Writer", "command line"});
    });
    access.ReleaseDatabase();
    CImageDatabase saved;
    ASSERT_TRUE(saved.Load(path));
    const std::vector<CStrList> expected{{"k1", "Writer", "A"},
                                         {"k2", "Writer", "A"},
                                         {"k2", "Writer", "command line"},
                                         {"k3", "Writer", "command line"},
                                         {"k1", "Writer", "window"}};
    EXPECT_EQ(saved.Records(), expected);
}

}  // namespace
}  // namespace pix
