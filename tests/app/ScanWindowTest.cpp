#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "scanui/CScanDeviceDlg.h"
#include "scanui/CScanDialog.h"

namespace pix::test {
namespace {

// Colour pages sent slowly: a 300 dpi page takes seconds.
void UseSlowTestDevices()
{
    UseSaneTestDevices("mode Color\nresolution 300\nread-limit true\nread-limit-size 4096\nread-delay true\n"
                       "read-delay-duration 50000\n");
}

// A remembered value the device refuses is reported once, and its own
// value kept; a cancelled page opens nothing, and the next scan its page.
TEST(ScanWindow, ARefusedValueIsReportedOnceAndACancelledPageOpensNothing)
{
    UseSlowTestDevices();
    RunningApp app;
    app.settings.SetString("Scanner", "Resolution", "99999");
    CScanDialog dialog(*app.app);
    dialog.KeepOpen()->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Ready() && !app.prompter.texts.empty(); }, 10000));
    EXPECT_NE(app.prompter.texts[0].find("I can't set a capability."), std::string::npos);
    EXPECT_EQ(static_cast<QDoubleSpinBox*>(dialog.OptionControl("resolution"))->value(), 300);

    dialog.ScanButton()->click();
    ASSERT_TRUE(dialog.Scanning());
    QTest::qWait(300);
    dialog.CancelButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Ready(); }, 10000));
    EXPECT_EQ(app.WindowCount(), 0);

    static_cast<QDoubleSpinBox*>(dialog.OptionControl("resolution"))->setValue(75);
    dialog.ScanButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Ready() && app.WindowCount() == 1; }, 20000));
    EXPECT_EQ(app.settings.GetString("Scanner", "Resolution", ""), "75");
    EXPECT_EQ(app.prompter.texts.size(), 1u);
}

// A device that will not open is reported once, and its window is not
// shown again: the next Acquire opens the device chosen since.
TEST(ScanWindow, TheChooserRemembersTheDeviceAndTheNextAcquireOpensIt)
{
    UseSlowTestDevices();
    RunningApp app;
    app.settings.SetString("Scanner", "Device", "test:9");
    app.app->OnAcquire();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.prompter.texts.empty(); }, 10000));
    EXPECT_NE(app.prompter.texts[0].find("I can't open the data source."), std::string::npos);
    const CScanDialog* failed = app.Main().findChild<CScanDialog*>();
    ASSERT_TRUE(failed);
    EXPECT_FALSE(failed->Ready());
    CScanDeviceDlg chooser(*app.app);
    ASSERT_TRUE(QTest::qWaitFor([&] { return chooser.List()->count() == 2; }, 10000));
    chooser.List()->setCurrentRow(1);
    chooser.accept();
    EXPECT_EQ(app.settings.GetString("Scanner", "Device", ""), "test:1");
    app.app->OnAcquire();
    QTest::qWait(0);
    const auto windows = app.Main().findChildren<CScanDialog*>();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return windows[0]->Ready(); }, 10000));
    EXPECT_EQ(app.prompter.texts.size(), 1u);
}

}  // namespace
}  // namespace pix::test
