// The user-interface tests drive real widgets on the offscreen platform,
// with the trash, the settings and the thumbnail cache in a temporary
// folder.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "render/FormatList.h"

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    // No desktop programs are known, so nothing outside the test is started;
    // only the system's MIME database is shared.
    QDir().mkpath(home.filePath(QStringLiteral("shared")));
    QFile::link(QStringLiteral("/usr/share/mime"), home.filePath(QStringLiteral("shared/mime")));
    qputenv("XDG_DATA_DIRS", home.filePath(QStringLiteral("shared")).toUtf8());
    qputenv("XDG_CONFIG_DIRS", home.filePath(QStringLiteral("none")).toUtf8());
    QDir().mkpath(home.filePath(QStringLiteral("data")));
    QApplication app(argc, argv);
    pix::RegisterFormats();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
