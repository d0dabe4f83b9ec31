#include "sheetsui/PreviewLoader.h"

#include <QMetaObject>

#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"

namespace pix {

PreviewLoader::PreviewLoader(QObject* context, int side, Done done)
    : context_(context), side_(side), shared_(std::make_shared<Shared>())
{
    shared_->done = std::move(done);
}

PreviewLoader::~PreviewLoader()
{
    {
        std::lock_guard lock(shared_->mutex);
        shared_->ended = true;
        pending_.reset();
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

uint64_t PreviewLoader::Request(const std::string& path)
{
    uint64_t ticket = 0;
    {
        std::lock_guard lock(shared_->mutex);
        ticket = ++shared_->newest;
        pending_.emplace(ticket, path);
    }
    shared_->waiting = true;
    if (!worker_.joinable())
        worker_ = std::thread([this] { Run(); });
    wake_.notify_one();
    return ticket;
}

void PreviewLoader::Cancel()
{
    {
        std::lock_guard lock(shared_->mutex);
        ++shared_->newest;
        pending_.reset();
    }
    shared_->waiting = false;
}

QImage PreviewLoader::Read(const std::string& path) const
{
    CImageBuffer buffer;
    buffer.Load(path, static_cast<uint32_t>(side_), static_cast<uint32_t>(side_));
    QImage picture = ToQImage(buffer);
    if (picture.isNull() || (picture.width() <= side_ && picture.height() <= side_))
        return picture;
    return picture.scaled(side_, side_, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void PreviewLoader::Run()
{
    std::unique_lock lock(shared_->mutex);
    for (;;) {
        wake_.wait(lock, [this] { return shared_->ended || pending_; });
        if (shared_->ended)
            return;
        const auto [ticket, path] = std::move(*pending_);
        pending_.reset();
        lock.unlock();
        QImage picture = Read(path);
        lock.lock();
        // An answer nobody waits for any more is dropped here already.
        if (ticket != shared_->newest || shared_->ended)
            continue;
        QMetaObject::invokeMethod(
            context_,
            [shared = shared_, ticket, picture = std::move(picture)] {
                {
                    std::lock_guard guard(shared->mutex);
                    if (shared->ended || ticket != shared->newest)
                        return;
                }
                shared->waiting = false;
                shared->done(ticket, picture);
            },
            Qt::QueuedConnection);
    }
}

}  // namespace pix
