#pragma once
// Runs a job for items 0 … n-1 on a few worker threads, a bounded number of
// items ahead of the caller, who takes the results strictly in increasing
// item order. A loop that takes item i at step i therefore sees exactly the
// results, in exactly the order, of running the job itself at each step;
// stopping early (a cancel) just abandons the items not taken. While the
// caller waits it keeps the user interface alive through Progress::Pump
// (whose answer it leaves to the caller's next Step).

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "common/Progress.h"

namespace pix {

template <typename Result>
class OrderedLoader {
public:
    // job(index) must be safe to run on several threads at once.
    using Job = std::function<Result(size_t index)>;

    // Two workers, or one on a single-processor machine.
    static unsigned DefaultWorkers() { return std::thread::hardware_concurrency() >= 2 ? 2 : 1; }

    // With no workers (or none that could be started) Take runs the job.
    OrderedLoader(size_t count, Job job, unsigned workers = DefaultWorkers(), size_t lookAhead = 8)
        : job_(std::move(job)), lookAhead_(lookAhead ? lookAhead : 1), results_(count), done_(count, 0)
    {
        try {
            for (unsigned i = 0; i < workers && i < count; ++i)
                workers_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            // Fewer workers than asked for.
        }
    }

    ~OrderedLoader()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        room_.notify_all();
        for (std::thread& t : workers_)
            t.join();
    }

    OrderedLoader(const OrderedLoader&) = delete;
    OrderedLoader& operator=(const OrderedLoader&) = delete;

    size_t Count() const { return results_.size(); }

    // The result of item index, waiting for it. Indexes must increase from
    // call to call; items skipped over are abandoned.
    Result Take(size_t index, Progress& progress)
    {
        if (workers_.empty()) {
            taken_ = index + 1;
            return job_(index);
        }
        std::unique_lock lock(mutex_);
        taken_ = index;
        if (next_ < index)
            next_ = index;
        room_.notify_all();
        while (!ready_.wait_for(lock, std::chrono::milliseconds(50), [&] { return done_[index] != 0; })) {
            lock.unlock();
            progress.Pump();
            lock.lock();
        }
        Result result = std::move(*results_[index]);
        results_[index].reset();
        taken_ = index + 1;
        lock.unlock();
        room_.notify_all();
        return result;
    }

private:
    void Work()
    {
        for (;;) {
            size_t index;
            {
                std::unique_lock lock(mutex_);
                room_.wait(lock, [this] {
                    return stopping_ || next_ >= results_.size() || next_ < taken_ + lookAhead_;
                });
                if (stopping_ || next_ >= results_.size())
                    return;
                index = next_++;
            }
            Result result = job_(index);
            {
                std::lock_guard lock(mutex_);
                results_[index].emplace(std::move(result));
                done_[index] = 1;
            }
            ready_.notify_all();
        }
    }

    const Job job_;
    const size_t lookAhead_;
    std::mutex mutex_;
    std::condition_variable ready_;  // a result arrived
    std::condition_variable room_;   // the caller moved on; workers may run further ahead
    size_t next_ = 0;                // next item for a worker
    size_t taken_ = 0;               // items the caller is done with
    bool stopping_ = false;
    std::vector<std::optional<Result>> results_;
    std::vector<uint8_t> done_;
    std::vector<std::thread> workers_;
};

}  // namespace pix
