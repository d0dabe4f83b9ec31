#include "cli/CliOutput.h"

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

}  // namespace pix
