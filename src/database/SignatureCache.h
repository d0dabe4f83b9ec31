#pragma once
// Signatures kept between searches, so that a file whose size and
// modification time have not changed is not decoded again. Each signature
// is remembered with the load size it was made at (the tolerance picks it),
// so a file may have several. The cache is only a shortcut: a file that
// cannot be read, or reads as anything but a cache this program wrote, is
// ignored (the cache starts empty and is written anew), and deleting it
// costs nothing but the decoding.
//
// The file, all numbers little-endian:
//   8 bytes   "PXSIGC\r\n"
//   u32       version, 1
//   u32       number of entries
//   entries   u32 path length, the path's bytes (UTF-8, absolute),
//             u64 file size, i64 modification time (ns since 1970, UTC),
//             u32 load size, the 192 signature bytes
//   u32       CRC-32 (as ContentKey's) of every byte before it
// Nothing may follow the last entry. The file is written whole through a
// temporary file renamed into place, so readers never see half of it.
//
// Lookup and Store may be called from several threads at once.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "database/Signature.h"

namespace pix {

// What tells a file's versions apart for the cache.
struct FileStamp {
    uint64_t size = 0;
    int64_t modified = 0;  // ns since 1970
    bool operator==(const FileStamp&) const = default;
};

// The stamp of a regular file, or nothing (missing, a folder, unreadable).
std::optional<FileStamp> StampOfFile(const std::string& path);

// Where the cache lives: "pixadrome.sig" beside the database when there is
// one, else in the folder "pixadrome" of the user's cache folder; empty
// when neither is known.
std::string SignatureCachePath(const std::string& databasePath, const std::string& userCacheFolder);

class SignatureCache {
public:
    // Replaces the contents by the cache file's; a missing, unreadable or
    // damaged file leaves the cache empty. True when the file was taken.
    bool Load(const std::string& file);
    // The same from bytes.
    bool Parse(const uint8_t* data, size_t size);
    std::vector<uint8_t> Serialize() const;

    // Writes the cache when it holds anything not yet written, keeping the
    // entries another program has written to the file since (for the same
    // file and load size ours win). Creates the folder. False on failure,
    // which leaves the file as it was.
    bool Save(const std::string& file);

    // The signature remembered for path at loadSize, if made from the file
    // as stamp describes it.
    std::optional<Signature> Lookup(const std::string& path, const FileStamp& stamp, uint32_t loadSize) const;
    // Remembers a signature, replacing one of path at the same load size.
    void Store(const std::string& path, const FileStamp& stamp, uint32_t loadSize, const Signature& signature);

    // The paths with a signature at loadSize, sorted.
    std::vector<std::string> Paths(uint32_t loadSize) const;

    size_t Count() const;
    // True when something has been stored since the last load or save.
    bool Modified() const;

private:
    struct Key {
        std::string path;
        uint32_t loadSize = 0;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        size_t operator()(const Key& k) const;
    };
    struct Entry {
        FileStamp stamp;
        Signature signature{};
    };
    using Map = std::unordered_map<Key, Entry, KeyHash>;

    static bool ParseInto(const uint8_t* data, size_t size, Map& into);
    static std::vector<uint8_t> SerializeMap(const Map& map);

    mutable std::mutex mutex_;
    Map entries_;
    bool modified_ = false;
};

// The cache of one search: read from its file when made, written back when
// destroyed. A cache that cannot be read or written costs only time; an
// empty file name is no cache.
class SignatureCacheFile {
public:
    explicit SignatureCacheFile(std::string file);
    ~SignatureCacheFile();
    SignatureCacheFile(const SignatureCacheFile&) = delete;
    SignatureCacheFile& operator=(const SignatureCacheFile&) = delete;
    SignatureCache* Get() { return file_.empty() ? nullptr : &cache_; }

private:
    std::string file_;
    SignatureCache cache_;
};

}  // namespace pix
