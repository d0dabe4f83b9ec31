#include <QKeyEvent>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "uiservices/CProgressDlg.h"

namespace pix {
namespace {

TEST(ProgressDlg, EscCancelsAndDisablesTheButtons)
{
    QMainWindow main;
    main.setWindowTitle(QStringLiteral("Pixadrome"));
    main.show();
    CProgressDlg dlg(&main);
    dlg.SetRange(0, 9);
    EXPECT_TRUE(dlg.Step("Loading a.bmp", 0));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.Pump());
    EXPECT_FALSE(dlg.Step("Loading b.bmp", 1));
    const auto buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 2);
    for (QPushButton* b : buttons)
        EXPECT_FALSE(b->isEnabled());
}

TEST(ProgressDlg, TitleShowsThePercentWhileMinimisedAndIsRestored)
{
    QMainWindow main;
    main.setWindowTitle(QStringLiteral("Pixadrome - photos"));
    main.show();
    {
        CProgressDlg dlg(&main);
        dlg.SetRange(0, 9);
        main.showMinimized();
        EXPECT_TRUE(dlg.Step("Loading", 4));
        EXPECT_EQ(main.windowTitle(), QStringLiteral("Pixadrome 50%"));
        EXPECT_TRUE(CProgressDlg::OperationRunning());
        // Closing the main window is refused while the operation runs.
        EXPECT_FALSE(main.close());
    }
    EXPECT_FALSE(CProgressDlg::OperationRunning());
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Pixadrome - photos"));
    EXPECT_FALSE(main.isMinimized());
}

TEST(ProgressDlg, InputToOtherWindowsWaitsWhileTheOperationRuns)
{
    QMainWindow main;
    main.show();
    auto* button = new QPushButton(QStringLiteral("Other"), &main);
    main.setCentralWidget(button);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    {
        CProgressDlg dlg(&main);
        QTest::mouseClick(button, Qt::LeftButton);
        dlg.Pump();
        EXPECT_EQ(clicks, 0);
    }
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace pix
