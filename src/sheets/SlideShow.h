#pragma once
// A slide show's course through a sheet, apart from any window: the
// position asked for and the one shown, the random order's next pick,
// which slides the decoder should hold, what the timer does when it fires
// and how a change of the sheet moves the show. The window asks it, draws
// what it says and forwards its input.

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sheets/SheetUpdateHint.h"

namespace pix {

class ThumbnailSheet;

class SlideShow {
public:
    // Milliseconds between automatic steps.
    static constexpr int kMinDelay = 10;
    static constexpr int kMaxDelay = 60000;

    SlideShow(const ThumbnailSheet& sheet, uint32_t seed);

    // The position asked for last (navigation counts from it) and the one
    // shown, -1 when nothing is.
    int Index() const { return index_; }
    int Shown() const { return shown_; }
    const std::string& RequestedPath() const { return requestedPath_; }
    const std::string& ShownPath() const { return shownPath_; }
    // True while the slide asked for is not shown yet.
    bool Decoding() const { return decoding_; }

    // Asks for position n, wrapped round the sheet (past the end is the
    // first, before the start the last). False, asking nothing, when the
    // sheet is empty: the window then shows nothing (Clear).
    bool Ask(long n);
    // The slide asked for is decoded and shown now. True when a tick came
    // while it was decoded: its time starts now.
    bool Arrived();
    // Nothing asked for and nothing shown.
    void Clear();

    bool Random() const { return random_; }
    void SetRandom(bool on);
    // Where the next automatic step goes: the next position (the first
    // after the last), or in random order the pick drawn when the shown
    // slide arrived.
    int NextIndex() const;
    // The files the decoder should hold: the slide asked for; the next one
    // when ahead is allowed and nothing is decoding; the one shown and the
    // one left before it.
    std::vector<std::string> Wanted(bool ahead) const;

    int Delay() const { return delay_; }
    // Kept within kMinDelay..kMaxDelay.
    void SetDelay(int milliseconds);
    // The timer fired: the position to ask for, or -1 when the slide asked
    // for is still decoding; the tick then waits for it (TickWaiting) and
    // the window stops its timer.
    int Tick();
    bool TickWaiting() const { return tickWaiting_; }
    void CancelTick() { tickWaiting_ = false; }

    // How a change of the sheet (sent by another view) moves the show.
    enum class Follow {
        Stay,         // nothing to show anew
        AskIndex,     // show what stands at Index() now
        ShowNothing,  // the sheet is empty
    };
    Follow Changed(SheetChange kind, int position);

    // The file of the item shown at position (within the sheet).
    std::string PathAt(int position) const;

private:
    int Count() const;
    void DrawRandom();

    const ThumbnailSheet& sheet_;
    int index_ = 0;
    int shown_ = -1;
    std::string requestedPath_;
    std::string shownPath_;
    std::string leftPath_;
    bool decoding_ = false;
    bool random_ = false;
    bool tickWaiting_ = false;
    int delay_ = 3000;
    std::mt19937 generator_;
    uint32_t nextRandom_ = 0;
};

}  // namespace pix
