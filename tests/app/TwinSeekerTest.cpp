#include <QApplication>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "dbui/CTwinSeekerDlg.h"
#include <QCheckBox>

namespace pix::test {
namespace {

TEST(TwinSeeker, TheBoxClampsOnLeavingTheSliderWritesAndBadTextIsRefused)
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

// Accepts the next Twin Seeker dialog as it comes.
void AcceptTolerance()
{
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CTwinSeekerDlg*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->Edit()->text(), "95");
        dialog->accept();
    });
}

TEST(TwinSeeker, DupesOpenOneSheetPerGroupAndOneSimilarFileOpensAsAnImage)
{
    RunningApp app;
    TempDir dir;
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
}

TEST(TwinSeeker, TickingTurnedCopiesGroupsAMirroredPicture)
{
    RunningApp app;
    TempDir dir;
    const CImageBuffer noise = Noise(32, 32, 7);
    CImageBuffer mirrored = noise;
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x) {
            uint8_t r, g, b;
            noise.GetPixel(31 - x, y, r, g, b);
            mirrored.SetPixel(x, y, r, g, b);
        }
    const QStringList files{Q(WritePicture(dir, "noise.bmp", noise)), Q(WritePicture(dir, "mirrored.bmp", mirrored))};
    for (const bool tick : {false, true}) {
        SCOPED_TRACE(tick);
        app.files.opens = {files};
        QTimer::singleShot(0, [tick] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_TRUE(dialog);
            auto* turned = dialog->findChild<QCheckBox*>();
            ASSERT_TRUE(turned);
            EXPECT_EQ(turned->text(), "Also find &turned or mirrored copies");
            if (tick)
                QTest::mouseClick(turned, Qt::LeftButton);
            QTest::keyClick(dialog, Qt::Key_Return);
        });
        app.app->OnFindDupes();
        EXPECT_EQ(app.WindowCount(), tick ? 1 : 0);
    }
}

TEST(TwinSeeker, NinetyNineOpenWindowsLeaveRoomForOneResult)
{
    RunningApp app;
    TempDir dir;
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
