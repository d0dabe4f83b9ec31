#include "common/Progress.h"

#include <unistd.h>

#include <cstdio>

namespace pix {

TerminalProgress::TerminalProgress() : enabled_(isatty(STDERR_FILENO) != 0) {}

TerminalProgress::~TerminalProgress() { Finish(); }

void TerminalProgress::SetRange(int lower, int upper)
{
    lower_ = lower;
    upper_ = upper > lower ? upper : lower + 1;
    lastPercent_ = -1;
}

bool TerminalProgress::Step(std::string_view text, int position)
{
    if (!enabled_)
        return true;
    long long span = static_cast<long long>(upper_) - lower_;
    long long done = static_cast<long long>(position) - lower_;
    int percent = static_cast<int>(done <= 0 ? 0 : done >= span ? 100 : done * 100 / span);
    if (percent == lastPercent_ && text == lastText_)
        return true;
    lastPercent_ = percent;
    lastText_.assign(text);
    constexpr int kBar = 30;
    int filled = percent * kBar / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%% %.50s\033[K", filled, "##############################",
                 kBar - filled, "", percent, lastText_.c_str());
    std::fflush(stderr);
    drawn_ = true;
    return true;
}

void TerminalProgress::Finish()
{
    if (drawn_) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        drawn_ = false;
    }
}

}  // namespace pix
