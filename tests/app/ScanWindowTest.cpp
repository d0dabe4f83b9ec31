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

TEST(ScanWindow, ACancelledPageOpensNothingAndTheNextScanOpensItsPage)
{
    UseSlowTestDevices();
    RunningApp app;
    CScanDialog dialog(*app.app);
    dialog.KeepOpen()->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.Ready(); }, 10000));

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
    EXPECT_TRUE(app.prompter.texts.empty());
}

// A device that will not open, or a remembered value it refuses (its own
// value is kept), is reported once.
TEST(ScanWindow, OpeningProblemsAreReportedOnce)
{
    UseSlowTestDevices();
    const struct {
        const char* key;
        const char* value;
        const char* message;
        bool ready;
    } rows[] = {{"Device", "test:9", "I can't open the data source.", false},
                {"Resolution", "99999", "I can't set a capability.", true}};
    for (const auto& row : rows) {
        RunningApp app;
        app.settings.SetString("Scanner", row.key, row.value);
        CScanDialog dialog(*app.app);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !app.prompter.texts.empty(); }, 10000));
        QTest::qWait(50);
        ASSERT_EQ(app.prompter.texts.size(), 1u) << row.key;
        EXPECT_NE(app.prompter.texts[0].find(row.message), std::string::npos) << row.key;
        EXPECT_EQ(dialog.Ready(), row.ready) << row.key;
        if (row.ready) {
            EXPECT_EQ(static_cast<QDoubleSpinBox*>(dialog.OptionControl("resolution"))->value(), 300);
        }
    }
}

// A window whose device failed to open is not shown again: the next
// Acquire opens the device chosen since.
TEST(ScanWindow, TheChooserRemembersTheDeviceAndTheNextAcquireOpensIt)
{
    UseSlowTestDevices();
    RunningApp app;
    app.settings.SetString("Scanner", "Device", "test:9");
    app.app->OnAcquire();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.prompter.texts.empty(); }, 10000));
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
