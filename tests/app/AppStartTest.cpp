#include <QDir>
#include <QListWidget>
#include <QSignalSpy>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include "AppTestSupport.h"
#include "platform/SingleInstance.h"

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

TEST(OpenPath, AFolderBecomesOneSheetTitledAfterItsPath)
{
    TempDir dir;
    QDir(Q(dir.Path().string())).mkpath(QStringLiteral("C/photos"));
    WritePattern(dir, "C/photos/a.bmp", 2, 2);
    WritePattern(dir, "C/photos/b.bmp", 2, 2);
    RunningApp app;
    CChildFrame* frame = app.app->OpenPath(Q(dir.File("C/photos")));
    ASSERT_NE(frame, nullptr);
    QString expected = Q(dir.File("C/photos"));
    expected.replace(QLatin1Char('/'), QLatin1Char('-'));
    EXPECT_EQ(frame->windowTitle(), expected);
    auto* list = qobject_cast<QListWidget*>(frame->widget());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count(), 2);
    EXPECT_FALSE(app.app->TakePendingFiles().has_value());  // the list was taken over
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
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString apps = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/applications");
    QDir().mkpath(config);
    QDir().mkpath(apps);
    QFile desktop(apps + QStringLiteral("/pixadrome.desktop"));
    ASSERT_TRUE(desktop.open(QIODevice::WriteOnly));
    desktop.write("[Desktop Entry]\nType=Application\nName=Pixadrome\nExec=/bin/true %F\n"
                  "MimeType=image/bmp;\n");
    desktop.close();
    QFile list(config + QStringLiteral("/mimeapps.list"));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write("[Default Applications]\nimage/bmp=pixadrome.desktop;\n");
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
    QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/mimeapps.list"));
}

}  // namespace
}  // namespace pix::test
