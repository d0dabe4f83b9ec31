#include "common/Prompter.h"

#include <cstdio>
#include <ostream>

namespace pix {

std::string FormatMessage(std::string_view text, const std::vector<MessageArg>& args)
{
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '%' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        if (text[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // A directive: flags and width, then one conversion character.
        size_t j = i + 1;
        while (j < text.size() && std::string_view("-+ #0123456789.").find(text[j]) != std::string_view::npos)
            ++j;
        if (j >= text.size()) {
            out.append(text.substr(i));
            break;
        }
        std::string directive(text.substr(i, j - i));
        char conv = text[j];
        i = j;
        const MessageArg* arg = next < args.size() ? &args[next++] : nullptr;
        char buf[64];
        if (conv == 's') {
            std::string s;
            if (arg)
                s = std::holds_alternative<std::string>(*arg) ? std::get<std::string>(*arg)
                                                               : std::to_string(std::get<long long>(*arg));
            out += s;
        } else if (conv == 'd' || conv == 'u' || conv == 'x' || conv == 'X' || conv == 'i') {
            long long v = 0;
            if (arg && std::holds_alternative<long long>(*arg))
                v = std::get<long long>(*arg);
            std::string fmt = directive + "ll" + conv;
            std::snprintf(buf, sizeof buf, fmt.c_str(), v);
            out += buf;
        } else {
            out += directive;
            out += conv;
        }
    }
    return out;
}

Answer Prompter::Show(MsgId id, std::initializer_list<MessageArg> args)
{
    return Show(id, std::vector<MessageArg>(args));
}

Answer Prompter::Show(MsgId id, const std::vector<MessageArg>& args)
{
    const MessageEntry& message = Message(id);
    ++shown_;
    return Present(message, FormatMessage(message.text, args));
}

Answer StreamPrompter::Present(const MessageEntry& message, const std::string& text)
{
    std::string line = text;
    for (auto& ch : line)
        if (ch == '\n' || ch == '\r')
            ch = ' ';
    out_ << line << '\n';
    switch (message.buttons) {
    case MsgButtons::Ok:
        return Answer::Ok;
    case MsgButtons::OkCancel:
        return questionAnswer_ == Answer::Yes || questionAnswer_ == Answer::Ok ? Answer::Ok : Answer::Cancel;
    case MsgButtons::YesNo:
        return questionAnswer_ == Answer::Yes ? Answer::Yes : Answer::No;
    case MsgButtons::YesNoCancel:
        return questionAnswer_;
    }
    return Answer::Ok;
}

}  // namespace pix
