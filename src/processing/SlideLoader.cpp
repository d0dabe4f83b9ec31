#include "processing/SlideLoader.h"

#include <algorithm>
#include <utility>

namespace pix {

SlideLoader::SlideLoader(std::function<void()> decoded) : decoded_(std::move(decoded)), thread_([this] { Run(); })
{
}

SlideLoader::~SlideLoader()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

SlideLoader::Stamp SlideLoader::StampOf(const std::string& path)
{
    std::error_code error;
    Stamp stamp;
    stamp.written = std::filesystem::last_write_time(path, error);
    if (error)
        return {};
    stamp.size = std::filesystem::file_size(path, error);
    stamp.exists = !error;
    return stamp;
}

void SlideLoader::Want(std::vector<std::string> paths)
{
    {
        std::lock_guard lock(mutex_);
        wanted_ = std::move(paths);
        for (auto slide = slides_.begin(); slide != slides_.end();) {
            if (std::find(wanted_.begin(), wanted_.end(), slide->first) == wanted_.end()) {
                dropped_.push_back(std::move(slide->second.picture));
                slide = slides_.erase(slide);
            } else {
                ++slide;
            }
        }
    }
    wake_.notify_all();
}

SlideLoader::Picture SlideLoader::Find(const std::string& path)
{
    const Stamp now = StampOf(path);
    bool stale = false;
    {
        std::lock_guard lock(mutex_);
        const auto slide = slides_.find(path);
        if (slide == slides_.end())
            return nullptr;
        if (slide->second.stamp == now)
            return slide->second.picture;
        dropped_.push_back(std::move(slide->second.picture));
        slides_.erase(slide);
        stale = true;
    }
    if (stale)
        wake_.notify_all();  // decoded again if still wanted
    return nullptr;
}

void SlideLoader::Forget()
{
    {
        std::lock_guard lock(mutex_);
        for (auto& slide : slides_)
            dropped_.push_back(std::move(slide.second.picture));
        slides_.clear();
        ++generation_;
    }
    wake_.notify_all();
}

std::optional<CImageBuffer> SlideLoader::Take(const std::string& path)
{
    Picture picture = Find(path);
    if (!picture || picture->IsEmpty())
        return std::nullopt;
    {
        std::lock_guard lock(mutex_);
        slides_.erase(path);
    }
    if (picture.use_count() == 1) {
        // The loader made the buffer (not const) and nobody else holds it.
        return std::move(const_cast<CImageBuffer&>(*picture));
    }
    return *picture;
}

void SlideLoader::Put(const std::string& path, CImageBuffer picture)
{
    const Stamp stamp = StampOf(path);
    if (!stamp.exists || picture.IsEmpty())
        return;
    {
        std::lock_guard lock(mutex_);
        Entry& entry = slides_[path];
        if (entry.picture)
            dropped_.push_back(std::move(entry.picture));
        entry = {stamp, std::make_shared<CImageBuffer>(std::move(picture))};
    }
    wake_.notify_all();
}

void SlideLoader::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        std::string path;
        wake_.wait(lock, [&] {
            if (stopping_ || !dropped_.empty())
                return true;
            const auto missing = std::find_if(wanted_.begin(), wanted_.end(),
                                              [this](const std::string& p) { return !slides_.contains(p); });
            if (missing == wanted_.end())
                return false;
            path = *missing;
            return true;
        });
        if (stopping_)
            return;
        if (!dropped_.empty()) {
            std::vector<Picture> dropped;
            dropped.swap(dropped_);
            lock.unlock();
            dropped.clear();
            lock.lock();
            continue;
        }
        const uint64_t generation = generation_;
        lock.unlock();
        // The stamp is taken first: a file written during the decode is
        // found changed and decoded again.
        const Stamp stamp = StampOf(path);
        auto picture = std::make_shared<CImageBuffer>();
        picture->Load(path);
        lock.lock();
        if (generation != generation_ ||
            std::find(wanted_.begin(), wanted_.end(), path) == wanted_.end())
            continue;
        slides_[path] = {stamp, std::move(picture)};
        lock.unlock();
        decoded_();
        lock.lock();
    }
}

}  // namespace pix
