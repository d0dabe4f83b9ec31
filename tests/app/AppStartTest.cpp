#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "app/CPixadromeStatusBar.h"
#include "platform/SingleInstance.h"
#include "render/ImageConversion.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"

namespace pix::test {
namespace {

TEST(CommandLine, SwitchesAfterSlashOrDashAndPaths)
{
    StartOptions o = ParseCommandLine({"-m", "/s", "/home/u/a.bmp", "-f", "b c.pxc", "-x", "-M"});
    EXPECT_TRUE(o.maximized);
    EXPECT_TRUE(o.slideShow);
    EXPECT_TRUE(o.fullScreen);
    EXPECT_EQ(o.paths, (QStringList{"/home/u/a.bmp", "b c.pxc"}));
    StartOptions none = ParseCommandLine({"-M"});  // switches are case-sensitive
    EXPECT_FALSE(none.maximized);
}

TEST(OpenCommand, SeveralFilesBecomeOneSheetAndTheFolderIsRemembered)
{
    TempDir dir;
    RunningApp app;
    QStringList three;
    for (const char* n : {"1.bmp", "2.bmp", "3.bmp"})
        three << Q(WritePattern(dir, n, 3, 3));
    app.files.opens.push_back(three);
    app.app->OnFileOpen();
    EXPECT_EQ(app.WindowCount(), 1);
    EXPECT_EQ(app.files.titles.back(), QStringLiteral("Open one or more files"));
    EXPECT_EQ(app.settings.GetString("State", "SrcDir", ""), dir.Path().string());

    app.files.opens.push_back({three[0]});
    app.app->OnFileOpen();
    EXPECT_EQ(app.WindowCount(), 2);
    EXPECT_EQ(app.app->RecentFiles().Items().front(), three[0].toStdString());
}

TEST(SingleInstance, ASecondStartHandsItsPathsToTheFirst)
{
    const QString name = QStringLiteral("pixadrome-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    ASSERT_TRUE(first.Listen());
    QSignalSpy spy(&first, &SingleInstance::activationRequested);
    SingleInstance second(name);
    ASSERT_TRUE(second.HandOver({"/tmp/a.bmp", "/tmp/b c.bmp"}));
    ASSERT_TRUE(spy.wait(3000));
    EXPECT_EQ(spy.first().first().toStringList(), (QStringList{"/tmp/a.bmp", "/tmp/b c.bmp"}));

    SingleInstance nobody(name + QStringLiteral("-none"));
    EXPECT_FALSE(nobody.HandOver({"/tmp/x.bmp"}));
}


// Makes this program the desktop's default for bitmaps, in the test's own
// configuration folders.
void ClaimBitmapsForUs()
{
    auto write = [](const QString& path, const QByteArray& text) {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write(qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications/pixadrome.desktop"),
          "[Desktop Entry]\nType=Application\nName=Pixadrome\nExec=/bin/true %F\nMimeType=image/bmp;\n");
    write(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"),
          "[Default Applications]\nimage/bmp=pixadrome.desktop;\n");
}

TEST(OpenPath, AFileOnlyWeAreAssociatedWithIsReportedAsNotUnderstood)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        GTEST_SKIP() << "xdg-mime not installed";
    ClaimBitmapsForUs();
    TempDir dir;
    RunningApp app;
    WriteAll(dir.File("odd.bmp"), {'B', 'M', 1});
    EXPECT_EQ(app.app->OpenPath(Q(dir.File("odd.bmp"))), nullptr);
    ASSERT_EQ(app.prompter.texts.size(), 1u);
    EXPECT_EQ(app.prompter.texts[0], "Pixadrome doesn't understand " + dir.File("odd.bmp"));
    // A double click on its item in a sheet opens it the same way.
    CChildFrame* sheet = app.app->NewSheetFromFiles({Q(dir.File("odd.bmp"))}, QString());
    auto* view = sheet ? qobject_cast<CThumbnailView*>(sheet->widget()) : nullptr;
    ASSERT_NE(view, nullptr);
    const QPoint at = view->visualRect(view->model()->index(0, 0)).center();
    QWidget* window = view->window();
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, view->viewport()->mapTo(window, at));
    ASSERT_EQ(app.prompter.texts.size(), 2u);
    EXPECT_EQ(app.prompter.texts[1], app.prompter.texts[0]);
    QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"));
}

TEST(SheetWindow, AFolderBecomesOneSheetTitledAfterItsPathAndSavesAsASheetFile)
{
    TempDir dir;
    WritePattern(dir, "a.bmp", 40, 20);
    WritePattern(dir, "b.bmp", 20, 40);
    WriteAll(dir.File("c.txt"), {'x'});
    RunningApp app;
    CChildFrame* frame = app.app->OpenPath(Q(dir.Path().string()));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), Q(dir.Path().string()).replace(QLatin1Char('/'), QLatin1Char('-')));
    EXPECT_FALSE(app.app->TakePendingFiles().has_value());  // the list was taken over
    auto* view = qobject_cast<CThumbnailView*>(frame->widget());
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->model()->rowCount(), 3);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), QStringLiteral("a.bmp"));
    ThumbnailSheet& sheet = view->Document().Sheet();
    EXPECT_EQ(sheet.Thumbnails().Cx(), 80u);
    // The picture of a.bmp: 40 × 20 centred, the rest transparent.
    const QImage picture = ThumbnailImage(sheet.Thumbnails(), 0);
    EXPECT_EQ(qAlpha(picture.pixel(19, 30)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(20, 30)), 255);

    // Saved and opened again: the same items and pictures.
    ASSERT_TRUE(sheet.Save(dir.File("s.pxc")));
    CChildFrame* reopened = app.app->OpenPath(Q(dir.File("s.pxc")));
    ASSERT_NE(reopened, nullptr);
    auto* again = qobject_cast<CThumbnailView*>(reopened->widget());
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Document().Sheet().ToBytes(), sheet.ToBytes());

    // A damaged sheet opens nothing and says so.
    WriteAll(dir.File("bad.pxc"), {1, 0, 2, '0'});
    EXPECT_EQ(app.app->OpenPath(Q(dir.File("bad.pxc"))), nullptr);
    ASSERT_FALSE(app.prompter.texts.empty());
    EXPECT_EQ(app.prompter.texts.back(), dir.File("bad.pxc") + "\nis damaged or not a contact sheet.");
}

// The status bar's tabs follow the windows: one each, in the order they
// were made, the active one selected; a click activates; titles, closing
// and a status tip shown and gone leave them right.
TEST(WindowTabs, FollowTheWindows)
{
    RunningApp app;
    TempDir dir;
    app.app->OpenImageWindow(Q(WritePattern(dir, "a.bmp", 8, 8)));
    app.app->OpenImageWindow(Q(WritePattern(dir, "b.bmp", 8, 8)));
    auto* bar = qobject_cast<CPixadromeStatusBar*>(app.Main().statusBar());
    ASSERT_TRUE(bar);
    QTabBar* tabs = bar->Tabs();
    const QList<CChildFrame*> windows = app.Main().Children();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs->count() == 2; }));
    EXPECT_EQ(tabs->currentIndex(), 1);
    EXPECT_EQ(tabs->tabText(0), windows[0]->windowTitle());
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_EQ(app.Main().MdiArea()->activeSubWindow(), windows[0]);
    EXPECT_TRUE(QTest::qWaitFor([&] { return tabs->currentIndex() == 0; }));
    windows[0]->setWindowTitle(QStringLiteral("renamed"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tabs->tabText(0) == QStringLiteral("renamed"); }));
    bar->showMessage(QStringLiteral("a command's tip"));
    bar->clearMessage();
    EXPECT_TRUE(tabs->isVisible());
    windows[1]->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs->count() == 1; }));
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("renamed"));
}

}  // namespace
}  // namespace pix::test
