#pragma once
// For every string id of the database, the ascending ids of the records
// that hold it (a list may also name records that were removed or no
// longer hold the string; the caller checks the records it visits).
//
// The lists of a loaded file are built in two passes over its records
// (count, then fill) into two flat arrays, string s owning
// built_[offsets_[s] .. offsets_[s + 1]), so loading allocates nothing per
// string. A list that changes afterwards, and the list of a string added
// afterwards, is a vector of its own.

#include <cstdint>
#include <functional>
#include <span>
#include <unordered_map>
#include <vector>

#include "common/LargeAllocator.h"

namespace pix {

class CHolderLists {
public:
    // Builds the lists of stringCount strings over recordCount records,
    // stringsOf(r) giving the string ids of record r (a span; a string
    // repeated in a record lists the record once).
    template <typename StringsOf>
    void Build(size_t stringCount, size_t recordCount, StringsOf&& stringsOf);

    std::span<const uint32_t> Of(uint32_t string) const
    {
        if (string < builtStrings_ && !moved_[string])
            return {built_.data() + offsets_[string], built_.data() + offsets_[string + 1]};
        const auto it = owned_.find(string);
        return it == owned_.end() ? std::span<const uint32_t>() : std::span<const uint32_t>(it->second);
    }

    // Puts record into string's list unless it is there.
    void Add(uint32_t string, uint32_t record);
    // Drops every record for which keep(record) is false.
    void Filter(const std::function<bool(uint32_t)>& keep);
    void Clear();

private:
    // The list of string as a vector of its own (moved out of the built
    // arrays on the first change).
    std::vector<uint32_t>& Owned(uint32_t string);
    // Turns the counts in offsets_[s + 1] into offsets.
    void CountsToOffsets();

    size_t builtStrings_ = 0;
    LargeVector<uint32_t> offsets_;  // builtStrings_ + 1 entries
    LargeVector<uint32_t> built_;
    std::vector<bool> moved_;  // built lists now kept in owned_
    std::unordered_map<uint32_t, std::vector<uint32_t>> owned_;
};

template <typename StringsOf>
void CHolderLists::Build(size_t stringCount, size_t recordCount, StringsOf&& stringsOf)
{
    Clear();
    builtStrings_ = stringCount;
    offsets_.assign(stringCount + 1, 0);
    moved_.assign(stringCount, false);
    // A string repeated in one record is marked at its first appearance
    // and counted once; the marks are cleared after the record.
    std::vector<bool> marked(stringCount, false);
    auto eachOnce = [&](uint32_t record, auto&& visit) {
        const std::span<const uint32_t> strings = stringsOf(record);
        for (uint32_t s : strings)
            if (!marked[s]) {
                marked[s] = true;
                visit(s);
            }
        for (uint32_t s : strings)
            marked[s] = false;
    };
    for (size_t r = 0; r < recordCount; ++r)
        eachOnce(static_cast<uint32_t>(r), [&](uint32_t s) { ++offsets_[s + 1]; });
    CountsToOffsets();
    built_.resize(offsets_[stringCount]);
    // offsets_[s] serves as string s's fill position and ends at the start
    // of string s + 1; shifting the array back by one restores the starts.
    for (size_t r = 0; r < recordCount; ++r)
        eachOnce(static_cast<uint32_t>(r), [&](uint32_t s) { built_[offsets_[s]++] = static_cast<uint32_t>(r); });
    for (size_t s = stringCount; s > 0; --s)
        offsets_[s] = offsets_[s - 1];
    offsets_[0] = 0;
}

}  // namespace pix
