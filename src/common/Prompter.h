#pragma once
// Tells the user something or asks a question, with the catalogue's texts.
// The GUI shows message boxes, the CLI prints to stderr, tests record the
// texts and script the answers.

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

#include "common/Messages.h"

namespace pix {

using MessageArg = std::variant<long long, std::string>;

// Fills the directives of a catalogue text with args, in order.
std::string FormatMessage(std::string_view text, const std::vector<MessageArg>& args);

class Prompter {
public:
    virtual ~Prompter() = default;

    // Shows message id with its arguments and returns the answer.
    Answer Show(MsgId id, std::initializer_list<MessageArg> args = {});
    Answer Show(MsgId id, const std::vector<MessageArg>& args);
    // How many messages have been shown so far.
    int ShownCount() const { return shown_; }

protected:
    // Presents the fully formatted text of message.
    virtual Answer Present(const MessageEntry& message, const std::string& text) = 0;

private:
    int shown_ = 0;
};

// Writes every message as one line to a stream; questions get a fixed answer.
class StreamPrompter final : public Prompter {
public:
    StreamPrompter(std::ostream& out, Answer questionAnswer = Answer::No)
        : out_(out), questionAnswer_(questionAnswer)
    {
    }

protected:
    Answer Present(const MessageEntry& message, const std::string& text) override;

private:
    std::ostream& out_;
    Answer questionAnswer_;
};

}  // namespace pix
