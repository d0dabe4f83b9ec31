#pragma once
// The database's strings, each stored once under a dense id (0, 1, 2, … in
// the order they first appear).
//
// The texts are copied into an arena: blocks that never move, filled one
// after the other, so interning allocates nothing per string and every
// view Text returns stays valid until Clear.
//
// Lookups go through an open-addressing hash table: a power-of-two array
// of slots, linear probing, at most three quarters full. A slot holds the
// string's 32-bit hash beside its id, so a probe reads the text only when
// the hashes agree.

#include <cstdint>
#include <string_view>
#include <vector>

#include "common/LargeAllocator.h"

namespace pix {

class CStringTable {
public:
    static constexpr uint32_t kNone = UINT32_MAX;

    // The id of text, or kNone when it is not in the table.
    uint32_t Find(std::string_view text) const;
    // The id of text; a new string is copied into the arena.
    uint32_t Intern(std::string_view text);

    std::string_view Text(uint32_t id) const { return texts_[id]; }
    size_t Size() const { return texts_.size(); }
    void Clear();

private:
    struct Slot {
        uint32_t hash;
        uint32_t id;  // kNone: empty
    };

    // The slot holding text, or the empty slot where it would go.
    size_t Probe(std::string_view text, uint32_t hash) const;
    void Grow();
    std::string_view CopyToArena(std::string_view text);

    LargeVector<std::string_view> texts_;  // by id
    LargeVector<Slot> slots_;
    // Blocks are allocated once at their full size and never resized.
    std::vector<LargeVector<char>> arena_;
    size_t current_ = SIZE_MAX;  // the block small strings go to
    size_t used_ = 0;            // bytes of it in use
};

}  // namespace pix
