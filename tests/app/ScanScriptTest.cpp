// The scan window over a scripted scanner library (ScriptedSane.cpp),
// which logs the connection's steps: pages open in the order they come,
// a cancel keeps the pages before it, and closing the main window ends
// the connection.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "scanui/CScanDialog.h"

namespace pix::test {
namespace {

class ScanScript : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("PIXADROME_SANE_LIBRARY", PIX_SCRIPTED_SANE);
        qputenv("PIX_SCRIPTED_SANE_LOG", log.toUtf8());
        qputenv("PIX_SCRIPTED_SANE_HOLD", "0");
        std::remove(log.toUtf8().constData());
    }
    std::vector<std::string> Log() const
    {
        std::ifstream in(log.toStdString());
        std::vector<std::string> steps;
        for (std::string line; std::getline(in, line);)
            steps.push_back(line);
        return steps;
    }
    // Opens the scan window, ready to scan from the source.
    void Scan(CScanDialog& dialog, const char* source)
    {
        dialog.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Ready(); }, 10000));
        static_cast<QComboBox*>(dialog.OptionControl("source"))->setCurrentText(source);
        dialog.ScanButton()->click();
    }
    // The colours of the open pictures, by window title.
    std::map<QString, uint32_t> Colours(RunningApp& app)
    {
        std::map<QString, uint32_t> colours;
        for (CChildFrame* frame : app.Main().Children()) {
            const CPixadromeDoc& doc = app.ViewOf(frame)->Document();
            uint8_t r = 0, g = 0, b = 0;
            doc.Image().GetPixel(0, 0, r, g, b);
            colours[doc.Title()] = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
        }
        return colours;
    }

    TempDir dir;
    QString log = Q(dir.File("steps"));
    RunningApp app;
};

TEST_F(ScanScript, FeederPagesOpenInOrderAndOnePageTakesItsSteps)
{
    qputenv("PIX_SCRIPTED_SANE_PAGES", "ff0000,00ff00,0000ff,808080");
    {
        CScanDialog dialog(*app.app);
        dialog.KeepOpen()->setChecked(true);
        Scan(dialog, "Automatic Document Feeder");
        ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Ready(); }, 10000));
        EXPECT_EQ(Colours(app), (std::map<QString, uint32_t>{
                                    {"Image1", 0xff0000}, {"Image2", 0x00ff00}, {"Image3", 0x0000ff}, {"Image4", 0x808080}}));
    }
    using Steps = std::vector<std::string>;
    EXPECT_EQ(Log(), (Steps{"init", "open", "start", "eof", "start", "eof", "start", "eof", "start", "eof", "empty",
                            "cancel", "close", "exit"}));

    std::remove(log.toUtf8().constData());
    {
        CScanDialog dialog(*app.app);
        Scan(dialog, "Flatbed");
        ASSERT_TRUE(QTest::qWaitFor([&] { return app.WindowCount() == 5 && dialog.isHidden(); }, 10000));
    }
    EXPECT_EQ(Log(), (Steps{"init", "open", "start", "eof", "cancel", "close", "exit"}));
    EXPECT_TRUE(app.prompter.texts.empty());
}

TEST_F(ScanScript, ACancelInTheThirdFeederPageKeepsTheTwoBefore)
{
    qputenv("PIX_SCRIPTED_SANE_PAGES", "ff0000,00ff00,0000ff,808080");
    qputenv("PIX_SCRIPTED_SANE_HOLD", "3");
    CScanDialog dialog(*app.app);
    Scan(dialog, "Automatic Document Feeder");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Log().size() == 7; }, 10000));  // reading the third page
    dialog.CancelButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Ready(); }, 10000));
    EXPECT_EQ(Colours(app), (std::map<QString, uint32_t>{{"Image1", 0xff0000}, {"Image2", 0x00ff00}}));
    EXPECT_FALSE(dialog.isHidden());  // it says why the batch ended
}

TEST_F(ScanScript, ClosingTheMainWindowInAPageEndsTheConnection)
{
    qputenv("PIX_SCRIPTED_SANE_PAGES", "ff0000");
    qputenv("PIX_SCRIPTED_SANE_HOLD", "1");
    app.app->OnAcquire();
    auto* dialog = app.Main().findChild<CScanDialog*>();
    ASSERT_TRUE(dialog);
    Scan(*dialog, "Flatbed");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Log().size() == 3; }, 10000));  // init, open, start
    EXPECT_TRUE(app.Main().close());
    EXPECT_FALSE(app.Main().findChild<CScanDialog*>());
    using Steps = std::vector<std::string>;
    EXPECT_EQ(Log(), (Steps{"init", "open", "start", "cancel", "short", "cancel", "close", "exit"}));
    QTest::qWait(50);
    EXPECT_EQ(app.WindowCount(), 0);
}

}  // namespace
}  // namespace pix::test
