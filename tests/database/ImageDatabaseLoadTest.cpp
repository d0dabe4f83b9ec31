#include <gtest/gtest.h>

#include "database/ImageDatabase.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

// A file of many megabytes, with a string of several, is saved in pieces;
// loading it gives back the pages it has read as it goes, and its arrays
// outgrow the heap into mapped blocks: the records and the queries on them
// come out as they went in.
TEST(DatabaseFile, LargeFilesSaveAndLoadWhole)
{
    test::TempDir dir;
    CImageDatabase db;
    db.Append({"template", std::string(size_t{3} << 20, 'x')});
    for (int i = 0; i < 200000; ++i)
        db.Append({"key" + std::to_string(i % 7000), "path", "/photos/" + std::to_string(i) + ".jpg"});
    ASSERT_TRUE(db.Save(dir.File("large.db")));
    CImageDatabase loaded;
    ASSERT_TRUE(loaded.Load(dir.File("large.db")));
    EXPECT_EQ(loaded.Records(), db.Records());
    EXPECT_EQ(loaded.Serialize(), db.Serialize());
    std::vector<std::string> paths;
    for (int i = 6999; i < 200000; i += 7000)
        paths.push_back("/photos/" + std::to_string(i) + ".jpg");
    EXPECT_EQ(DistinctValues(loaded, {"key6999", "path"}, "", false, 0), paths);
}

}  // namespace
}  // namespace pix
