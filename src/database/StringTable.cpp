#include "database/StringTable.h"

#include <algorithm>
#include <cstring>

namespace pix {
namespace {

constexpr size_t kFirstSlots = 16;
// Arena blocks double from the first size to the largest; a string of
// more than a quarter of the largest gets a block of its own.
constexpr size_t kFirstArenaBlock = size_t{64} << 10;
constexpr size_t kLargestArenaBlock = size_t{4} << 20;

// Eight bytes at a time: each word is mixed in by a xor and a bijective
// multiply-xorshift step, and the state finished by MurmurHash3's 64-bit
// finaliser, so every input bit reaches the low bits the table indexes by.
uint32_t HashText(std::string_view text)
{
    const char* p = text.data();
    size_t n = text.size();
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    auto mix = [&h](uint64_t word) {
        h = (h ^ word) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 29;
    };
    for (; n >= 8; p += 8, n -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        mix(word);
    }
    if (n > 0) {
        uint64_t word = 0;
        std::memcpy(&word, p, n);
        mix(word);
    }
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<uint32_t>(h);
}

}  // namespace

size_t CStringTable::Probe(std::string_view text, uint32_t hash) const
{
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (slot.id == kNone || (slot.hash == hash && texts_[slot.id] == text))
            return i;
    }
}

uint32_t CStringTable::Find(std::string_view text) const
{
    if (slots_.empty())
        return kNone;
    return slots_[Probe(text, HashText(text))].id;
}

uint32_t CStringTable::Intern(std::string_view text)
{
    if ((texts_.size() + 1) * 4 > slots_.size() * 3)
        Grow();
    const uint32_t hash = HashText(text);
    const size_t slot = Probe(text, hash);
    if (slots_[slot].id != kNone)
        return slots_[slot].id;
    const auto id = static_cast<uint32_t>(texts_.size());
    texts_.push_back(CopyToArena(text));
    slots_[slot] = {hash, id};
    return id;
}

void CStringTable::Grow()
{
    LargeVector<Slot> old = std::move(slots_);
    slots_.assign(old.empty() ? kFirstSlots : old.size() * 2, Slot{0, kNone});
    const size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.id == kNone)
            continue;
        size_t i = s.hash & mask;
        while (slots_[i].id != kNone)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

std::string_view CStringTable::CopyToArena(std::string_view text)
{
    char* at;
    if (text.size() > kLargestArenaBlock / 4) {
        arena_.emplace_back(text.size());
        at = arena_.back().data();
    } else {
        if (current_ == SIZE_MAX || arena_[current_].size() - used_ < text.size()) {
            const size_t size = current_ == SIZE_MAX ? kFirstArenaBlock
                                                     : std::min(arena_[current_].size() * 2, kLargestArenaBlock);
            arena_.emplace_back(std::max(size, text.size()));
            current_ = arena_.size() - 1;
            used_ = 0;
        }
        at = arena_[current_].data() + used_;
        used_ += text.size();
    }
    if (!text.empty())
        std::memcpy(at, text.data(), text.size());
    return {at, text.size()};
}

void CStringTable::Clear() { *this = CStringTable(); }

}  // namespace pix
