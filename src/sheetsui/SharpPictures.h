#pragma once
// The list pictures of a sheet at the screen's own resolution, for scale
// factors above 100 % where the stored pictures would be stretched: made
// from the files on a thread of its own, the request made last first (the
// rows just shown), and handed to the caller on its context's thread. A
// file that gives no picture keeps the stored one.

#include <QImage>
#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace pix {

class SharpPictures {
public:
    // done(item, position, picture) runs on context's thread for every
    // picture made.
    using Done = std::function<void(uint32_t item, int position, const QImage& picture)>;
    SharpPictures(QObject* context, Done done);
    ~SharpPictures();
    SharpPictures(const SharpPictures&) = delete;
    SharpPictures& operator=(const SharpPictures&) = delete;

    // Asks for the cx × cy picture of the item at position, read from path.
    // Returns the item of the oldest request when it was dropped to make
    // room: that one is no longer coming.
    std::optional<uint32_t> Request(uint32_t item, int position, std::string path, int cx, int cy);
    // Drops every request not yet answered (positions or items changed).
    void Forget();

private:
    struct Wanted {
        uint32_t item;
        int position;
        std::string path;
        int cx;
        int cy;
    };
    void Run();

    QObject* context_;
    Done done_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Wanted> wanted_;
    uint64_t generation_ = 0;
    bool stopping_ = false;
    std::thread thread_;  // started by the first request
};

}  // namespace pix
