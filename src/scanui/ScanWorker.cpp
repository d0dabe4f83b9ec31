#include "scanui/ScanWorker.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cstdint>

namespace pix {

ScanWorker::ScanWorker(QObject* context) : wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    notifier_ = std::make_unique<QSocketNotifier>(wakeFd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, context, [this] { RunResults(); });
    thread_ = std::thread([this] { Run(); });
}

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
    notifier_.reset();
    ::close(wakeFd_);
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
    {
        std::lock_guard lock(mutex_);
        results_.push_back(std::move(result));
    }
    const uint64_t one = 1;
    (void)!::write(wakeFd_, &one, sizeof one);
}

void ScanWorker::RunResults()
{
    uint64_t count = 0;
    (void)!::read(wakeFd_, &count, sizeof count);
    std::deque<std::function<void()>> ready;
    {
        std::lock_guard lock(mutex_);
        ready.swap(results_);
    }
    for (auto& result : ready)
        result();
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
