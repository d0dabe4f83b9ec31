#include <gtest/gtest.h>

#include "common/SettingsStore.h"
#include "SheetTestSupport.h"
#include "sheets/NewSheet.h"

namespace pix {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;

TEST(NewSheet, MemoryRuleChoosesThePictureSize)
{
    test::RecordingPrompter prompter;
    EXPECT_EQ(ChooseThumbnailSide(100 * kMiB, 10, 80, prompter), 80u);  // side 1581, limit 9090
    EXPECT_TRUE(prompter.texts.empty());

    prompter.script = {Answer::Ok};
    EXPECT_EQ(ChooseThumbnailSide(100 * kMiB, 50000, 80, prompter), 1u);
    EXPECT_EQ(prompter.texts.at(0),
              "Thumbnails will be only 1x1 due to the large number of images.\nProceed anyway?");
    EXPECT_EQ(ChooseThumbnailSide(100 * kMiB, 50000, 80, prompter), 0u);  // answered Cancel

    test::RecordingPrompter low;
    EXPECT_EQ(ChooseThumbnailSide(4 * kMiB - 1, 1, 80, low), 0u);
    EXPECT_EQ(ChooseThumbnailSide(4 * kMiB + 3, 1, 80, low), 0u);
    EXPECT_EQ(low.texts, (std::vector<std::string>{"Not enough Memory",
                                                   "Not enough memory. Maybe you can select fewer files."}));
}

// Filling the sheet, and a cancel while it is filled: the sheet's tests.
TEST(NewSheet, ThePicturesTakeTheStoredSizeAndAnEmptyListIsAnEmptySheet)
{
    MemorySettingsStore store;
    store.SetInt("Thumbnails", "TmbSiz", 16);
    test::FakeMaker maker;
    test::RecordingPrompter prompter;
    test::RecordingProgress progress;
    ThumbnailSheet sheet;
    const std::vector<std::string> files{"/a/1.jpg", "/a/2.jpg", "/a/3.jpg", "/a/4.jpg", "/a/5.jpg"};
    ASSERT_TRUE(MakeNewSheet(sheet, files, store, 100 * kMiB, maker, progress, prompter));
    EXPECT_EQ(sheet.Count(), 5u);
    EXPECT_EQ(sheet.Thumbnails().Cx(), 16u);

    // An empty list is an empty sheet; no pictures are asked for.
    ThumbnailSheet empty;
    EXPECT_TRUE(MakeNewSheet(empty, {}, store, 0, maker, progress, prompter));
    EXPECT_EQ(empty.Count(), 0u);
}

}  // namespace
}  // namespace pix
