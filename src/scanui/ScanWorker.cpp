#include "scanui/ScanWorker.h"

#include <QMetaObject>

namespace pix {

ScanWorker::ScanWorker(QObject* context) : context_(context), thread_([this] { Run(); }) {}

ScanWorker::~ScanWorker()
{
    bool busy = false;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        tasks_.clear();
        busy = running_;
    }
    if (busy)
        scanner_.Cancel();
    wake_.notify_all();
    thread_.join();
}

void ScanWorker::Post(std::function<void(SaneScanner&)> task)
{
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

void ScanWorker::Deliver(std::function<void()> result)
{
    QMetaObject::invokeMethod(context_, std::move(result), Qt::QueuedConnection);
}

void ScanWorker::Run()
{
    for (;;) {
        std::function<void(SaneScanner&)> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || !tasks_.empty(); });
            if (stopping_)
                break;
            task = std::move(tasks_.front());
            tasks_.pop_front();
            running_ = true;
        }
        task(scanner_);
        std::lock_guard lock(mutex_);
        running_ = false;
    }
    scanner_.StepDown(1);  // on the thread that made the calls
}

}  // namespace pix
