#include "sheets/SlideShow.h"

#include <algorithm>
#include <utility>

#include "sheets/ThumbnailSheet.h"

namespace pix {

SlideShow::SlideShow(const ThumbnailSheet& sheet, uint32_t seed) : sheet_(sheet), generator_(seed) {}

int SlideShow::Count() const { return static_cast<int>(sheet_.Count()); }

std::string SlideShow::PathAt(int position) const
{
    return sheet_.Files()[sheet_.ItemAt(static_cast<size_t>(position))];
}

bool SlideShow::Ask(long n)
{
    const long count = Count();
    if (count == 0)
        return false;
    if (n >= count)
        n = 0;
    else if (n < 0)
        n = count - 1;
    index_ = static_cast<int>(n);
    requestedPath_ = PathAt(index_);
    decoding_ = true;
    return true;
}

bool SlideShow::Arrived()
{
    decoding_ = false;
    if (shownPath_ != requestedPath_)
        leftPath_ = shownPath_;
    shown_ = index_;
    shownPath_ = requestedPath_;
    if (random_)
        DrawRandom();
    return std::exchange(tickWaiting_, false);
}

void SlideShow::Clear()
{
    decoding_ = false;
    index_ = 0;
    shown_ = -1;
    requestedPath_.clear();
    shownPath_.clear();
    leftPath_.clear();
}

void SlideShow::DrawRandom()
{
    if (Count() > 0)
        nextRandom_ = static_cast<uint32_t>(generator_() % static_cast<uint32_t>(Count()));
}

void SlideShow::SetRandom(bool on)
{
    random_ = on;
    if (random_)
        DrawRandom();
}

int SlideShow::NextIndex() const
{
    const int count = Count();
    if (count == 0)
        return 0;
    if (random_)
        return static_cast<int>(nextRandom_ % static_cast<uint32_t>(count));
    return index_ + 1 < count ? index_ + 1 : 0;
}

std::vector<std::string> SlideShow::Wanted(bool ahead) const
{
    if (Count() == 0)
        return {};
    std::vector<std::string> paths{requestedPath_};
    if (ahead && !decoding_)
        paths.push_back(PathAt(NextIndex()));
    for (const std::string& kept : {shownPath_, leftPath_})
        if (!kept.empty())
            paths.push_back(kept);
    return paths;
}

void SlideShow::SetDelay(int milliseconds) { delay_ = std::clamp(milliseconds, kMinDelay, kMaxDelay); }

int SlideShow::Tick()
{
    if (decoding_) {
        // The slide asked for comes first; the timer waits for it.
        tickWaiting_ = true;
        return -1;
    }
    return Count() > 0 ? NextIndex() : -1;
}

SlideShow::Follow SlideShow::Changed(SheetChange kind, int position)
{
    const int count = Count();
    switch (kind) {
    case SheetChange::FormatChanged:
        return Follow::Stay;
    case SheetChange::SelectionChanged:
        if (position == index_ || position >= count)
            return Follow::Stay;
        index_ = position;
        return Follow::AskIndex;
    case SheetChange::ItemRemoved: {
        // The slides kept are by file: only what comes next may change.
        Follow follow = Follow::Stay;
        if (count == 0)
            return Follow::ShowNothing;
        if (position == index_)
            follow = Follow::AskIndex;  // what stands there now
        else if (position < index_)
            --index_;
        if (position < shown_)
            --shown_;
        return follow;
    }
    case SheetChange::ItemInserted:
        if (shown_ < 0 && !decoding_) {
            index_ = 0;
            return Follow::AskIndex;
        }
        if (position <= index_)
            ++index_;
        if (shown_ >= 0 && position <= shown_)
            ++shown_;
        return Follow::Stay;
    case SheetChange::ItemChanged:
        // A file copied, moved or changed: decoded again where it is asked.
        return position == index_ ? Follow::AskIndex : Follow::Stay;
    case SheetChange::RefreshAll:
        // Another order, other files maybe: what stands at the position now.
        return Follow::AskIndex;
    }
    return Follow::Stay;
}

}  // namespace pix
