#pragma once
// The thread every blocking scanner call runs on. Tasks run in order on
// the worker with the connection; what they hand back runs on the thread
// of a context object (the window), which changes the states a user sees.
// Destroying the worker ends a page being read, lets the queued tasks go
// and closes the connection down to no library.
//
// The worker makes no Qt call: results go into a mailbox under a mutex,
// and an event descriptor wakes the context's thread to run them.

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/SaneScanner.h"

class QSocketNotifier;

namespace pix {

class ScanWorker {
public:
    explicit ScanWorker(QObject* context);
    ~ScanWorker();
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    // Runs task on the worker.
    void Post(std::function<void(SaneScanner&)> task);
    // Runs result on the context's thread, in order (dropped when the
    // worker is gone). A result must not destroy the context.
    void Deliver(std::function<void()> result);
    // Ends the page being read at once (from the context's thread).
    void Cancel() { scanner_.Cancel(); }

private:
    void Run();
    void RunResults();

    SaneScanner scanner_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void(SaneScanner&)>> tasks_;
    std::deque<std::function<void()>> results_;
    bool stopping_ = false;
    bool running_ = false;  // a task is running
    int wakeFd_ = -1;       // counts results posted
    std::unique_ptr<QSocketNotifier> notifier_;
    std::thread thread_;
};

}  // namespace pix
