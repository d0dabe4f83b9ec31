#pragma once
// How pixadrome-cli reports messages: on stderr, one line each (without Qt:
// the small front program scans with it).

#include <ostream>
#include <string>

#include "cli/CliStreams.h"
#include "common/Prompter.h"

namespace pix {

// Writes messages to stderr, one line each.
class CliPrompter final : public Prompter {
public:
    explicit CliPrompter(std::ostream& err) : err_(err) {}

protected:
    Answer Present(const MessageEntry& message, const std::string& text) override;

private:
    std::ostream& err_;
};

}  // namespace pix
