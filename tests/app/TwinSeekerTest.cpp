#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "dbui/CTwinSeekerDlg.h"
#include "processing/Geometry.h"

namespace pix::test {
namespace {

using TwinSeeker = AppTest;

TEST(TwinSeekerDialog, TheBoxClampsOnLeavingTheSliderWritesAndBadTextIsRefused)
{
    RecordingPrompter prompter;
    CTwinSeekerDlg dialog(prompter, 95, false, nullptr);
    dialog.open();
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"150", "100"}, {"-5", "0"}, {"40", "40"}, {"abc", "abc"}};
    for (const auto& c : cases) {
        dialog.Edit()->setText(c.typed);
        QFocusEvent out(QEvent::FocusOut);
        QApplication::sendEvent(dialog.Edit(), &out);
        EXPECT_EQ(dialog.Edit()->text(), c.shown);
    }
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompter.texts, std::vector<std::string>{"Please enter an integer between 0 and 100."});
    dialog.Slider()->setValue(42);
    EXPECT_EQ(dialog.Edit()->text(), "42");
    dialog.accept();
    EXPECT_EQ(dialog.Tolerance(), 42);
    EXPECT_FALSE(dialog.AllMode());
}

TEST_F(TwinSeeker, DupesOpenOneSheetPerGroupTurnedCopiesWhenAskedAndOneSimilarFileAsAnImage)
{
    const std::string red = WritePicture(dir, "red.bmp", SolidPicture(32, 32, 200, 0, 0));
    const std::string red2 = WritePicture(dir, "red2.bmp", SolidPicture(32, 32, 200, 0, 0));
    const std::string noise = WritePicture(dir, "noise.bmp", Noise(32, 32, 7));
    const std::string noise2 = WritePicture(dir, "noise2.bmp", Noise(32, 32, 7));
    app.files.opens = {{Q(red), Q(red2), Q(noise), Q(noise2)}};
    AcceptTolerance();
    app.app->OnFindDupes();
    ASSERT_EQ(app.WindowCount(), 2);
    EXPECT_EQ(app.Main().Children()[0]->windowTitle(), "Matches 1-2");
    EXPECT_EQ(app.Main().Children()[1]->windowTitle(), "Matches 3-4");
    EXPECT_TRUE(app.Main().Children()[1]->isMaximized());
    EXPECT_EQ(app.settings.GetString("State", "SrcDir", ""), dir.Path().string());

    for (CChildFrame* c : app.Main().Children())
        c->close();
    app.app->OpenImageWindow(Q(red));
    app.files.opens = {{Q(noise), Q(red2)}};
    AcceptTolerance();
    app.app->OnFindSimilarToThis();
    ASSERT_EQ(app.WindowCount(), 2);
    EXPECT_EQ(app.ViewOf(app.Main().Children()[1])->Document().PathName(), Q(red2));
    EXPECT_EQ(app.files.titles.value(1), "Select images to compare with");

    // Cancelling the Twin Seeker keeps the folder the files came from.
    app.files.opens = {{"/elsewhere/x.bmp"}};
    QTimer::singleShot(0, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    app.app->OnFindDupes();
    EXPECT_EQ(app.settings.GetString("State", "SrcDir", ""), dir.Path().string());

    // A mirrored copy is found once the box for turned copies is ticked.
    CImageBuffer mirrored = Noise(32, 32, 7);
    FlipHorizontal(mirrored);
    const QStringList turned{Q(noise), Q(WritePicture(dir, "mirrored.bmp", mirrored))};
    const int windows = app.WindowCount();
    for (const bool tick : {false, true}) {
        SCOPED_TRACE(tick);
        app.files.opens = {turned};
        QTimer::singleShot(0, [tick] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_TRUE(dialog);
            auto* box = dialog->findChild<QCheckBox*>();
            ASSERT_TRUE(box);
            EXPECT_EQ(box->text(), "Also find &turned or mirrored copies");
            if (tick)
                QTest::mouseClick(box, Qt::LeftButton);
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        app.app->OnFindDupes();
        EXPECT_EQ(app.WindowCount(), windows + (tick ? 1 : 0));
    }
}

TEST_F(TwinSeeker, NinetyNineOpenWindowsLeaveRoomForOneResult)
{
    for (int i = 0; i < 99; ++i)
        app.app->OpenImageWindow(Q(WritePattern(dir, "w" + std::to_string(i) + ".bmp", 4, 4)));
    QStringList pairs;
    for (const char* name : {"a.bmp", "a2.bmp"})
        pairs << Q(WritePicture(dir, name, SolidPicture(32, 32, 200, 0, 0)));
    for (const char* name : {"b.bmp", "b2.bmp"})
        pairs << Q(WritePicture(dir, name, Noise(32, 32, 7)));
    app.files.opens = {pairs};
    AcceptTolerance();
    app.app->OnFindDupes();
    EXPECT_EQ(app.WindowCount(), 100);
    EXPECT_EQ(app.prompter.ids, std::vector<MsgId>{MsgId::TooManyResultWindows});
}

}  // namespace
}  // namespace pix::test
