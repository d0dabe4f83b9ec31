#pragma once
// The streams a pixadrome-cli command reports on.

#include <iosfwd>

namespace pix {

struct CliStreams {
    std::ostream& out;
    std::ostream& err;
};

}  // namespace pix
