// The "Review duplicates" window driven by keys and clicks: the copy it
// suggests, stepping through groups, the marks it refuses, what Apply
// moves to the trash and the verdicts later searches honour.
#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "reviewui/CDuplicateReviewDlg.h"

namespace pix::test {
namespace {

using Mark = DuplicateReview::Mark;

QString Trashed(const std::string& name)
{
    return qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/files/") + Q(name);
}

struct ReviewWindow {
    RunningApp app;
    TempDir dir;
    std::unique_ptr<CDuplicateReviewDlg> window;
    void Open(const std::vector<std::vector<std::string>>& groups, const std::string& verdicts = "pixadrome.verdicts")
    {
        window = std::make_unique<CDuplicateReviewDlg>(*app.app, groups, dir.File(verdicts));
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void Keys(std::initializer_list<Qt::Key> keys)
    {
        for (Qt::Key key : keys)
            QTest::keyClick(window.get(), key);
    }
};

TEST(DuplicateReview, TheCopyWithMostPixelsIsSelectedAndAllAreDrawnAtOneScale)
{
    const std::vector<std::vector<QSize>> rows = {
        {{400, 300}, {1600, 1200}, {800, 600}},
        {{1200, 1600}, {600, 800}},
        {{900, 300}, {300, 100}, {600, 200}, {450, 150}},
    };
    for (const auto& sizes : rows) {
        ReviewWindow review;
        std::vector<std::string> group;
        size_t largest = 0;
        for (size_t i = 0; i < sizes.size(); ++i) {
            group.push_back(WritePattern(review.dir, "p" + std::to_string(i) + ".bmp",
                                         static_cast<uint32_t>(sizes[i].width()),
                                         static_cast<uint32_t>(sizes[i].height())));
            if (sizes[i].width() > sizes[largest].width())
                largest = i;
        }
        review.Open({group});
        const CDuplicateReviewDlg& window = *review.window;
        EXPECT_EQ(window.Selected(), largest);
        EXPECT_EQ(window.Review().MarkOf(0, largest), Mark::Keep);
        // The largest fills its cell as far as it can; the others keep their
        // size relative to it.
        const QSize big = window.DrawnSize(largest);
        const QSize cell = window.Picture(largest)->size();
        EXPECT_LE(big.width(), cell.width());
        EXPECT_LE(big.height(), cell.height());
        EXPECT_LE(std::min(cell.width() - big.width(), cell.height() - big.height()), 24);
        for (size_t i = 0; i < sizes.size(); ++i)
            EXPECT_NEAR(window.DrawnSize(i).width(), big.width() * sizes[i].width() / sizes[largest].width(), 1)
                << i;
    }
}

TEST(DuplicateReview, KeysStepThroughGroupsAndPicturesAndAClickOpensThePicture)
{
    ReviewWindow review;
    std::vector<std::vector<std::string>> groups;
    for (int g = 0; g < 3; ++g)
        groups.push_back({WritePattern(review.dir, "a" + std::to_string(g) + ".bmp", 40, 30),
                          WritePattern(review.dir, "b" + std::to_string(g) + ".bmp", 40, 30)});
    review.Open(groups);
    CDuplicateReviewDlg& window = *review.window;
    const struct {
        Qt::Key key;
        size_t group, selected;
    } steps[] = {{Qt::Key_PageDown, 1, 0}, {Qt::Key_Right, 1, 1}, {Qt::Key_Right, 1, 1}, {Qt::Key_PageDown, 2, 0},
                 {Qt::Key_PageDown, 2, 0}, {Qt::Key_PageUp, 1, 0},  {Qt::Key_Left, 1, 0}};
    for (const auto& step : steps) {
        QTest::keyClick(&window, step.key);
        EXPECT_EQ(window.CurrentGroup(), step.group) << step.key;
        EXPECT_EQ(window.Selected(), step.selected) << step.key;
    }
    QTest::mouseClick(window.NextButton(), Qt::LeftButton);
    EXPECT_EQ(window.CurrentGroup(), 2u);
    QTest::mouseClick(window.Picture(1), Qt::LeftButton);
    EXPECT_EQ(window.Selected(), 1u);
    ASSERT_EQ(review.app.WindowCount(), 1);
    EXPECT_EQ(review.app.ViewOf(review.app.Main().Children()[0])->Document().PathName(), Q(groups[2][1]));
}

TEST(DuplicateReview, ADeleteMarkIsRefusedOnAGoneOrChangedFileAndOnTheLastCopy)
{
    enum class Then { Nothing, Removed, Changed };
    const struct {
        Then then;
        Mark second;
        const char* says;
    } rows[] = {{Then::Nothing, Mark::Delete, "marked delete: 1"},
                {Then::Removed, Mark::None, "missing"},
                {Then::Changed, Mark::None, "changed"}};
    for (const auto& row : rows) {
        ReviewWindow review;
        const std::string keep = WritePattern(review.dir, "keep.bmp", 60, 40);
        const std::string other = WritePattern(review.dir, "other.bmp", 30, 20);
        review.Open({{keep, other}});
        if (row.then == Then::Removed)
            std::filesystem::remove(other);
        if (row.then == Then::Changed)
            std::ofstream(other, std::ios::app) << "more";
        review.Keys({Qt::Key_Right, Qt::Key_D});
        EXPECT_EQ(review.window->Review().MarkOf(0, 1), row.second);
        EXPECT_TRUE(review.window->StatusText().contains(row.says)) << review.window->StatusText().toStdString();
        // Whatever became of the other, the one copy left cannot go.
        review.Keys({Qt::Key_Left, Qt::Key_D});
        EXPECT_EQ(review.window->Review().MarkOf(0, 0), Mark::Keep);
        EXPECT_TRUE(review.window->StatusText().contains("last copy"));
        // Not duplicates takes the delete marks back.
        review.Keys({Qt::Key_N});
        EXPECT_EQ(review.window->Review().MarkOf(0, 1), Mark::None);
    }
}

TEST(DuplicateReview, ApplyMovesTheMarkedFileToTheTrashAfterOneQuestion)
{
    // A file changed after it was marked is left where it is.
    const struct {
        Qt::Key key;
        Answer answer;
        bool changed;
        std::vector<MsgId> asked;
        bool trashed, closed;
    } rows[] = {{Qt::Key_Return, Answer::Yes, false, {MsgId::ReviewConfirmTrash}, true, true},
                {Qt::Key_Return, Answer::No, false, {MsgId::ReviewConfirmTrash}, false, false},
                {Qt::Key_Escape, Answer::Yes, false, {MsgId::ReviewApplyOnClose}, true, true},
                {Qt::Key_Escape, Answer::No, false, {MsgId::ReviewApplyOnClose}, false, true},
                {Qt::Key_Return, Answer::Yes, true, {MsgId::ReviewConfirmTrash, MsgId::ReviewFileChanged}, false, true}};
    int n = 0;
    for (const auto& row : rows) {
        ReviewWindow review;
        const std::string name = "copy" + std::to_string(n++) + ".bmp";
        const std::string keep = WritePattern(review.dir, "keep.bmp", 60, 40);
        const std::string copy = WritePattern(review.dir, name, 30, 20);
        const std::string third = WritePattern(review.dir, "third.bmp", 30, 20);
        review.Open({{keep, copy, third}});
        review.Keys({Qt::Key_Right, Qt::Key_D});
        if (row.changed)
            std::ofstream(copy, std::ios::app) << "more";
        review.app.prompter.script = {row.answer};
        QTest::keyClick(review.window.get(), row.key, row.key == Qt::Key_Return ? Qt::ControlModifier : Qt::NoModifier);
        EXPECT_EQ(review.app.prompter.ids, row.asked);
        EXPECT_EQ(std::filesystem::exists(copy), !row.trashed) << name;
        EXPECT_EQ(QFile::exists(Trashed(name)), row.trashed) << name;
        EXPECT_TRUE(std::filesystem::exists(keep) && std::filesystem::exists(third));
        EXPECT_EQ(review.window->isVisible(), !row.closed);
    }
    EXPECT_EQ(Message(MsgId::ReviewConfirmTrash).text, "Move %d of the reviewed files to the trash?");
}

TEST(DuplicateReview, VerdictsThatCannotBeWrittenAreReported)
{
    ReviewWindow review;
    review.Open({{WritePattern(review.dir, "a.bmp", 30, 20), WritePattern(review.dir, "b.bmp", 32, 20)}},
                "a.bmp/pixadrome.verdicts");  // a file stands where the folder should be
    review.Keys({Qt::Key_N});
    QTest::mouseClick(review.window->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(review.app.prompter.ids, std::vector<MsgId>{MsgId::VerdictsWriteFailed});
}

TEST(DuplicateReview, GroupsHeldNotDuplicatesStayApartInTheNextReview)
{
    DatabaseApp app;
    const QStringList files = {Q(WritePicture(app.dir, "red.bmp", SolidPicture(32, 32, 200, 0, 0))),
                               Q(WritePicture(app.dir, "red2.bmp", SolidPicture(32, 32, 200, 0, 0))),
                               Q(WritePicture(app.dir, "noise.bmp", Noise(32, 32, 7))),
                               Q(WritePicture(app.dir, "noise2.bmp", Noise(32, 32, 7)))};
    const auto review = [&] {
        app.files.opens = {files};
        AcceptTolerance();
        app.app->OnReviewDupes();
        return app.Main().findChild<CDuplicateReviewDlg*>();
    };
    CDuplicateReviewDlg* window = review();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Review duplicates");
    ASSERT_EQ(window->Review().GroupCount(), 2u);
    QTest::keyClick(window, Qt::Key_N);
    QTest::mouseClick(window->ApplyButton(), Qt::LeftButton);
    EXPECT_TRUE(app.prompter.ids.empty());  // nothing goes to the trash, so nothing to ask
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(app.Main().findChild<CDuplicateReviewDlg*>());

    window = review();
    ASSERT_TRUE(window);
    ASSERT_EQ(window->Review().GroupCount(), 1u);
    EXPECT_EQ(Q(window->Review().Facts(0, 0).path), files[2]);
    window->close();
}

}  // namespace
}  // namespace pix::test
