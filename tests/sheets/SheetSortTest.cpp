#include "sheets/SheetSort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <tuple>
#include <fstream>
#include <memory>
#include <numeric>

#include "sheets/SheetTestSupport.h"
#include "support/ImageTestSupport.h"
#include "support/PhotoExif.h"

namespace pix::test {
namespace {

// Byte order of the sheet's texts under key.
ItemCompare Plain(const ThumbnailSheet& sheet, SortKey key)
{
    auto texts = std::make_shared<std::vector<std::string>>(TextSortKeys(sheet, key));
    return [texts](uint32_t a, uint32_t b) { return (*texts)[a].compare((*texts)[b]); };
}

std::vector<std::string> PathsInOrder(const ThumbnailSheet& sheet, const std::vector<uint32_t>& order)
{
    std::vector<std::string> out;
    for (uint32_t item : order)
        out.push_back(ThumbnailSheet::FileNameOf(sheet.Files()[item]));
    return out;
}

// Files of the given sizes (a negative size: no file), in that item order.
ThumbnailSheet SheetOfSizes(const TempDir& dir, const std::vector<std::pair<std::string, int>>& files)
{
    ThumbnailSheet sheet;
    FakeMaker maker;
    for (const auto& [name, size] : files) {
        if (size >= 0)
            std::ofstream(dir.File(name)) << std::string(static_cast<size_t>(size), 'x');
        EXPECT_TRUE(sheet.AddFile(dir.File(name), sheet.Count(), maker));
    }
    return sheet;
}

TEST(SheetSort, SizesPutUnreadableFilesLastAndKeepEqualKeysInOrder)
{
    TempDir dir;
    const ThumbnailSheet sheet =
        SheetOfSizes(dir, {{"gone1", -1}, {"b", 30}, {"a", 10}, {"gone2", -1}, {"c", 30}, {"d", 20}});
    struct Case {
        bool ascending;
        std::vector<std::string> expected;
    };
    for (const Case& c : {Case{true, {"a", "d", "b", "c", "gone1", "gone2"}},
                          Case{false, {"b", "c", "d", "a", "gone1", "gone2"}}})
        EXPECT_EQ(PathsInOrder(sheet, SortedOrder(sheet, SortKey::Size, c.ascending, {})), c.expected)
            << c.ascending;
}

TEST(SheetSort, PhotosByDateTakenThenTheOthersByModificationDate)
{
    TempDir dir;
    // name, date taken ("" for none), modification time (seconds back)
    const std::tuple<std::string, std::string, int> files[] = {{"a.jpg", "2021:06:05 14:30:00", 10},
                                                               {"c.jpg", "", 300},
                                                               {"b.jpg", "2019:01:01 08:00:00", 20},
                                                               {"e.jpg", "", 100},
                                                               {"d.jpg", "2020:12:31 23:59:59", 30}};
    ThumbnailSheet sheet;
    FakeMaker maker;
    const auto now = std::filesystem::file_time_type::clock::now();
    for (const auto& [name, taken, age] : files) {
        WriteSolidPicture(dir.File(name), 4, 4, 1, 2, 3);
        if (!taken.empty()) {
            ASSERT_TRUE(WriteExif(dir.File(name), {{"Exif.Photo.DateTimeOriginal", taken}}));
        }
        std::filesystem::last_write_time(dir.File(name), now - std::chrono::seconds(age));
        ASSERT_TRUE(sheet.AddFile(dir.File(name), sheet.Count(), maker));
    }
    EXPECT_EQ(PathsInOrder(sheet, SortedOrder(sheet, SortKey::Taken, true, {})),
              (std::vector<std::string>{"b.jpg", "d.jpg", "a.jpg", "c.jpg", "e.jpg"}));
    EXPECT_EQ(PathsInOrder(sheet, SortedOrder(sheet, SortKey::Taken, false, {})),
              (std::vector<std::string>{"a.jpg", "d.jpg", "b.jpg", "e.jpg", "c.jpg"}));
}

TEST(SheetSort, TextKeysUseTheGivenComparisonAndStartFromTheDisplayOrder)
{
    TempDir dir;
    ThumbnailSheet sheet = SheetOfSizes(dir, {{"x/b2", 1}, {"a3", 1}, {"b1", 1}});
    ASSERT_TRUE(sheet.SetOrder({2, 0, 1}));
    sheet.SetLabel(0, "same");
    sheet.SetLabel(1, "first");
    sheet.SetLabel(2, "same");
    struct Case {
        SortKey key;
        bool ascending;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases{
        {SortKey::FileName, true, {"a3", "b1", "b2"}},
        {SortKey::FileName, false, {"b2", "b1", "a3"}},
        {SortKey::Path, true, {"a3", "b1", "b2"}},  // the folder "x" sorts after the files
        {SortKey::Label, true, {"a3", "b1", "b2"}},  // equal labels keep the display order
        {SortKey::Label, false, {"b1", "b2", "a3"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathsInOrder(sheet, SortedOrder(sheet, c.key, c.ascending, Plain(sheet, c.key))), c.expected)
            << static_cast<int>(c.key) << c.ascending;
}

TEST(SheetSort, ALargeSheetSortsBySizeAcrossTheSharesOfItsStatusQueries)
{
    TempDir dir;
    std::vector<std::pair<std::string, int>> files;
    for (int i = 0; i < 4099; ++i)
        files.emplace_back("f" + std::to_string(i), i % 3 == 0 ? -1 : (i * 7919) % 101);
    // Readable files by size, equal sizes in item order; then the others in
    // item order.
    auto key = [&](uint32_t item) { return files[item].second < 0 ? 1000 : files[item].second; };
    std::vector<uint32_t> expected(files.size());
    std::iota(expected.begin(), expected.end(), 0u);
    std::stable_sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) { return key(a) < key(b); });
    EXPECT_EQ(SortedOrder(SheetOfSizes(dir, files), SortKey::Size, true, {}), expected);
}

}  // namespace
}  // namespace pix::test
