#include "common/Outcome.h"

#include <cstring>

namespace pix {

std::string Outcome::Text() const { return failure_ ? FormatMessage(Message(failure_->id).text, failure_->args) : ""; }

bool Outcome::Report(Prompter& prompter) const
{
    if (failure_)
        prompter.Show(failure_->id, failure_->args);
    return Ok();
}

Outcome WriteFailure(const std::string& path, int errorNumber)
{
    return Outcome(MsgId::ImageWriteFailed,
                   {path, std::string(errorNumber != 0 ? std::strerror(errorNumber) : "write error")});
}

}  // namespace pix
