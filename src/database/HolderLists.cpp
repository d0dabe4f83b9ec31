#include "database/HolderLists.h"

#include <algorithm>

namespace pix {

void CHolderLists::CountsToOffsets()
{
    for (size_t s = 0; s < builtStrings_; ++s)
        offsets_[s + 1] += offsets_[s];
}

std::vector<uint32_t>& CHolderLists::Owned(uint32_t string)
{
    if (string >= builtStrings_ || moved_[string])
        return owned_[string];
    moved_[string] = true;
    auto& list = owned_[string];
    list.assign(built_.begin() + offsets_[string], built_.begin() + offsets_[string + 1]);
    return list;
}

void CHolderLists::Add(uint32_t string, uint32_t record)
{
    auto& list = Owned(string);
    // Records are mostly added at the end of the record list.
    if (list.empty() || list.back() < record) {
        list.push_back(record);
        return;
    }
    const auto at = std::lower_bound(list.begin(), list.end(), record);
    if (*at != record)
        list.insert(at, record);
}

void CHolderLists::Filter(const std::function<bool(uint32_t)>& keep)
{
    // The built lists close up in place, string by string.
    uint32_t write = 0;
    for (size_t s = 0; s < builtStrings_; ++s) {
        const uint32_t begin = offsets_[s];
        const uint32_t end = offsets_[s + 1];
        offsets_[s] = write;
        if (moved_[s])
            continue;
        for (uint32_t i = begin; i < end; ++i)
            if (keep(built_[i]))
                built_[write++] = built_[i];
    }
    if (builtStrings_ > 0) {
        offsets_[builtStrings_] = write;
        built_.resize(write);
    }
    for (auto& [string, list] : owned_)
        std::erase_if(list, [&keep](uint32_t r) { return !keep(r); });
}

void CHolderLists::Clear() { *this = CHolderLists(); }

}  // namespace pix
