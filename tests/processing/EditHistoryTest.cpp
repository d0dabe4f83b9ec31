#include "processing/EditHistory.h"

#include <gtest/gtest.h>

#include "ProcessingTestSupport.h"

namespace pix {
namespace {

// Pictures of 4 × 1 pixels hold 12 bytes each.
CImageBuffer Step(uint8_t shade) { return test::SolidPicture(4, 1, shade, shade, shade); }
uint8_t Shade(const CImageBuffer& picture)
{
    uint8_t r, g, b;
    picture.GetPixel(0, 0, r, g, b);
    return r;
}

// Only what the budget holds is kept: the oldest steps go first, and a
// picture larger than the budget ends the history, since a step past it
// would skip an edit.
TEST(EditHistory, TheBudgetDropsTheOldestStepsFirst)
{
    const struct {
        size_t budget;
        std::vector<uint8_t> recorded;
        std::vector<uint8_t> reachable;  // nearest first
    } rows[] = {
        {36, {1, 2, 3}, {3, 2, 1}},
        {30, {1, 2, 3}, {3, 2}},
        {11, {1, 2, 3}, {}},
    };
    for (const auto& row : rows) {
        EditHistory history(row.budget);
        for (uint8_t shade : row.recorded)
            history.Record(Step(shade));
        EXPECT_LE(history.BytesHeld(), row.budget);
        CImageBuffer current = Step(9);
        std::vector<uint8_t> reached;
        while (history.StepBack(current))
            reached.push_back(Shade(current));
        EXPECT_EQ(reached, row.reachable) << row.budget;
    }
}

// The saved picture is found again by stepping to it, and lost when an
// edit replaces the steps forward that led to it.
TEST(EditHistory, StepsFindTheSavedPictureUntilAnEditLosesIt)
{
    EditHistory history(1000);
    CImageBuffer current = Step(2);
    history.Record(Step(0));
    history.Record(Step(1));
    history.MarkSaved();
    history.StepBack(current);
    history.StepForward(current);
    EXPECT_TRUE(history.AtSaved());
    history.StepBack(current);
    history.Record(Step(5));  // the saved picture was a step forward
    EXPECT_FALSE(history.AtSaved());
}

}  // namespace
}  // namespace pix
