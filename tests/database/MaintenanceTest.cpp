#include <gtest/gtest.h>

#include <filesystem>

#include "database/Attributes.h"
#include "database/ContentKey.h"
#include "database/Maintenance.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using Strings = std::vector<std::string>;

struct Files {
    test::TempDir dir;
    std::string Make(const std::string& name, const std::string& content)
    {
        test::WriteAll(dir.File(name), {content.begin(), content.end()});
        return dir.File(name);
    }
};

TEST(RegisterFile, NewSameAndMovedFilesInThePane)
{
    Files files;
    const std::string a = files.Make("a.jpg", "alpha");
    CImageDatabase db;
    test::RecordingPrompter prompter;
    db.Append({ContentKey(a)});  // a stray prefix record goes away

    RegisterResult r = RegisterFile(db, a, false, prompter);
    EXPECT_EQ(r.key, ContentKey(a));
    EXPECT_FALSE(r.modified);
    EXPECT_EQ(db.Records(), (std::vector<CStrList>{{r.key, "path", a}}));
    EXPECT_FALSE(RegisterFile(db, a, false, prompter).modified);

    TickNode(db, r.key, {"Attributes", "Red"});
    const std::string moved = files.dir.File("moved.jpg");
    std::filesystem::rename(a, moved);
    r = RegisterFile(db, moved, false, prompter);
    EXPECT_TRUE(r.modified);
    EXPECT_EQ(StoredPath(db, r.key), moved);
    EXPECT_TRUE(OwnerHasNode(db, r.key, {"Attributes", "Red"}));  // attributes follow the content
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(RegisterFile, TheDialogAsksAboutMovesAndCopies)
{
    Files files;
    const std::string original = files.Make("orig.jpg", "same bytes");
    const std::string copy = files.Make("copy.jpg", "same bytes");
    CImageDatabase db;
    test::RecordingPrompter prompter;
    RegisterFile(db, original, true, prompter);
    Strings removed;
    auto remover = [&removed](const std::string& p) {
        removed.push_back(p);
        return true;
    };

    // No, and keep the copy: the records still name the original.
    prompter.script = {Answer::No, Answer::No};
    RegisterResult r = RegisterFile(db, copy, true, prompter, remover);
    EXPECT_EQ(prompter.texts, (Strings{"Duplicate found at " + original + "\nIs the new path " + copy + " ?",
                                       "Delete this copy at " + copy + " ?"}));
    EXPECT_EQ(r.file, original);
    EXPECT_TRUE(removed.empty());
    EXPECT_EQ(StoredPath(db, r.key), original);

    // Yes, it moved, and delete the old one.
    prompter.texts.clear();
    prompter.script = {Answer::Yes, Answer::Yes};
    r = RegisterFile(db, copy, true, prompter, remover);
    EXPECT_EQ(prompter.texts.at(1), "Delete the duplicate at " + original + " ?");
    EXPECT_EQ(removed, (Strings{original}));
    EXPECT_EQ(StoredPath(db, r.key), copy);
    EXPECT_TRUE(r.modified);
}

TEST(RegisterFile, UnreadableFiles)
{
    Files files;
    CImageDatabase db;
    db.Append({"k1", "path", files.dir.File("gone.jpg")});
    db.Append({"k1", "Attributes", "Red"});
    test::RecordingPrompter prompter;
    prompter.script = {Answer::Ok, Answer::Yes};
    RegisterResult r = RegisterFile(db, files.dir.File("other.jpg"), false, prompter);
    EXPECT_TRUE(r.key.empty());
    EXPECT_EQ(prompter.texts.at(0), "The file\n" + files.dir.File("other.jpg") + "\ncould not be accessed.\n");

    r = RegisterFile(db, files.dir.File("gone.jpg"), false, prompter);
    EXPECT_EQ(prompter.texts.at(1),
              "The file\n" + files.dir.File("gone.jpg") + "\ncould not be accessed.\nRemove file from Database ?");
    EXPECT_TRUE(r.modified);
    EXPECT_EQ(db.RecordCount(), 0u);
}

TEST(Maintenance, LocateCountsFoundAndUpdatedPaths)
{
    Files files;
    const std::string same = files.Make("same.jpg", "one");
    const std::string moved = files.Make("moved.jpg", "two");
    const std::string changed = files.Make("changed.jpg", "three");
    CImageDatabase db;
    db.Append({ContentKey(same), "path", same});
    db.Append({ContentKey(moved), "path", "/old/place.jpg"});
    db.Append({ContentKey(changed), "path", changed});
    test::WriteAll(changed, {'x'});

    test::RecordingPrompter prompter;
    test::RecordingProgress progress;
    const LocateCounts counts = LocateFiles(db, {same, moved, changed}, progress, prompter);
    EXPECT_EQ(counts.found, 2);
    EXPECT_EQ(counts.updated, 1);
    EXPECT_EQ(StoredPath(db, ContentKey(moved)), moved);
    EXPECT_EQ(progress.texts.at(2), "Scanning " + changed + "\r\nFound 2 of 3\r\nUpdated 1 paths");
    EXPECT_EQ(prompter.texts, (Strings{"Scanned 3 files\r\nFound 2 in database\r\nUpdated 1 paths"}));
}

TEST(Maintenance, CleanRemovesOnlyConfirmedMissingFiles)
{
    Files files;
    const std::string here = files.Make("here.jpg", "here");
    CImageDatabase db;
    db.Append({"k1", "path", here});
    db.Append({"k1", "Attributes", "Red"});
    db.Append({"none", "Attributes", "Red"});
    test::RecordingPrompter prompter;
    test::RecordingProgress progress;
    auto never = [](const Strings&) { return false; };
    CleanCounts counts = CleanDatabase(db, progress, prompter, never);
    EXPECT_EQ(counts.scanned, 1);
    EXPECT_EQ(prompter.texts, (Strings{"All files where found on disk."}));
    EXPECT_EQ(progress.texts, (Strings{"Scanned 1 files\r\n(unknown total)"}));

    db.Append({"k2", "path", files.dir.File("gone.jpg")});
    db.Append({"k2", "Attributes", "Blue"});
    Strings shown;
    counts = CleanDatabase(db, progress, prompter, [&shown](const Strings& paths) {
        shown = paths;
        return false;
    });
    EXPECT_EQ(shown, (Strings{files.dir.File("gone.jpg")}));
    EXPECT_EQ(db.RecordCount(), 5u);  // refusing removes nothing

    counts = CleanDatabase(db, progress, prompter, [](const Strings&) { return true; });
    EXPECT_EQ(counts.removed, 1);
    EXPECT_EQ(prompter.texts.back(), "Removed 1 of 1 files");
    EXPECT_EQ(progress.texts.back(), "Removing file 1 of 1");
    EXPECT_EQ(db.RecordCount(), 3u);
    EXPECT_EQ(StoredPath(db, "k2"), "");
}

}  // namespace
}  // namespace pix
