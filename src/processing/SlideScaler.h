#pragma once
// The slide show's scaling: where a slide goes in the window, and the
// resampled copy of it that a worker thread makes for each layout while
// the window paints a fast stretch meanwhile.
//
// Every layout request raises a generation and starts one worker. Workers
// run one after another (each holds the render lock for its whole run)
// and take the state lock only inside it, never the other way round; a
// worker whose request a newer one has overtaken neither resamples nor
// publishes. The slide is shared and never changed, so a worker takes a
// reference to it, not a copy, and resamples outside the state lock.
// Destruction stops new work and waits until every worker has ended.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "image/CImageBuffer.h"

namespace pix {

struct SlideSize {
    uint32_t width = 0;
    uint32_t height = 0;
    bool operator==(const SlideSize&) const = default;
};

// The size a width × height slide takes fitted into a client area of
// clientWidth × clientHeight: the full width, else the full height, the
// aspect kept in whole numbers, each side at least 1.
SlideSize FitSlide(uint32_t clientWidth, uint32_t clientHeight, uint32_t width, uint32_t height);

class SlideScaler {
public:
    // ready runs on a worker, under the state lock, when a resampled copy
    // is there to paint; it must not call the scaler (a window posts
    // itself a repaint).
    explicit SlideScaler(std::function<void()> ready);
    ~SlideScaler();
    SlideScaler(const SlideScaler&) = delete;
    SlideScaler& operator=(const SlideScaler&) = delete;

    // The slide to show (null: none); the resampled copy is dropped.
    void SetSlide(std::shared_ptr<const CImageBuffer> slide);
    // Lays the slide out at target and starts a worker for it.
    void Request(SlideSize target);

    // What painting needs, read under the state lock: the slide, the
    // resampled copy when it is ready for the last request (else null),
    // and that request's size.
    struct Frame {
        const CImageBuffer* slide = nullptr;
        const CImageBuffer* scaled = nullptr;
        SlideSize target;
    };
    void Paint(const std::function<void(const Frame&)>& paint) const;

    // Workers started and not yet ended.
    int Workers() const;

private:
    void Work(uint64_t generation);

    const std::function<void()> ready_;
    std::mutex render_;
    mutable std::mutex state_;
    std::condition_variable ended_;
    std::shared_ptr<const CImageBuffer> slide_;
    CImageBuffer scaled_;
    bool scaledReady_ = false;
    SlideSize target_;
    uint64_t generation_ = 0;
    int workers_ = 0;
    bool stopping_ = false;
};

}  // namespace pix
