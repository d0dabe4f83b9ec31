#pragma once
// Reads pictures for hover previews on a thread of its own, one at a time:
// a request made while another waits replaces it, and only the answer to
// the newest request reaches the caller, on the thread of the context
// object. The thread starts with the first request.

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace pix {

class PreviewLoader {
public:
    // done(ticket, picture) runs on context's thread; picture is null when
    // the file gives none.
    using Done = std::function<void(uint64_t ticket, const QImage& picture)>;
    // Pictures are read with the hints side × side and then fitted into a
    // square of that side.
    PreviewLoader(QObject* context, int side, Done done);
    ~PreviewLoader();
    PreviewLoader(const PreviewLoader&) = delete;
    PreviewLoader& operator=(const PreviewLoader&) = delete;

    // Asks for the picture of path; the ticket its answer will carry.
    uint64_t Request(const std::string& path);
    // Forgets every request made so far: no answer to them arrives.
    void Cancel();
    // Whether an answer to the newest request is still to come.
    bool Waiting() const { return shared_->waiting; }

private:
    // What the worker and the answers on their way share with the loader;
    // an answer arriving after the loader is gone finds ended set.
    struct Shared {
        std::mutex mutex;
        uint64_t newest = 0;   // under mutex
        bool ended = false;    // under mutex
        bool waiting = false;  // the context's thread only
        Done done;
    };
    void Run();
    // The picture of path fitted into side × side (never enlarged).
    QImage Read(const std::string& path) const;

    QObject* context_;
    const int side_;
    std::shared_ptr<Shared> shared_;
    std::condition_variable wake_;
    std::optional<std::pair<uint64_t, std::string>> pending_;  // under shared_->mutex
    std::thread worker_;
};

}  // namespace pix
