#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Progress.h"
#include "SheetTestSupport.h"

namespace pix {
namespace {

// Makes pictures whose red channel tells the calls apart (40 × call number).
class FakeMaker final : public ThumbnailMaker {
public:
    struct Call {
        std::string path;
        uint32_t cx;
        uint32_t cy;
        bool load;
    };
    std::vector<Call> calls;
    bool wrongSize = false;

    std::vector<uint8_t> MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load) override
    {
        calls.push_back({path, cx, cy, load});
        if (wrongSize)
            return std::vector<uint8_t>(5);
        std::vector<uint8_t> p(size_t{3} * cx * cy, 90);
        for (size_t i = 0; i < p.size(); i += 3)
            p[i] = static_cast<uint8_t>(40 * calls.size());
        return p;
    }
};

// Answers false at one step only; the sheet must keep treating the rest
// as cancelled.
class CancelOnce final : public Progress {
public:
    explicit CancelOnce(int at) : at_(at) {}
    std::vector<std::string> texts;
    int lower = -1;
    int upper = -1;
    void SetRange(int l, int u) override
    {
        lower = l;
        upper = u;
    }
    bool Step(std::string_view text, int position) override
    {
        texts.emplace_back(text);
        return position != at_;
    }
    bool Pump() override { return true; }

private:
    int at_;
};

ThumbnailSheet SheetOf(const std::vector<std::string>& paths, uint32_t side, FakeMaker& maker)
{
    ThumbnailSheet sheet;
    NullProgress progress;
    EXPECT_TRUE(sheet.FillFromFiles(paths, side, maker, progress));
    return sheet;
}

using test::ListOf;
using test::RecordOf;

// The red channel of a picture: which maker call drew it.
int DrawnBy(const ThumbnailSheet& sheet, size_t item) { return sheet.Thumbnails().Picture(item)[3] / 40; }

TEST(ThumbnailSheet, EmptySheetBytes)
{
    const ThumbnailSheet sheet;
    const auto bytes = sheet.ToBytes();
    std::vector<uint8_t> expected{0x01, 0x00, 0x02, 0x30, 0x31, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    const auto record = RecordOf(CThumbnailSettings());
    expected.insert(expected.end(), record.begin(), record.end());
    const auto list = ListOf(ThumbnailList(80, 80, 0));
    expected.insert(expected.end(), list.begin(), list.end());
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes[13], 0xFC);

    ThumbnailSheet back;
    FakeMaker maker;
    back = SheetOf({"/a.jpg"}, 4, maker);
    ASSERT_TRUE(back.FromBytes(bytes));
    EXPECT_EQ(back.Count(), 0u);
    EXPECT_EQ(back.Thumbnails().Cx(), 80u);
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

    const std::string first = dir.File("sheet.pxc");
    ASSERT_TRUE(sheet.Save(first));
    ThumbnailSheet reopened;
    ASSERT_TRUE(reopened.Load(first));
    EXPECT_EQ(reopened.Files(), sheet.Files());
    EXPECT_EQ(reopened.Labels(), sheet.Labels());
    EXPECT_EQ(reopened.Order(), sheet.Order());
    EXPECT_EQ(reopened.Settings(), sheet.Settings());
    EXPECT_EQ(reopened.Thumbnails().Count(), 5u);
    EXPECT_EQ(reopened.Thumbnails().Room(), 6u);
    const std::string second = dir.File("again.pxc");
    ASSERT_TRUE(reopened.Save(second));
    EXPECT_EQ(test::ReadAll(second), test::ReadAll(first));
    EXPECT_FALSE(reopened.Load(dir.File("missing.pxc")));
    EXPECT_EQ(reopened.Order(), sheet.Order());
}

TEST(ThumbnailSheet, OldLayoutGetsLabelsAndOrderFromThePaths)
{
    ThumbnailList list(4, 4, 2);
    ASSERT_TRUE(list.Append(list.BlankPicture()));
    ASSERT_TRUE(list.Append(list.BlankPicture()));
    const auto record = RecordOf(CThumbnailSettings());
    const auto block = ListOf(list);
    for (bool versionZero : {false, true}) {
        ArchiveWriter w;
        if (versionZero)
            w.StringList({"00"});
        w.StringList({"C:\\a\\x.jpg", "C:\\y.bmp"});
        w.Raw(record.data(), record.size());
        w.Raw(block.data(), block.size());
        ThumbnailSheet sheet;
        ASSERT_TRUE(sheet.FromBytes(w.Bytes())) << versionZero;
        EXPECT_EQ(sheet.Files(), (std::vector<std::string>{"C:\\a\\x.jpg", "C:\\y.bmp"}));
        EXPECT_EQ(sheet.Labels(), (std::vector<std::string>{"x.jpg", "y.bmp"}));
        EXPECT_EQ(sheet.Order(), (std::vector<uint32_t>{0, 1}));
        // Saved again in the current layout.
        const auto saved = sheet.ToBytes();
        EXPECT_EQ(std::vector<uint8_t>(saved.begin(), saved.begin() + 5),
                  (std::vector<uint8_t>{0x01, 0x00, 0x02, 0x30, 0x31}));
    }

    // The old layout must still have one picture per path.
    ArchiveWriter three;
    three.StringList({"C:\\a\\x.jpg", "C:\\y.bmp", "C:\\z.gif"});
    three.Raw(record.data(), record.size());
    three.Raw(block.data(), block.size());
    ThumbnailSheet sheet;
    EXPECT_FALSE(sheet.FromBytes(three.Bytes()));
    EXPECT_EQ(sheet.Count(), 0u);
}

TEST(ThumbnailSheet, FileNamesAreTakenAfterEitherSeparator)
{
    EXPECT_EQ(ThumbnailSheet::FileNameOf("C:\\a\\x.jpg"), "x.jpg");
    EXPECT_EQ(ThumbnailSheet::FileNameOf("/home/u/p.png"), "p.png");
    EXPECT_EQ(ThumbnailSheet::FileNameOf("/mixed\\dir/q.tif"), "q.tif");
    EXPECT_EQ(ThumbnailSheet::FileNameOf("/shared/a\\b.gif"), "b.gif");
    EXPECT_EQ(ThumbnailSheet::FileNameOf("plain.bmp"), "plain.bmp");
    EXPECT_EQ(ThumbnailSheet::FileNameOf("folder/"), "");
}

TEST(ThumbnailSheet, RemoveAtRemovesTheItemShownThereAndRenumbers)
{
    FakeMaker maker;
    ThumbnailSheet sheet = SheetOf({"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"}, 2, maker);
    ASSERT_TRUE(sheet.SetOrder({2, 0, 1}));
    sheet.RemoveAt(0);
    EXPECT_EQ(sheet.Order(), (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(sheet.Files(), (std::vector<std::string>{"/d/a.jpg", "/d/b.jpg"}));
    EXPECT_EQ(sheet.Labels(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    ASSERT_EQ(sheet.Thumbnails().Count(), 2u);
    EXPECT_EQ(DrawnBy(sheet, 0), 1);
    EXPECT_EQ(DrawnBy(sheet, 1), 2);
    EXPECT_EQ(sheet.Thumbnails().Room(), 3u);

    // A middle item: the one behind it moves down.
    ThumbnailSheet other = SheetOf({"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"}, 2, maker);
    ASSERT_TRUE(other.SetOrder({1, 2, 0}));
    other.RemoveAt(0);
    EXPECT_EQ(other.Order(), (std::vector<uint32_t>{1, 0}));
    EXPECT_EQ(other.Files(), (std::vector<std::string>{"/d/a.jpg", "/d/c.jpg"}));
    EXPECT_EQ(DrawnBy(other, 1), 6);
}

TEST(ThumbnailSheet, AddFileAppendsTheItemAndShowsItAtThePosition)
{
    FakeMaker maker;
    ThumbnailSheet sheet = SheetOf({"/d/a.jpg", "/d/b.jpg", "/d/c.jpg"}, 5, maker);
    ASSERT_TRUE(sheet.SetOrder({1, 2, 0}));
    ASSERT_TRUE(sheet.AddFile("/e/new.png", 0, maker));
    EXPECT_EQ(sheet.Order(), (std::vector<uint32_t>{3, 1, 2, 0}));
    EXPECT_EQ(sheet.Files()[3], "/e/new.png");
    EXPECT_EQ(sheet.Labels()[3], "new.png");
    ASSERT_EQ(maker.calls.size(), 4u);
    EXPECT_EQ(maker.calls[3].path, "/e/new.png");
    EXPECT_EQ(maker.calls[3].cx, 5u);
    EXPECT_EQ(maker.calls[3].cy, 5u);
    EXPECT_TRUE(maker.calls[3].load);
    EXPECT_EQ(DrawnBy(sheet, 3), 4);
    EXPECT_EQ(sheet.Thumbnails().Room(), 9u);  // made for 3 (room 4), then grown by 4 + 1

    // Beyond the end means at the end. A picture of the wrong size is
    // replaced by a transparent one.
    maker.wrongSize = true;
    ASSERT_TRUE(sheet.AddFile("/e/last.png", 99, maker));
    EXPECT_EQ(sheet.Order().back(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(sheet.Thumbnails().Picture(4).begin(), sheet.Thumbnails().Picture(4).end()),
              sheet.Thumbnails().BlankPicture());
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
    EXPECT_EQ(sheet.Labels(), (std::vector<std::string>{"P1:a.jpg", "P2:b.jpg", "P0:c.jpg"}));

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
    const std::vector<std::string> paths{"/d/a.jpg", "C:\\d\\b.jpg", "/d/c.jpg", "/d/d.jpg"};
    ASSERT_TRUE(sheet.FillFromFiles(paths, 7, maker, progress));
    EXPECT_EQ(sheet.Files(), paths);
    EXPECT_EQ(sheet.Labels(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    EXPECT_EQ(sheet.Order(), (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(progress.lower, 0);
    EXPECT_EQ(progress.upper, 4);
    EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading /d/a.jpg", "Loading C:\\d\\b.jpg",
                                                        "Loading /d/c.jpg", "Loading /d/d.jpg"}));
    ASSERT_EQ(maker.calls.size(), 4u);
    EXPECT_TRUE(maker.calls[0].load);
    EXPECT_FALSE(maker.calls[1].load);
    EXPECT_FALSE(maker.calls[2].load);
    EXPECT_FALSE(maker.calls[3].load);
    EXPECT_EQ(sheet.Thumbnails().Count(), 4u);
    EXPECT_EQ(sheet.Thumbnails().Room(), 5u);
    EXPECT_EQ(sheet.Thumbnails().Cx(), 7u);

    // No files: an empty sheet with pictures of the given size.
    CancelOnce untouched(0);
    ASSERT_TRUE(sheet.FillFromFiles({}, 50, maker, untouched));
    EXPECT_EQ(sheet.Count(), 0u);
    EXPECT_EQ(sheet.Thumbnails().Cx(), 50u);
    EXPECT_TRUE(untouched.texts.empty());
}

TEST(ThumbnailSheet, DamagedFilesAreRefusedWhole)
{
    FakeMaker maker;
    const ThumbnailSheet small = SheetOf({"/p/a.jpg", "/p/b.jpg"}, 2, maker);
    const auto good = small.ToBytes();
    ThumbnailSheet target = SheetOf({"/q/keep.png"}, 3, maker);
    const auto before = target.ToBytes();
    for (size_t n = 0; n < good.size(); ++n) {
        ASSERT_FALSE(target.FromBytes(std::span(good).first(n))) << n;
        ASSERT_EQ(target.ToBytes(), before) << n;
    }

    const auto record = RecordOf(CThumbnailSettings());
    const auto block = ListOf(small.Thumbnails());
    struct Case {
        std::vector<std::string> labels;
        std::vector<uint32_t> order;
        const char* what;
    };
    const Case cases[] = {
        {{"a", "b"}, {1, 1}, "order repeats an item"},
        {{"a", "b"}, {0, 2}, "order names a missing item"},
        {{"a", "b"}, {0, 1, 2}, "order longer than the items"},
        {{"a"}, {0, 1}, "fewer labels than paths"},
    };
    for (const auto& c : cases) {
        ArchiveWriter w;
        w.StringList({"01"});
        w.StringList({"/p/a.jpg", "/p/b.jpg"});
        w.StringList(c.labels);
        w.U32(static_cast<uint32_t>(c.order.size()));
        for (uint32_t v : c.order)
            w.U32(v);
        w.Raw(record.data(), record.size());
        w.Raw(block.data(), block.size());
        EXPECT_FALSE(target.FromBytes(w.Bytes())) << c.what;
        EXPECT_EQ(target.ToBytes(), before) << c.what;
    }
    // A picture count that differs from the item count.
    const ThumbnailSheet three = SheetOf({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"}, 2, maker);
    auto mixed = good;
    const auto otherBlock = ListOf(three.Thumbnails());
    mixed.resize(good.size() - block.size());
    mixed.insert(mixed.end(), otherBlock.begin(), otherBlock.end());
    EXPECT_FALSE(target.FromBytes(mixed));
    EXPECT_TRUE(target.FromBytes(good));
}

}  // namespace
}  // namespace pix
