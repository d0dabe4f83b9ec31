#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/Progress.h"
#include "SheetTestSupport.h"

namespace pix {
namespace {

using test::FakeMaker;
using test::Join;
using test::ListOf;
using test::RecordOf;
using Strings = std::vector<std::string>;
using Order = std::vector<uint32_t>;

// Answers false at one step only; the sheet must keep treating the rest
// as cancelled.
struct CancelOnce final : Progress {
    explicit CancelOnce(int at) : at(at) {}
    int at;
    std::pair<int, int> range{-1, -1};
    Strings texts;
    void SetRange(int lower, int upper) override { range = {lower, upper}; }
    bool Step(std::string_view text, int position) override
    {
        texts.emplace_back(text);
        return position != at;
    }
    bool Pump() override { return true; }
};

ThumbnailSheet SheetOf(const Strings& paths, uint32_t side, FakeMaker& maker)
{
    ThumbnailSheet sheet;
    NullProgress progress;
    EXPECT_TRUE(sheet.FillFromFiles(paths, side, maker, progress));
    return sheet;
}

// Which maker call drew each item's picture (its red channel).
std::vector<int> DrawnBy(const ThumbnailSheet& sheet)
{
    std::vector<int> calls;
    for (size_t item = 0; item < sheet.Thumbnails().Count(); ++item)
        calls.push_back(sheet.Thumbnails().Picture(item)[3] / 40);
    return calls;
}

TEST(ThumbnailSheet, EmptySheetBytesAndReadingThemBack)
{
    const auto bytes = ThumbnailSheet().ToBytes();
    // The version list {"01"}, no files, no labels, an order of no entries.
    const std::vector<uint8_t> lists{0x01, 0x00, 0x02, 0x30, 0x31, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(bytes, Join({lists, RecordOf(CThumbnailSettings()), ListOf(ThumbnailList(80, 80, 0))}));
    FakeMaker maker;
    ThumbnailSheet back = SheetOf({"/a.jpg"}, 4, maker);
    ASSERT_TRUE(back.FromBytes(bytes));
    EXPECT_EQ(back.ToBytes(), bytes);
}

TEST(ThumbnailSheet, SavedReopenedAndSavedAgainGivesTheSameBytes)
{
    test::TempDir dir;
    FakeMaker maker;
    ThumbnailSheet sheet = SheetOf({"/p/one.jpg", "/p/two.png", "C:\\old\\three.bmp", "/p/four.gif", "/p/five.tif"},
                                   6, maker);
    ASSERT_TRUE(sheet.SetOrder({4, 2, 0, 1, 3}));
    sheet.SetLabel(1, "second \xC3\xA9" + std::string(300, 'L'));  // a length of two bytes
    sheet.Settings().label = "[FileName] [Width]";
    sheet.Settings().tmbSiz = 120;

    auto state = [](const ThumbnailSheet& s) {
        return std::tuple(s.Files(), s.Labels(), s.Order(), s.Thumbnails().Count(), s.Thumbnails().Room());
    };
    const std::string first = dir.File("sheet.pxc");
    ASSERT_TRUE(sheet.Save(first));
    ThumbnailSheet reopened;
    ASSERT_TRUE(reopened.Load(first));
    EXPECT_EQ(state(reopened), state(sheet));
    EXPECT_EQ(reopened.Settings(), sheet.Settings());
    const std::string second = dir.File("again.pxc");
    ASSERT_TRUE(reopened.Save(second));
    EXPECT_EQ(test::ReadAll(second), test::ReadAll(first));
    EXPECT_FALSE(reopened.Load(dir.File("missing.pxc")));
    EXPECT_EQ(reopened.Order(), sheet.Order());
}

// A stored sheet from its version list (none for the oldest layout), paths,
// what the version adds, and the format record and picture list.
std::vector<uint8_t> StoredSheet(const Strings& version, const Strings& paths, const std::vector<uint8_t>& added,
                                 const ThumbnailList& pictures)
{
    ArchiveWriter w;
    if (!version.empty())
        w.StringList(version);
    w.StringList(paths);
    return Join({w.Bytes(), added, RecordOf(CThumbnailSettings()), ListOf(pictures)});
}

TEST(ThumbnailSheet, OldLayoutGetsLabelsAndOrderFromThePaths)
{
    ThumbnailList list(4, 4, 2);
    ASSERT_TRUE(list.Append(list.BlankPicture()));
    ASSERT_TRUE(list.Append(list.BlankPicture()));
    for (const Strings& version : {Strings{}, Strings{"00"}}) {
        ThumbnailSheet sheet;
        ASSERT_TRUE(sheet.FromBytes(StoredSheet(version, {"C:\\a\\x.jpg", "C:\\y.bmp"}, {}, list))) << version.size();
        EXPECT_EQ(std::tuple(sheet.Files(), sheet.Labels(), sheet.Order()),
                  std::tuple(Strings{"C:\\a\\x.jpg", "C:\\y.bmp"}, Strings{"x.jpg", "y.bmp"}, Order{0, 1}));
    }
    // The old layout must still have one picture per path.
    ThumbnailSheet sheet;
    EXPECT_FALSE(sheet.FromBytes(StoredSheet({}, {"C:\\a\\x.jpg", "C:\\y.bmp", "C:\\z.gif"}, {}, list)));
    EXPECT_EQ(sheet.Count(), 0u);
}

TEST(ThumbnailSheet, FileNamesAreTakenAfterEitherSeparator)
{
    for (auto [path, name] : {std::pair{"/mixed\\dir/q.tif", "q.tif"}, {"/shared/a\\b.gif", "b.gif"},
                              {"plain.bmp", "plain.bmp"}, {"folder/", ""}})
        EXPECT_EQ(ThumbnailSheet::FileNameOf(path), name) << path;
}

TEST(ThumbnailSheet, RemoveAtRemovesTheItemShownThereAndRenumbers)
{
    FakeMaker maker;
    ThumbnailSheet sheet = SheetOf({"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"}, 2, maker);
    ASSERT_TRUE(sheet.SetOrder({2, 0, 1}));
    sheet.RemoveAt(0);
    EXPECT_EQ(std::tuple(sheet.Order(), sheet.Files(), sheet.Labels(), DrawnBy(sheet), sheet.Thumbnails().Room()),
              std::tuple(Order{0, 1}, Strings{"/d/a.jpg", "/d/b.jpg"}, Strings{"a.jpg", "b.jpg"}, std::vector{1, 2},
                         3u));
    // A middle item: the one behind it moves down.
    ThumbnailSheet other = SheetOf({"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"}, 2, maker);
    ASSERT_TRUE(other.SetOrder({1, 2, 0}));
    other.RemoveAt(0);
    EXPECT_EQ(std::tuple(other.Order(), other.Files(), DrawnBy(other)),
              std::tuple(Order{1, 0}, Strings{"/d/a.jpg", "/d/c.jpg"}, std::vector{4, 6}));
}

TEST(ThumbnailSheet, AddFileAppendsTheItemAndShowsItAtThePosition)
{
    FakeMaker maker;
    ThumbnailSheet sheet = SheetOf({"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"}, 5, maker);
    ASSERT_TRUE(sheet.SetOrder({1, 2, 0}));
    ASSERT_TRUE(sheet.AddFile("/e/new.png", 0, maker));
    EXPECT_EQ(sheet.Order(), (Order{3, 1, 2, 0}));
    EXPECT_EQ(sheet.Files()[3], "/e/new.png");
    EXPECT_EQ(sheet.Labels()[3], "new.png");
    ASSERT_EQ(maker.calls.size(), 4u);
    EXPECT_EQ(maker.calls[3], FakeMaker::Call("/e/new.png", 5, 5, true));
    EXPECT_EQ(DrawnBy(sheet)[3], 4);
    EXPECT_EQ(sheet.Thumbnails().Room(), 9u);  // made for 3 (room 4), then grown by 4 + 1

    // Beyond the end means at the end. A picture of the wrong size is
    // replaced by a transparent one.
    maker.wrongSize = true;
    ASSERT_TRUE(sheet.AddFile("/e/last.png", 99, maker));
    EXPECT_EQ(sheet.Order().back(), 4u);
    const auto last = sheet.Thumbnails().Picture(4);
    EXPECT_EQ(std::vector<uint8_t>(last.begin(), last.end()), sheet.Thumbnails().BlankPicture());
}

TEST(ThumbnailSheet, LabelsComeFromTheExpanderByPosition)
{
    FakeMaker maker;
    ThumbnailSheet sheet = SheetOf({"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"}, 2, maker);
    ASSERT_TRUE(sheet.SetOrder({2, 0, 1}));
    std::vector<size_t> labelsWhenCalled;
    sheet.SetLabelExpander([&](const ThumbnailSheet& s, size_t position) {
        labelsWhenCalled.push_back(s.Labels().size());
        return "P" + std::to_string(position) + ":" + ThumbnailSheet::FileNameOf(s.Files()[s.ItemAt(position)]);
    });
    sheet.GenerateLabels();
    EXPECT_EQ(sheet.Labels(), (Strings{"P1:a.jpg", "P2:b.jpg", "P0:c.jpg"}));

    // While a file is added its item has no label yet.
    labelsWhenCalled.clear();
    ASSERT_TRUE(sheet.AddFile("/d/n.jpg", 1, maker));
    EXPECT_EQ(labelsWhenCalled, (std::vector<size_t>{3}));
    EXPECT_EQ(sheet.Labels()[3], "P1:n.jpg");
}

TEST(ThumbnailSheet, FillingFromFilesSkipsReadingAfterACancel)
{
    FakeMaker maker;
    CancelOnce progress(1);
    ThumbnailSheet sheet;
    const Strings paths{"/d/a.jpg", "C:\\d\\b.jpg", "/d/c.jpg", "/d/d.jpg"};
    ASSERT_TRUE(sheet.FillFromFiles(paths, 7, maker, progress));
    EXPECT_EQ(std::tuple(sheet.Files(), sheet.Labels(), sheet.Order()),
              std::tuple(paths, Strings{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}, Order{0, 1, 2, 3}));
    EXPECT_EQ(progress.range, std::pair(0, 4));
    EXPECT_EQ(progress.texts, (Strings{"Loading /d/a.jpg", "Loading C:\\d\\b.jpg", "Loading /d/c.jpg",
                                       "Loading /d/d.jpg"}));
    EXPECT_EQ(maker.Loads(), (std::vector<bool>{true, false, false, false}));
    const ThumbnailList& list = sheet.Thumbnails();
    EXPECT_EQ(std::tuple(list.Count(), list.Room(), list.Cx()), std::tuple(4u, 5u, 7u));

    // No files: an empty sheet with pictures of the given size.
    CancelOnce untouched(0);
    ASSERT_TRUE(sheet.FillFromFiles({}, 50, maker, untouched));
    EXPECT_EQ(std::pair(sheet.Count(), sheet.Thumbnails().Cx()), std::pair(size_t{0}, 50u));
    EXPECT_TRUE(untouched.texts.empty());
}

}  // namespace
}  // namespace pix
