#pragma once
// What the window benchmarks share: windows offscreen (unless a platform is
// named) with settings and caches in folders of their own, and a prompter
// that answers OK and prints what it was asked.

#include <QApplication>
#include <QDir>
#include <QString>
#include <QStringList>
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

// Runs the event loop until done() holds.
template <typename Done>
void Until(Done done)
{
    while (!done())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The first 20 photographs (*.jpg, in name order) of the folder named by
// the first argument; an empty list, said on stderr, when there are fewer
// than minimum.
inline QStringList PhotoArgument(int argc, char** argv, const char* program, int minimum)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER_OF_PHOTOS\n", program);
        return {};
    }
    QStringList photos;
    for (const QFileInfo& f : QDir(QString::fromLocal8Bit(argv[1])).entryInfoList({"*.jpg"}, QDir::Files, QDir::Name))
        photos << f.absoluteFilePath();
    photos = photos.mid(0, 20);
    if (photos.size() < minimum) {
        std::fprintf(stderr, "no photographs in %s\n", argv[1]);
        return {};
    }
    return photos;
}

}  // namespace pix::bench
