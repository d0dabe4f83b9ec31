#pragma once
// The work one playback may do, counted down as records are played.

#include <cstdint>

#include "render/WmfPlayer.h"

namespace pix::wmf {

// What each kind of effort costs.
constexpr uint64_t kRecordCost = 8;
constexpr uint64_t kTextRecordCost = 4096;  // font set-up and measuring
constexpr uint64_t kGlyphCost = 256;
constexpr uint64_t kRegionRectCost = 16;
constexpr uint64_t kPixelsPerWorkUnit = 16;

class WorkBudget {
public:
    explicit WorkBudget(const WmfLimits& limits) : work_(limits.work), bitmapPixels_(limits.bitmapPixels) {}

    bool Spend(uint64_t units)
    {
        if (units > work_) {
            work_ = 0;
            exhausted_ = true;
            return false;
        }
        work_ -= units;
        return true;
    }
    bool TakeBitmapPixels(uint64_t pixels)
    {
        if (pixels > bitmapPixels_)
            return false;
        bitmapPixels_ -= pixels;
        return true;
    }
    bool Exhausted() const { return exhausted_; }

private:
    uint64_t work_;
    uint64_t bitmapPixels_;
    bool exhausted_ = false;
};

}  // namespace pix::wmf
