#include "processing/EditHistory.h"

#include <utility>

namespace pix {

void EditHistory::Record(CImageBuffer before)
{
    if (!Keeps(before)) {
        // Steps past a picture that is not kept would skip an edit.
        Clear();
        return;
    }
    for (const CImageBuffer& step : forward_)
        held_ -= Bytes(step);
    forward_.clear();
    if (saved_ && *saved_ > 0)
        saved_.reset();  // it was a step forward
    else if (saved_)
        --*saved_;
    held_ += Bytes(before);
    back_.push_back(std::move(before));
    Trim();
}

bool EditHistory::StepBack(CImageBuffer& current)
{
    if (back_.empty())
        return false;
    held_ -= Bytes(back_.back());
    held_ += Bytes(current);
    forward_.push_front(std::exchange(current, std::move(back_.back())));
    back_.pop_back();
    if (saved_)
        ++*saved_;
    Trim();
    return true;
}

bool EditHistory::StepForward(CImageBuffer& current)
{
    if (forward_.empty())
        return false;
    held_ -= Bytes(forward_.front());
    held_ += Bytes(current);
    back_.push_back(std::exchange(current, std::move(forward_.front())));
    forward_.pop_front();
    if (saved_)
        --*saved_;
    Trim();
    return true;
}

void EditHistory::Clear()
{
    back_.clear();
    forward_.clear();
    held_ = 0;
    saved_.reset();
}

void EditHistory::Trim()
{
    // The oldest steps back go first, then the farthest steps forward.
    while (held_ > budget_ && !back_.empty()) {
        held_ -= Bytes(back_.front());
        back_.pop_front();
    }
    while (held_ > budget_ && !forward_.empty()) {
        held_ -= Bytes(forward_.back());
        forward_.pop_back();
    }
}

}  // namespace pix
