// The main window's bars, their lasting layout, full screen and fitting the
// main window to an image.

#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <array>

#include "AppTestSupport.h"
#include "common/SettingsKeys.h"
#include "dbui/CSplitterPane.h"

namespace pix::test {
namespace {

// Whether the tool, utility and status bars show.
std::array<bool, 3> Shown(CMainFrame& frame)
{
    return {!frame.findChild<QToolBar*>(QStringLiteral("toolBar"))->isHidden(), !frame.UtilityBar()->isHidden(),
            !frame.statusBar()->isHidden()};
}
using Bars = std::array<bool, 3>;
using FullScreen = AppTest;
using FitWindowToImage = AppTest;

// Runs one session of the program on settings, then closes its window.
template <class Body>
void Session(MemorySettingsStore& settings, Body body)
{
    RecordingPrompter prompter;
    ScriptedFileChooser files;
    CPixadromeApp app(settings, prompter, files);
    app.Start({});
    body(*app.MainFrame());
    app.MainFrame()->close();
}

TEST(MainFrameLayout, BarsAndDatabasePaneLastBetweenRuns)
{
    TempDir dir;
    MemorySettingsStore settings;
    settings.SetString("Settings", "dbpath", dir.File("pix.db"));
    settings.SetInt("State", "dbPane", 1);
    settings.SetInt("State", "dbPaneWidth", 150);
    Session(settings, [](CMainFrame& frame) {
        EXPECT_EQ(Shown(frame), (Bars{true, false, true}));
        ASSERT_NE(frame.DatabasePane(), nullptr);
        EXPECT_EQ(frame.DatabasePane()->width(), 150);
        frame.Action(QStringLiteral("utilityBarShown"))->trigger();
        frame.Action(QStringLiteral("statusBarShown"))->trigger();
        frame.ShowDatabasePane(false);
    });
    EXPECT_EQ(settings.GetInt("State", "dbPane", -1), 0);
    EXPECT_EQ(settings.GetInt("State", "dbPaneWidth", -1), 150);
    Session(settings, [](CMainFrame& frame) {
        EXPECT_EQ(Shown(frame), (Bars{true, true, false}));
        EXPECT_EQ(frame.DatabasePane(), nullptr);
    });

    // Damaged settings give the first layout.
    settings.WriteBinary("State\\Bars", "Layout", {0xde, 0xad, 0xbe, 0xef});
    settings.SetInt("State\\Bars", "StatusBar", 1);
    settings.SetInt("State", "dbPane", 1);
    settings.SetInt("State", "dbPaneWidth", -40);
    Session(settings, [](CMainFrame& frame) {
        EXPECT_EQ(Shown(frame), (Bars{true, false, true}));
        ASSERT_NE(frame.DatabasePane(), nullptr);
        EXPECT_EQ(frame.DatabasePane()->width(), settings::kDbPaneWidth.fallback);
    });
}

// F11 hides the bars, the menu bar too, and leaves everything as it was;
// the command keys work all the same while the menu bar is hidden, whose
// menus a button of the full screen bar shows.
TEST_F(FullScreen, HidesTheBarsAndLeavesEverythingAsItWas)
{
    CMainFrame& frame = app.Main();
    ASSERT_TRUE(app.ShowActive());
    CChildFrame* child = app.app->OpenImageWindow(Q(WritePattern(dir, "a.bmp", 50, 40)));
    ASSERT_NE(child, nullptr);
    frame.statusBar()->hide();
    const QRect before = frame.geometry();
    const QRect screen = frame.screen()->geometry();
    auto key = [&](Qt::Key k) { QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &frame, k); };

    key(Qt::Key_F11);
    ASSERT_TRUE(frame.IsFullScreen());
    EXPECT_EQ(Shown(frame), (Bars{false, false, false}));
    EXPECT_TRUE(frame.menuBar()->isHidden());
    EXPECT_EQ(frame.geometry(), screen);
    EXPECT_TRUE(child->isMaximized());
    EXPECT_TRUE(child->windowFlags().testFlag(Qt::FramelessWindowHint));
    ASSERT_NE(frame.FullScreenBar(), nullptr);
    const int barWidth = std::max(100, frame.FullScreenBar()->width());
    EXPECT_EQ(frame.FullScreenBar()->mapToGlobal(QPoint(0, 0)),
              QPoint(screen.right() + 1 - barWidth, screen.top() + 100));
    // The bar's menu button shows the menus centred under it.
    QWidget* button = frame.FullScreenBar()->widgetForAction(frame.FullScreenBar()->actions().value(0));
    ASSERT_NE(button, nullptr);
    QStringList titles;
    QRect shown;
    QTimer::singleShot(0, [&] {
        if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* a : popup->actions())
                titles << a->text();
            shown = popup->geometry();
            popup->close();
        }
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(titles.contains(QStringLiteral("&File")));
    EXPECT_TRUE(titles.contains(QStringLiteral("&Help")));
    EXPECT_FALSE(titles.contains(QStringLiteral("&Contact sheet")));  // hidden without a sheet
    const QRect at(button->mapToGlobal(QPoint(0, 0)), button->size());
    EXPECT_LE(std::abs(shown.center().x() - at.center().x()), 1);
    EXPECT_EQ(shown.top(), at.bottom() + 1);
    // The window system hands the activation back once the menu is gone.
    QApplication::setActiveWindow(&frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    key(Qt::Key_F11);
    EXPECT_FALSE(frame.IsFullScreen());
    EXPECT_EQ(Shown(frame), (Bars{true, false, false}));
    EXPECT_FALSE(frame.menuBar()->isHidden());
    EXPECT_EQ(frame.geometry(), before);
    EXPECT_FALSE(child->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(frame.FullScreenBar(), nullptr);

    // Maximising leaves it, maximised.
    key(Qt::Key_F11);
    frame.showMaximized();
    EXPECT_FALSE(frame.IsFullScreen());
    EXPECT_TRUE(frame.isMaximized());
    EXPECT_FALSE(frame.menuBar()->isHidden());
    frame.showNormal();

    // Esc quits, leaving full screen first: the layout kept is the one
    // from before.
    key(Qt::Key_F11);
    ASSERT_TRUE(frame.IsFullScreen());
    key(Qt::Key_Escape);
    EXPECT_FALSE(frame.isVisible());
    EXPECT_EQ(app.settings.GetInt("State\\Bars", "StatusBar", -1), 0);
}

TEST_F(FitWindowToImage, AMaximisedImageWindowFitsTheMainWindow)
{
    app.settings.SetInt("View", "OpenFitted", 0);  // pictures at 1:1
    CMainFrame& frame = app.Main();
    frame.show();
    const struct {
        uint32_t w, h;
    } rows[] = {{1, 1}, {500, 300}};
    for (const auto& row : rows) {
        CChildFrame* child = app.app->OpenImageWindow(Q(WritePattern(dir, std::to_string(row.w) + ".bmp", row.w, row.h)));
        ASSERT_NE(child, nullptr);
        child->showMaximized();
        QApplication::processEvents();
        frame.FitWindowToImage();
        QApplication::processEvents();
        EXPECT_TRUE(child->isMaximized());
        EXPECT_GE(frame.width(), 320);
        EXPECT_GE(frame.height(), 310);
        CPixadromeView* view = app.ViewOf(child);
        if (row.w > 320) {
            EXPECT_EQ(view->viewport()->size(), view->ScrollSize()) << row.w;
        }
        child->close();
    }
}

}  // namespace
}  // namespace pix::test
