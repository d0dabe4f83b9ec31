#pragma once
// How pixadrome-cli reports and saves, without Qt (the small front program
// scans with it): messages on stderr, and saving with a check that the file
// was really written.

#include <ostream>
#include <string>

#include "cli/CliStreams.h"
#include "common/Prompter.h"

namespace pix {

class CImageBuffer;

// Writes messages to stderr, one line each.
class CliPrompter final : public Prompter {
public:
    explicit CliPrompter(std::ostream& err) : err_(err) {}

protected:
    Answer Present(const MessageEntry& message, const std::string& text) override;

private:
    std::ostream& err_;
};

// Saves buf by path's extension; false (reported on io.err) when the type
// is unknown or not writable, the writer reported a failure, or the file
// was not replaced.
bool SaveChecked(CImageBuffer& buf, const std::string& path, CliStreams io);

}  // namespace pix
