#pragma once
// What an operation that may fail gives back: success, or the catalogue
// message (with its arguments) that tells the user why not. The caller
// decides where the message goes: a message box, stderr, or nowhere.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/Prompter.h"

namespace pix {

class Outcome {
public:
    Outcome() = default;  // success
    explicit Outcome(MsgId why, std::vector<MessageArg> args = {}) : failure_(Failure{why, std::move(args)}) {}

    bool Ok() const { return !failure_; }
    explicit operator bool() const { return Ok(); }
    // The message that says why; only valid when !Ok().
    MsgId Why() const { return failure_->id; }
    const std::vector<MessageArg>& Args() const { return failure_->args; }
    // The message text, filled in; empty on success.
    std::string Text() const;
    // Shows the message of a failure through prompter; tells Ok().
    bool Report(Prompter& prompter) const;

private:
    struct Failure {
        MsgId id;
        std::vector<MessageArg> args;
    };
    std::optional<Failure> failure_;
};

// The failure of writing path, with the system's reason for errorNumber
// (an errno value; 0 when no reason is known).
Outcome WriteFailure(const std::string& path, int errorNumber);

}  // namespace pix
