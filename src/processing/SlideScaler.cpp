#include "processing/SlideScaler.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace pix {

SlideSize FitSlide(uint32_t clientWidth, uint32_t clientHeight, uint32_t width, uint32_t height)
{
    if (width == 0 || height == 0)
        return {std::max(clientWidth, 1u), std::max(clientHeight, 1u)};
    uint64_t w = clientWidth;
    uint64_t h = uint64_t{height} * clientWidth / width;
    if (h > clientHeight) {
        h = clientHeight;
        w = uint64_t{width} * clientHeight / height;
    }
    return {uint32_t(std::max<uint64_t>(w, 1)), uint32_t(std::max<uint64_t>(h, 1))};
}

SlideScaler::SlideScaler(std::function<void()> ready) : ready_(std::move(ready)) {}

SlideScaler::~SlideScaler()
{
    std::unique_lock lock(state_);
    stopping_ = true;
    ended_.wait(lock, [this] { return workers_ == 0; });
}

void SlideScaler::SetSlide(std::shared_ptr<const CImageBuffer> slide)
{
    std::lock_guard lock(state_);
    slide_ = std::move(slide);
    scaled_.Clear();
    scaledReady_ = false;
    ++generation_;  // what runs now is for the slide before
}

void SlideScaler::Request(SlideSize target)
{
    uint64_t generation = 0;  // this request's: a later one makes it outdated
    {
        std::lock_guard lock(state_);
        if (stopping_ || !slide_ || slide_->IsEmpty())
            return;
        scaledReady_ = false;
        generation = ++generation_;
        ++workers_;
        target_ = {std::max(target.width, 1u), std::max(target.height, 1u)};
    }
    std::thread([this, generation] { Work(generation); }).detach();
}

void SlideScaler::Work(uint64_t generation)
{
    {
        std::lock_guard render(render_);
        std::shared_ptr<const CImageBuffer> slide;
        SlideSize target;
        {
            std::lock_guard lock(state_);
            if (!stopping_ && generation == generation_) {
                slide = slide_;
                target = target_;
            }
        }
        if (slide) {
            CImageBuffer scaled = slide->ResizedCopy(target.width, target.height);
            std::lock_guard lock(state_);
            if (!stopping_ && generation == generation_) {
                scaled_ = std::move(scaled);
                scaledReady_ = true;
                ready_();
            }
        }
    }
    std::lock_guard lock(state_);
    --workers_;
    ended_.notify_all();
}

void SlideScaler::Paint(const std::function<void(const Frame&)>& paint) const
{
    std::lock_guard lock(state_);
    Frame frame;
    frame.slide = slide_ && !slide_->IsEmpty() ? slide_.get() : nullptr;
    frame.scaled = scaledReady_ ? &scaled_ : nullptr;
    frame.target = target_;
    paint(frame);
}

int SlideScaler::Workers() const
{
    std::lock_guard lock(state_);
    return workers_;
}

}  // namespace pix
