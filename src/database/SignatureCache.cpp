#include "database/SignatureCache.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>
#include <tuple>

#include "common/AtomicFile.h"
#include "common/ByteReader.h"
#include "common/FileBytes.h"
#include "database/ContentKey.h"
#include "database/SealedFile.h"

namespace pix {
namespace {

namespace fs = std::filesystem;

constexpr char kMagic[8] = {'P', 'X', 'S', 'I', 'G', 'C', '\r', '\n'};
constexpr uint32_t kVersion = 1;
// An entry with an empty path.
constexpr size_t kLeastEntryBytes = 4 + 8 + 8 + 4 + kSignatureSize;
// A cache larger than this is not read (some ten million entries).
constexpr size_t kMaxCacheBytes = size_t{1} << 31;

void PutU64(std::vector<uint8_t>& out, uint64_t v)
{
    PutU32(out, static_cast<uint32_t>(v));
    PutU32(out, static_cast<uint32_t>(v >> 32));
}

uint64_t ReadU64(ByteReader& in)
{
    const uint64_t low = in.U32();
    return low | (uint64_t{in.U32()} << 32);
}

}  // namespace

std::optional<FileStamp> StampOfFile(const std::string& path)
{
    std::error_code ec;
    const fs::path p(path);
    if (!fs::is_regular_file(p, ec))
        return std::nullopt;
    const uintmax_t size = fs::file_size(p, ec);
    if (ec)
        return std::nullopt;
    const fs::file_time_type time = fs::last_write_time(p, ec);
    if (ec)
        return std::nullopt;
    const auto since1970 = std::chrono::file_clock::to_sys(time).time_since_epoch();
    return FileStamp{static_cast<uint64_t>(size),
                     std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count()};
}

std::string SignatureCachePath(const std::string& databasePath, const std::string& userCacheFolder)
{
    if (!databasePath.empty())
        return (fs::path(databasePath).parent_path() / "pixadrome.sig").string();
    if (!userCacheFolder.empty())
        return (fs::path(userCacheFolder) / "pixadrome" / "pixadrome.sig").string();
    return std::string();
}

size_t SignatureCache::KeyHash::operator()(const Key& k) const
{
    return std::hash<std::string>()(k.path) ^ (size_t{k.loadSize} * 0x9E3779B97F4A7C15ull);
}

bool SignatureCache::ParseInto(const uint8_t* data, size_t size, Map& into)
{
    std::optional<ByteReader> sealed = OpenSealed(data, size, kMagic, kVersion);
    if (!sealed)
        return false;
    ByteReader& in = *sealed;
    const uint32_t count = in.U32();
    if (count > in.Remaining() / kLeastEntryBytes)
        return false;
    Map map;
    map.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t length = in.U32();
        if (in.Failed() || length > in.Remaining())
            return false;
        Key key{std::string(reinterpret_cast<const char*>(in.Current()), length), 0};
        in.Skip(length);
        Entry entry;
        entry.stamp.size = ReadU64(in);
        entry.stamp.modified = static_cast<int64_t>(ReadU64(in));
        key.loadSize = in.U32();
        in.Bytes(entry.signature.data(), entry.signature.size());
        if (in.Failed())
            return false;
        map.insert_or_assign(std::move(key), entry);
    }
    if (!in.AtEnd())
        return false;
    into = std::move(map);
    return true;
}

std::vector<uint8_t> SignatureCache::SerializeMap(const Map& map)
{
    std::vector<uint8_t> out = StartSealed(kMagic, kVersion);
    PutU32(out, static_cast<uint32_t>(map.size()));
    // In key order, so the same entries always make the same bytes.
    std::vector<const Map::value_type*> order;
    order.reserve(map.size());
    for (const auto& item : map)
        order.push_back(&item);
    std::sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
        return std::tie(a->first.path, a->first.loadSize) < std::tie(b->first.path, b->first.loadSize);
    });
    for (const auto* item : order) {
        const auto& [key, entry] = *item;
        PutU32(out, static_cast<uint32_t>(key.path.size()));
        out.insert(out.end(), key.path.begin(), key.path.end());
        PutU64(out, entry.stamp.size);
        PutU64(out, static_cast<uint64_t>(entry.stamp.modified));
        PutU32(out, key.loadSize);
        out.insert(out.end(), entry.signature.begin(), entry.signature.end());
    }
    Seal(out);
    return out;
}

bool SignatureCache::Parse(const uint8_t* data, size_t size)
{
    Map map;
    const bool ok = ParseInto(data, size, map);
    std::lock_guard lock(mutex_);
    entries_ = std::move(map);
    modified_ = false;
    return ok;
}

bool SignatureCache::Load(const std::string& file)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(file, kMaxCacheBytes);
    if (!bytes)
        return Parse(nullptr, 0);
    return Parse(bytes->data(), bytes->size());
}

std::vector<uint8_t> SignatureCache::Serialize() const
{
    std::lock_guard lock(mutex_);
    return SerializeMap(entries_);
}

bool SignatureCache::Save(const std::string& file)
{
    std::lock_guard lock(mutex_);
    if (!modified_)
        return true;
    if (file.empty())
        return false;
    // What another program wrote meanwhile, for the files we do not have.
    Map merged;
    if (const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(file, kMaxCacheBytes))
        ParseInto(bytes->data(), bytes->size(), merged);
    for (const auto& [key, entry] : entries_)
        merged.insert_or_assign(key, entry);
    if (merged.size() > UINT32_MAX)
        return false;
    // The store tells which pictures the user has: a folder made for it
    // and the file itself are the user's alone.
    std::error_code ec;
    const fs::path folder = fs::path(file).parent_path();
    if (!folder.empty() && !fs::exists(folder, ec) && fs::create_directories(folder, ec))
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    const std::vector<uint8_t> bytes = SerializeMap(merged);
    AtomicFile out;
    if (!out.Open(file, 0600) || !out.Write(bytes.data(), bytes.size()) || !out.Commit())
        return false;
    entries_ = std::move(merged);
    modified_ = false;
    return true;
}

std::optional<Signature> SignatureCache::Lookup(const std::string& path, const FileStamp& stamp,
                                                uint32_t loadSize) const
{
    const Key key{path, loadSize};
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(key);
    if (it == entries_.end() || it->second.stamp != stamp)
        return std::nullopt;
    return it->second.signature;
}

void SignatureCache::Store(const std::string& path, const FileStamp& stamp, uint32_t loadSize,
                           const Signature& signature)
{
    Key key{path, loadSize};
    std::lock_guard lock(mutex_);
    entries_.insert_or_assign(std::move(key), Entry{stamp, signature});
    modified_ = true;
}

size_t SignatureCache::Count() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

bool SignatureCache::Modified() const
{
    std::lock_guard lock(mutex_);
    return modified_;
}

std::vector<std::string> SignatureCache::Paths(uint32_t loadSize) const
{
    std::vector<std::string> paths;
    {
        const std::lock_guard lock(mutex_);
        for (const auto& [key, entry] : entries_)
            if (key.loadSize == loadSize)
                paths.push_back(key.path);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

SignatureCacheFile::SignatureCacheFile(std::string file) : file_(std::move(file))
{
    if (!file_.empty())
        cache_.Load(file_);
}

SignatureCacheFile::~SignatureCacheFile()
{
    if (!file_.empty())
        cache_.Save(file_);
}

}  // namespace pix
