#pragma once
// The slide show's decoding, on a thread of its own: the slides wanted,
// in the order given (the one to show first, then those to have ready),
// are decoded one after another into new buffers that are then shared and
// never changed. A slide decoded before its file last changed is decoded
// again. Destruction waits for the decode at hand.

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "image/CImageBuffer.h"

namespace pix {

class SlideLoader {
public:
    using Picture = std::shared_ptr<const CImageBuffer>;

    // decoded runs on the loader's thread after each slide it decoded (an
    // empty buffer when the file does not read); it must not call the
    // loader (a window posts itself a message).
    explicit SlideLoader(std::function<void()> decoded);
    ~SlideLoader();
    SlideLoader(const SlideLoader&) = delete;
    SlideLoader& operator=(const SlideLoader&) = delete;

    // The slides to decode and keep, most wanted first; every other slide
    // decoded is dropped.
    void Want(std::vector<std::string> paths);
    // The decoded slide of path when its file has not changed since (an
    // empty buffer for a file that does not read); null when there is none.
    Picture Find(const std::string& path);
    // Drops every decoded slide (the files may have changed).
    void Forget();
    // Hands the decoded picture of path over to the caller, who then owns
    // it alone (moved when nobody else holds it, else copied); nothing when
    // there is none, the file changed or did not read.
    std::optional<CImageBuffer> Take(const std::string& path);
    // Keeps a picture the caller decoded from path (and did not change)
    // as if the loader had decoded it now.
    void Put(const std::string& path, CImageBuffer picture);

private:
    struct Stamp {
        std::filesystem::file_time_type written{};
        uintmax_t size = 0;
        bool exists = false;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp stamp;
        Picture picture;
    };
    static Stamp StampOf(const std::string& path);
    void Run();

    const std::function<void()> decoded_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<std::string> wanted_;
    std::map<std::string, Entry> slides_;
    // Slides dropped, released on the loader's thread (a 12 MP slide takes
    // milliseconds to give back).
    std::vector<Picture> dropped_;
    uint64_t generation_ = 0;  // raised by Forget: decodes under way are dropped
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace pix
