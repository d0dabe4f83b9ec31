#include "cli/CliOutput.h"

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"

namespace pix {

Answer CliPrompter::Present(const MessageEntry& message, const std::string& text)
{
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    err_ << "pixadrome-cli: " << line << '\n';
    return message.buttons == MsgButtons::Ok ? Answer::Ok : Answer::No;
}

bool SaveChecked(CImageBuffer& buf, const std::string& path, CliStreams io)
{
    const FormatCodec* codec = CodecForPath(path);
    if (!codec) {
        io.err << "pixadrome-cli: " << path << ": unknown image type\n";
        return false;
    }
    if (!codec->write) {
        io.err << "pixadrome-cli: " << path << ": writing this image type is not available\n";
        return false;
    }
    CliPrompter prompter(io.err);
    if (!buf.SaveReplacing(path, prompter)) {
        io.err << "pixadrome-cli: " << path << ": could not write\n";
        return false;
    }
    return true;
}

}  // namespace pix
