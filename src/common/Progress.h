#pragma once
// Progress reporting for long operations. The GUI hands in its progress
// window, the CLI a terminal bar, tests a recorder that cancels at step k.
// Every call that answers a bool answers "keep going".

#include <string>
#include <string_view>

namespace pix {

class Progress {
public:
    virtual ~Progress() = default;
    // Sets the range the positions given to Step lie in.
    virtual void SetRange(int lower, int upper) = 0;
    // Shows text and position; false when the user asked to cancel.
    virtual bool Step(std::string_view text, int position) = 0;
    // Keeps the user interface alive; false when the user asked to cancel.
    virtual bool Pump() = 0;
};

// Reports nothing and never cancels.
class NullProgress final : public Progress {
public:
    void SetRange(int, int) override {}
    bool Step(std::string_view, int) override { return true; }
    bool Pump() override { return true; }
};

// A bar on a terminal (stderr when it is a terminal; silent otherwise).
// Cancelling is left to the terminal's interrupt.
class TerminalProgress final : public Progress {
public:
    TerminalProgress();
    ~TerminalProgress() override;
    void SetRange(int lower, int upper) override;
    bool Step(std::string_view text, int position) override;
    bool Pump() override { return true; }

private:
    void Finish();
    bool enabled_;
    bool drawn_ = false;
    int lower_ = 0;
    int upper_ = 100;
    int lastPercent_ = -1;
    std::string lastText_;
};

}  // namespace pix
