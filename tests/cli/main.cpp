// The render tests draw text, which needs a GUI application (offscreen).
// The user's cache folder is a temporary one.
#include <QGuiApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "render/FormatList.h"

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    // Searches and sheets made here use caches of their own.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toUtf8());
    QGuiApplication app(argc, argv);
    pix::RegisterFormats();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
