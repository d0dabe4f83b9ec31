#pragma once
// Runs a pixadrome-cli subcommand in the test process and keeps what it
// printed.

#include <QStringList>
#include <sstream>
#include <string>

#include "cli/CliCommands.h"
#include "image/CImageBuffer.h"
#include "support/ImageTestSupport.h"

namespace pix::test {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

inline CliRun Call(int (*cmd)(const QStringList&, CliStreams), const QStringList& args)
{
    std::ostringstream out, err;
    const int status = cmd(args, CliStreams{out, err});
    return {status, out.str(), err.str()};
}

inline QString Q(const std::string& s) { return QString::fromStdString(s); }

// Saves a picture for a subcommand to read; returns the path.
inline std::string WritePicture(const CImageBuffer& buf, const std::string& path)
{
    EXPECT_TRUE(buf.Save(path).Ok()) << path;
    return path;
}

// What a subcommand wrote.
inline CImageBuffer Loaded(const std::string& path)
{
    CImageBuffer buf;
    buf.Load(path);
    return buf;
}

}  // namespace pix::test
