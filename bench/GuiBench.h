#pragma once
// What the window benchmarks share: windows offscreen (unless a platform is
// named) with settings and caches in folders of their own, and a prompter
// that answers OK and prints what it was asked.

#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "common/Prompter.h"

namespace pix::bench {

class SilentPrompter final : public Prompter {
public:
    Answer Present(const MessageEntry&, const std::string& text) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
        return Answer::Ok;
    }
};

// Made before the QApplication; the folders last as long as it does.
class GuiBenchHome {
public:
    GuiBenchHome()
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        for (const char* folder : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            qputenv(folder, dir_.filePath(QString::fromLatin1(folder)).toUtf8());
    }
    QString filePath(const QString& name) const { return dir_.filePath(name); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
};

}  // namespace pix::bench
