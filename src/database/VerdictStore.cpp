#include "database/VerdictStore.h"

#include <filesystem>
#include <optional>

#include "common/AtomicFile.h"
#include "common/ByteReader.h"
#include "common/FileBytes.h"
#include "database/SealedFile.h"

namespace pix {
namespace {

constexpr char kMagic[8] = {'P', 'X', 'V', 'E', 'R', 'D', '\r', '\n'};
constexpr uint32_t kVersion = 1;
constexpr size_t kPairBytes = 2 * (4 + 8);
// Some forty million verdicts; a larger file is not read.
constexpr size_t kMaxStoreBytes = size_t{1} << 30;

void PutId(std::vector<uint8_t>& out, const ContentId& id)
{
    PutU32(out, id.crc);
    PutU32(out, static_cast<uint32_t>(id.size));
    PutU32(out, static_cast<uint32_t>(id.size >> 32));
}

ContentId ReadId(ByteReader& in)
{
    ContentId id;
    id.crc = in.U32();
    id.size = in.U32();
    id.size |= uint64_t{in.U32()} << 32;
    return id;
}

}  // namespace

std::string VerdictStorePath(const std::string& databasePath)
{
    return (std::filesystem::path(databasePath).parent_path() / "pixadrome.verdicts").string();
}

VerdictStore::Pair VerdictStore::Ordered(const ContentId& a, const ContentId& b)
{
    return a < b ? Pair{a, b} : Pair{b, a};
}

bool VerdictStore::ParseInto(const uint8_t* data, size_t size, std::set<Pair>& into)
{
    std::optional<ByteReader> sealed = OpenSealed(data, size, kMagic, kVersion);
    if (!sealed)
        return false;
    ByteReader& in = *sealed;
    const uint32_t count = in.U32();
    if (in.Failed() || in.Remaining() != size_t{count} * kPairBytes)
        return false;
    std::set<Pair> pairs;
    for (uint32_t i = 0; i < count; ++i) {
        const ContentId a = ReadId(in);
        const ContentId b = ReadId(in);
        pairs.insert(Ordered(a, b));
    }
    if (in.Failed())
        return false;
    into = std::move(pairs);
    return true;
}

std::vector<uint8_t> VerdictStore::SerializeSet(const std::set<Pair>& pairs)
{
    std::vector<uint8_t> out = StartSealed(kMagic, kVersion);
    PutU32(out, static_cast<uint32_t>(pairs.size()));
    for (const auto& [a, b] : pairs) {
        PutId(out, a);
        PutId(out, b);
    }
    Seal(out);
    return out;
}

bool VerdictStore::Parse(const uint8_t* data, size_t size)
{
    std::set<Pair> pairs;
    const bool ok = ParseInto(data, size, pairs);
    const std::lock_guard lock(mutex_);
    pairs_ = std::move(pairs);
    return ok;
}

bool VerdictStore::Load(const std::string& file)
{
    const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(file, kMaxStoreBytes);
    return bytes ? Parse(bytes->data(), bytes->size()) : Parse(nullptr, 0);
}

std::vector<uint8_t> VerdictStore::Serialize() const
{
    const std::lock_guard lock(mutex_);
    return SerializeSet(pairs_);
}

bool VerdictStore::Save(const std::string& file)
{
    const std::lock_guard lock(mutex_);
    std::set<Pair> merged;
    if (const std::optional<std::vector<uint8_t>> bytes = ReadFileBytes(file, kMaxStoreBytes))
        ParseInto(bytes->data(), bytes->size(), merged);
    merged.insert(pairs_.begin(), pairs_.end());
    if (merged.size() > UINT32_MAX)
        return false;
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    const std::vector<uint8_t> bytes = SerializeSet(merged);
    AtomicFile out;
    if (!out.Open(file, 0600) || !out.Write(bytes.data(), bytes.size()) || !out.Commit())
        return false;
    pairs_ = std::move(merged);
    return true;
}

bool VerdictStore::AddNotDuplicates(const ContentId& a, const ContentId& b)
{
    const std::lock_guard lock(mutex_);
    return pairs_.insert(Ordered(a, b)).second;
}

bool VerdictStore::AreNotDuplicates(const ContentId& a, const ContentId& b) const
{
    const std::lock_guard lock(mutex_);
    return pairs_.contains(Ordered(a, b));
}

std::vector<VerdictStore::Pair> VerdictStore::List() const
{
    const std::lock_guard lock(mutex_);
    return {pairs_.begin(), pairs_.end()};
}

bool VerdictStore::Empty() const
{
    const std::lock_guard lock(mutex_);
    return pairs_.empty();
}

}  // namespace pix
