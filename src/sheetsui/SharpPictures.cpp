#include "sheetsui/SharpPictures.h"

#include <utility>

#include "render/ImageConversion.h"
#include "render/ThumbnailPainter.h"

namespace pix {

namespace {

// Requests beyond these are the oldest, long scrolled away.
constexpr size_t kMostWanted = 256;

}  // namespace

SharpPictures::SharpPictures(QObject* context, Done done) : context_(context), done_(std::move(done)) {}

SharpPictures::~SharpPictures()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::optional<uint32_t> SharpPictures::Request(uint32_t item, int position, std::string path, int cx, int cy)
{
    std::optional<uint32_t> dropped;
    {
        std::lock_guard lock(mutex_);
        wanted_.push_back({item, position, std::move(path), cx, cy});
        if (wanted_.size() > kMostWanted) {
            dropped = wanted_.front().item;
            wanted_.pop_front();
        }
        if (!thread_.joinable())
            thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_all();
    return dropped;
}

void SharpPictures::Forget()
{
    std::lock_guard lock(mutex_);
    wanted_.clear();
    ++generation_;
}

void SharpPictures::Run()
{
    // Files only: a file that is no picture keeps its stored icon.
    const PaintedThumbnailMaker painter;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !wanted_.empty(); });
        if (stopping_)
            return;
        Wanted next = std::move(wanted_.back());
        wanted_.pop_back();
        const uint64_t generation = generation_;
        lock.unlock();
        const auto pixels = painter.PaintPicture(next.path, static_cast<uint32_t>(next.cx), static_cast<uint32_t>(next.cy));
        QImage picture;
        if (pixels)
            picture = ListPictureImage(pixels->data(), next.cx, next.cy);
        lock.lock();
        if (!pixels || generation != generation_ || stopping_)
            continue;
        QMetaObject::invokeMethod(context_, [this, next, picture, generation] {
            // Still the same items: nothing forgot them meanwhile.
            std::unique_lock current(mutex_);
            if (generation != generation_)
                return;
            current.unlock();
            done_(next.item, next.position, picture);
        });
    }
}

}  // namespace pix
