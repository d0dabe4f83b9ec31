#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QLocalSocket>
#include <QMenuBar>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

#include "AppTestSupport.h"
#include "app/CPixadromeStatusBar.h"
#include "platform/SingleInstance.h"
#include "render/ImageConversion.h"
#include "sheetsui/CThumbnailDoc.h"
#include "sheetsui/CThumbnailView.h"
#include "support/ScopedEnv.h"
#include "uiservices/RememberedFolders.h"

namespace pix::test {
namespace {

TEST(CommandLine, SwitchesAfterSlashOrDashAndPaths)
{
    StartOptions o = ParseCommandLine({"-m", "/s", "/home/u/a.bmp", "-f", "b c.pxc", "-x", "-M"});
    EXPECT_TRUE(o.maximized);
    EXPECT_TRUE(o.slideShow);
    EXPECT_TRUE(o.fullScreen);
    EXPECT_EQ(o.paths, (QStringList{"/home/u/a.bmp", "b c.pxc"}));
    StartOptions none = ParseCommandLine({"-M", "-ms"});  // switches are case-sensitive single letters
    EXPECT_FALSE(none.maximized || none.slideShow || !none.paths.isEmpty());
    // Handed to a running program: the switches, and the paths made absolute
    // (whatever they look like).
    const StartOptions handed = ParseCommandLine(HandOverArguments(ParseCommandLine({"-s", "--", "-m", "/f"})));
    EXPECT_TRUE(handed.slideShow && !handed.maximized && !handed.fullScreen);
    EXPECT_EQ(handed.paths, (QStringList{QDir::current().filePath("-m"), "/f"}));
}

// The program as a user starts it, offscreen, in a desktop session of its
// own. Freed memory is handed out again at once, as without the address
// checker, so a use after free inside Qt (not instrumented) fails as it
// does for users.
struct Session {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    Session()
    {
        for (const char* name : {"RUNTIME_DIR", "CONFIG_HOME", "DATA_HOME", "CACHE_HOME"})
            env.insert(QStringLiteral("XDG_") + name, QDir(home.path()).mkdir(name) ? home.filePath(name) : "");
        // A session's runtime folder is its user's alone.
        QFile::setPermissions(home.filePath("RUNTIME_DIR"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("DISPLAY", ":71");
        env.remove("WAYLAND_DISPLAY");
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":quarantine_size_mb=0");
    }
    std::unique_ptr<QProcess> Start(const QStringList& args, const QString& folder = {}) const
    {
        auto program = std::make_unique<QProcess>();
        program->setProcessEnvironment(env);
        program->setWorkingDirectory(folder);
        program->start(QStringLiteral(PIX_PROGRAM), args);
        return program;
    }
    // What a start printed once it ended well; "failed" when it did not.
    QByteArray Run(const QStringList& args, const QString& folder = {}) const
    {
        const std::unique_ptr<QProcess> program = Start(args, folder);
        const bool ended = program->waitForFinished(20000) && program->exitCode() == 0;
        return ended ? program->readAllStandardOutput() : "failed";
    }
};

// --help and --version answer without a display. A folder from a file
// manager (a second start, given a path relative to its own folder) opens
// in the running program behind the progress window, which goes on while
// the connection that brought it ends.
TEST(SecondStart, HandsARelativeFolderToTheRunningProgramWhichSurvivesOpeningIt)
{
    Session session;
    session.env.insert("QT_QPA_PLATFORM", "xcb");
    EXPECT_TRUE(session.Run({"--help"}).contains("\n  -s "));
    EXPECT_TRUE(session.Run({"--version"}).startsWith("Pixadrome 0."));
    session.env.insert("QT_QPA_PLATFORM", "offscreen");
    TempDir dir;
    std::filesystem::create_directory(dir.File("photos"));
    for (int i = 0; i < 40; ++i)
        WritePattern(dir, "photos/" + std::to_string(i) + ".bmp", 160, 120);
    const std::unique_ptr<QProcess> first = session.Start({});
    const QString run = session.home.filePath("RUNTIME_DIR");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !QDir(run).entryList(QDir::System).isEmpty(); }, 30000));
    EXPECT_EQ(session.Run({"photos"}, Q(dir.Path().string())), "");
    // Each picture of the sheet leaves its entry in the desktop's cache.
    const QString cache = session.home.filePath("CACHE_HOME/thumbnails/normal");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QDir(cache).entryList(QDir::Files).size() == 40; }, 60000));
    EXPECT_EQ(session.Run({}), "");  // it still takes what later starts hand over
    EXPECT_EQ(first->state(), QProcess::Running);
    first->kill();
    first->waitForFinished();
}

// Help → website shows the program's documentation page.
TEST(HelpMenu, TheWebsiteCommandOpensTheDocumentation)
{
    RunningApp app;
    QTextBrowser browser;  // the web browser
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "setSource");
    QMenuBar* bar = app.Main().menuBar();
    QAction* help = bar->actions().constLast();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(help).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return help->menu()->isVisible(); }));
    QTest::keyClick(help->menu(), Qt::Key_W);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    EXPECT_EQ(browser.documentTitle(), QStringLiteral("Pixadrome"));
}

// The filter picked in an open dialog is kept after Cancel only where the
// command asks for that; the folder only once files were chosen.
TEST(OpenCommand, TheFilterIsKeptAfterCancelWhereAskedTheFolderAfterOk)
{
    TempDir dir;
    const std::string picture = WritePattern(dir, "1.bmp", 3, 3);
    const struct {
        FilterOnCancel onCancel;
        QStringList chosen;
        int filter;
        std::string folder;
    } rows[] = {{FilterOnCancel::Forget, {}, 1, ""},
                {FilterOnCancel::Store, {}, 3, ""},
                {FilterOnCancel::Forget, {Q(picture)}, 3, dir.Path().string()}};
    for (const auto& row : rows) {
        RunningApp app;
        app.files.filterChoice = 3;
        app.files.opens.push_back(row.chosen);
        const QStringList chosen = ChooseSourceFiles(*app.app, QStringLiteral("Pick"), row.onCancel);
        RememberSourceFolder(*app.app, chosen);
        EXPECT_EQ(chosen, row.chosen);
        EXPECT_EQ(app.settings.GetInt("State", "SrcFilter", 1), row.filter);
        EXPECT_EQ(app.settings.GetString("State", "SrcDir", ""), row.folder);
    }
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

// One program per session and display, reachable by this user only: its
// socket is in a folder of its own (never one planted in advance), and
// only a whole command line in the sender's format is taken.
TEST(SingleInstance, ASecondStartOnTheSameDisplayHandsItsArgumentsToTheFirst)
{
    TempDir tmp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr), temp("TMPDIR", tmp.Path().c_str()), display("DISPLAY", ":71"),
        wayland("WAYLAND_DISPLAY", nullptr);
    const std::string folder = tmp.File("pixadrome-" + std::to_string(::getuid()));
    std::filesystem::create_directory_symlink(tmp.Path(), folder);
    EXPECT_FALSE(SingleInstance().Listen());
    std::filesystem::remove(folder);
    SingleInstance first;
    ASSERT_TRUE(first.Listen());
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    QSignalSpy spy(&first, &SingleInstance::activationRequested);
    for (const QByteArray& bad : {QByteArray("\x7f\xff\xff\xff", 4), QByteArray(9 << 20, 'a')}) {
        QLocalSocket socket;
        socket.connectToServer(SingleInstance::DefaultName());
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(bad);
        socket.waitForBytesWritten(100);
        QTest::qWait(200);
    }
    EXPECT_EQ(spy.size(), 0);
    ASSERT_TRUE(SingleInstance().HandOver({"-s", "--", "/tmp/b c.bmp"}));
    ASSERT_TRUE(spy.wait(3000));
    EXPECT_EQ(spy.first().first().toStringList(), (QStringList{"-s", "--", "/tmp/b c.bmp"}));
    ScopedEnv other("DISPLAY", ":72");
    EXPECT_FALSE(SingleInstance().HandOver({"/tmp/x.bmp"}));
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

using SheetWindow = AppTest;
using WindowTabs = AppTest;

TEST_F(SheetWindow, AFolderBecomesOneSheetTitledAfterItsPathAndADamagedSheetSaysSo)
{
    WritePattern(dir, "a.bmp", 40, 20);
    WritePattern(dir, "b.bmp", 20, 40);
    WriteAll(dir.File("c.txt"), {'x'});
    CChildFrame* frame = app.app->OpenPath(Q(dir.Path().string()));
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), Q(dir.Path().string()).replace(QLatin1Char('/'), QLatin1Char('-')));
    auto* view = qobject_cast<CThumbnailView*>(frame->widget());
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->model()->rowCount(), 3);
    EXPECT_EQ(view->model()->index(0, 0).data().toString(), QStringLiteral("a.bmp"));
    // The picture of a.bmp: 40 × 20 centred in 80 × 80, the rest transparent.
    const QImage picture = ThumbnailImage(view->Document().Sheet().Thumbnails(), 0);
    EXPECT_EQ(qAlpha(picture.pixel(19, 30)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(20, 30)), 255);

    // A damaged sheet opens nothing and says so.
    WriteAll(dir.File("bad.pxc"), {1, 0, 2, '0'});
    EXPECT_EQ(app.app->OpenPath(Q(dir.File("bad.pxc"))), nullptr);
    ASSERT_FALSE(app.prompter.texts.empty());
    EXPECT_EQ(app.prompter.texts.back(), dir.File("bad.pxc") + "\nis damaged or not a contact sheet.");
}

// The status bar's tabs follow the windows: one each, in the order they
// were made, the active one selected; a click activates; titles, closing
// and a status tip shown and gone leave them right.
TEST_F(WindowTabs, FollowTheWindows)
{
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
