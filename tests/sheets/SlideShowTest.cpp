#include "sheets/SlideShow.h"

#include <gtest/gtest.h>

#include <set>

#include "SheetTestSupport.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {
namespace {

ThumbnailSheet SheetOf(std::initializer_list<const char*> files)
{
    ThumbnailSheet sheet;
    test::FakeMaker maker;
    for (const char* file : files)
        EXPECT_TRUE(sheet.AddFile(file, sheet.Count(), maker));
    return sheet;
}

using Files = std::vector<std::string>;

// Stepping wraps round the sheet; the decoder is asked for the next slide
// only once the one asked for has arrived, and keeps the one left. A tick
// while a slide decodes waits for it.
TEST(SlideShow, StepsWrapTheDecoderLooksAheadOnceTheSlideArrivedAndTicksWait)
{
    const ThumbnailSheet sheet = SheetOf({"/a", "/b", "/c"});
    SlideShow show(sheet, 1);
    ASSERT_TRUE(show.Ask(-1));
    EXPECT_EQ(show.Wanted(true), Files{"/c"});
    EXPECT_EQ(show.Tick(), -1);
    EXPECT_TRUE(show.Arrived());  // the waiting tick: the slide's time starts
    EXPECT_EQ(show.Shown(), 2);
    EXPECT_EQ(show.Wanted(true), (Files{"/c", "/a", "/c"}));
    EXPECT_EQ(show.Wanted(false), (Files{"/c", "/c"}));
    ASSERT_TRUE(show.Ask(show.Tick()));
    EXPECT_EQ(show.Index(), 0);
    EXPECT_EQ(show.Shown(), 2);  // until it arrives
    EXPECT_FALSE(show.Arrived());
    EXPECT_EQ(show.Wanted(true), (Files{"/a", "/b", "/a", "/c"}));
    const ThumbnailSheet empty;
    EXPECT_FALSE(SlideShow(empty, 1).Ask(0));
}

// In random order the next slide is drawn when one arrives, from every
// position of the sheet.
TEST(SlideShow, RandomOrderDrawsEveryPosition)
{
    const ThumbnailSheet sheet = SheetOf({"/a", "/b", "/c", "/d"});
    SlideShow show(sheet, 7);
    show.SetRandom(true);
    std::set<int> drawn;
    for (int i = 0; i < 200; ++i) {
        show.Ask(show.NextIndex());
        show.Arrived();
        drawn.insert(show.NextIndex());
    }
    EXPECT_EQ(drawn, (std::set<int>{0, 1, 2, 3}));
}

// Changes from other views keep the show on its file where they can.
TEST(SlideShow, ChangesOfTheSheetKeepTheShowOnItsFile)
{
    using Follow = SlideShow::Follow;
    struct Case {
        SheetChange kind;
        int position;
        Follow follow;
        int index;
        int shown;
    } cases[] = {
        {SheetChange::ItemRemoved, 0, Follow::Stay, 1, 1},
        {SheetChange::ItemRemoved, 2, Follow::AskIndex, 2, 2},
        {SheetChange::ItemRemoved, 3, Follow::Stay, 2, 2},
        {SheetChange::ItemInserted, 2, Follow::Stay, 3, 3},
        {SheetChange::SelectionChanged, 1, Follow::AskIndex, 1, 2},
        {SheetChange::SelectionChanged, 9, Follow::Stay, 2, 2},
        {SheetChange::ItemChanged, 2, Follow::AskIndex, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.kind) << " at " << c.position);
        const ThumbnailSheet sheet = SheetOf({"/a", "/b", "/c", "/d"});
        SlideShow show(sheet, 1);
        show.Ask(2);
        show.Arrived();
        EXPECT_EQ(show.Changed(c.kind, c.position), c.follow);
        EXPECT_EQ(show.Index(), c.index);
        EXPECT_EQ(show.Shown(), c.shown);
    }
    // The last item gone: nothing to show.
    const ThumbnailSheet none;
    SlideShow show(none, 1);
    EXPECT_EQ(show.Changed(SheetChange::ItemRemoved, 0), Follow::ShowNothing);
}

}  // namespace
}  // namespace pix
