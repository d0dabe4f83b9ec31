#include "image/AdaptiveHuffman.h"

#include <algorithm>
#include <cassert>
#include <utility>

namespace pix {

void AdaptiveHuffman::Reset()
{
    count_ = 1;
    escape_ = 0;
    weight_[0] = 0;
    parent_[0] = -1;
    child_[0][0] = child_[0][1] = -1;
    symbol_[0] = kEscape;
    unseenCount_ = kSymbols;
    for (int s = 0; s < kSymbols; ++s) {
        leaf_[s] = -1;
        unseen_[s] = static_cast<uint16_t>(s);
    }
}

// Takes the unseen symbol at position index out of the list and gives it a
// leaf of weight 0. While symbols stay unseen the escape node's place goes
// to a new inner node over the escape node (left) and the new leaf (right);
// the last unseen symbol simply takes the escape node's place.
int AdaptiveHuffman::AddUnseen(int index)
{
    const int symbol = unseen_[index];
    std::copy(unseen_ + index + 1, unseen_ + unseenCount_, unseen_ + index);
    --unseenCount_;
    const int p = escape_;
    if (unseenCount_ == 0) {
        symbol_[p] = static_cast<int16_t>(symbol);
        leaf_[symbol] = static_cast<int16_t>(p);
        escape_ = -1;
        return p;
    }
    const int leaf = p + 1;
    const int esc = p + 2;
    child_[p][0] = static_cast<int16_t>(esc);
    child_[p][1] = static_cast<int16_t>(leaf);
    symbol_[p] = -1;
    weight_[leaf] = 0;
    parent_[leaf] = static_cast<int16_t>(p);
    child_[leaf][0] = child_[leaf][1] = -1;
    symbol_[leaf] = static_cast<int16_t>(symbol);
    weight_[esc] = 0;
    parent_[esc] = static_cast<int16_t>(p);
    child_[esc][0] = child_[esc][1] = -1;
    symbol_[esc] = kEscape;
    count_ += 2;
    escape_ = esc;
    leaf_[symbol] = static_cast<int16_t>(leaf);
    return leaf;
}

// Nodes a and b (equal weights, neither above the other) trade places in
// the tree and in the order, each taking its subtree along.
void AdaptiveHuffman::Exchange(int a, int b)
{
    std::swap(child_[a][0], child_[b][0]);
    std::swap(child_[a][1], child_[b][1]);
    std::swap(symbol_[a], symbol_[b]);
    for (int n : {a, b}) {
        if (child_[n][0] < 0) {
            leaf_[symbol_[n]] = static_cast<int16_t>(n);
        } else {
            parent_[child_[n][0]] = static_cast<int16_t>(n);
            parent_[child_[n][1]] = static_cast<int16_t>(n);
        }
    }
}

void AdaptiveHuffman::Update(int node)
{
    while (node != 0) {
        const uint32_t w = weight_[node];
        if (w != 0) {
            // The leader: the highest node of the block, i.e. the lowest
            // number whose weight is still w (weights never decrease upward).
            int leader = node;
            while (leader > 0 && weight_[leader - 1] == w)
                --leader;
            if (leader != node && leader != parent_[node]) {
                // Only the parent can share a weight with one of its
                // descendants (its other child then weighs 0), so the leader
                // is never above the node.
                assert(leader != 0);
                Exchange(node, leader);
                node = leader;
            }
        }
        ++weight_[node];
        node = parent_[node];
    }
    ++weight_[0];
}

void AdaptiveHuffman::Encode(int symbol, WordBitWriter& out)
{
    int node = leaf_[symbol];
    const bool seen = node >= 0;
    if (!seen)
        node = escape_;
    // The path is collected leaf to root and sent root first.
    uint8_t path[kMaxNodes];
    int depth = 0;
    for (int n = node; n != 0; n = parent_[n])
        path[depth++] = child_[parent_[n]][1] == n ? 1 : 0;
    while (depth > 0)
        out.PutBit(path[--depth]);
    if (!seen) {
        const int index = static_cast<int>(std::lower_bound(unseen_, unseen_ + unseenCount_, symbol) - unseen_);
        out.PutBitsMsbFirst(static_cast<uint32_t>(index), IndexBits(unseenCount_));
        node = AddUnseen(index);
    }
    Update(node);
}

int AdaptiveHuffman::Decode(WordBitReader& in)
{
    int node = 0;
    while (child_[node][0] >= 0)
        node = child_[node][in.GetBit()];
    if (in.Failed())
        return -1;
    if (node == escape_) {
        const int index = static_cast<int>(in.GetBitsMsbFirst(IndexBits(unseenCount_)));
        if (in.Failed() || index >= unseenCount_)
            return -1;
        node = AddUnseen(index);
    }
    const int symbol = symbol_[node];
    Update(node);
    return symbol;
}

}  // namespace pix
