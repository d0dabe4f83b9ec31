#pragma once
// An index over a list of signatures that tells, for a signature, every
// listed one whose similarity to it reaches a tolerance, without comparing
// most pairs. The answers are exactly those of SimilarityThreshold::Reaches
// over all pairs, on both sides of the score.
//
// The near side is a range search in a k-d tree over a short key of each
// signature: its coordinates along the principal axes of the indexed
// signatures (the directions in which they differ most), found from a
// sample, and the length of what those axes leave out (the residual). The
// axes are orthonormal, so the difference of two signatures splits into
// its part along the axes and a residual part at least as long as the
// difference of their residuals' lengths: the distance of two keys never
// exceeds that of their signatures. A branch of the tree whose box is
// farther from the query than the tolerance allows holds no match, and the
// pairs left are compared exactly. The far side (nearly opposite
// signatures) needs both signatures far from mid-grey: the distance to
// grey bounds the pair's distance by the triangle inequality, and
// signatures are kept sorted by it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "database/Signature.h"

namespace pix {

class SignatureIndex {
public:
    // Indexes signatures[i] for every i with present[i] != 0. The vector
    // must outlive the index and stay unchanged.
    SignatureIndex(const std::vector<IndexedSignature>& signatures, const std::vector<uint8_t>& present,
                   int tolerance);

    // Appends to out, in increasing order, the index of every present
    // signature not removed that reaches the tolerance with query (the
    // query's own index too, when it is one of them).
    void Reaching(const IndexedSignature& query, std::vector<uint32_t>& out) const;

    // The same for many queries at once: appends to *outs[q] the answer for
    // *queries[q]. The tree is walked once for all of them, and each leaf
    // read once for all whose tolerance reaches it, so that a batch costs
    // far less memory traffic than its queries one by one.
    void Reaching(std::span<const IndexedSignature* const> queries,
                  std::span<std::vector<uint32_t>* const> outs) const;

    // Takes signature i out of later answers; the tree skips branches left
    // empty, so a search that groups most signatures speeds up as it goes.
    void Remove(uint32_t i);

    static constexpr size_t kAxes = 16;
    static constexpr size_t kKeySize = kAxes + 1;  // the residual's length last
    using Key = std::array<float, kKeySize>;

private:
    void FindAxes(const std::vector<uint32_t>& indexes);
    Key KeyOf(const Signature& signature) const;

    struct Node {
        Key low{}, high{};
        uint32_t begin = 0, end = 0;  // the node's range of order_
        uint32_t left = 0, right = 0; // children; 0 for a leaf
        uint32_t parent = 0;          // the root's is itself
        uint32_t alive = 0;           // points not removed below
    };
    uint32_t Build(uint32_t begin, uint32_t end, uint32_t parent);
    void Near(std::span<const IndexedSignature* const> queries, std::span<std::vector<uint32_t>* const> outs) const;
    void Far(const IndexedSignature& query, std::vector<uint32_t>& out) const;

    const std::vector<IndexedSignature>& signatures_;
    SimilarityThreshold threshold_;
    std::vector<uint32_t> order_;  // signature indexes in tree order
    std::vector<IndexedSignature> inOrder_;  // the signatures in tree order
    std::vector<Key> keys_;        // keys in tree order, while building
    static constexpr size_t kCoarseSize = (kKeySize + 1) / 2 * 2;  // coordinates go in pairs
    using CoarseKey = std::array<uint8_t, kCoarseSize>;
    CoarseKey Coarse(const Key& key) const;
    double step_ = 1;                        // of the coarse keys
    std::array<double, kKeySize> centre_{};  // of the keys, coarse 128
    std::vector<uint8_t> columns_;  // the coarse keys, each leaf's pairs of dimensions after each other
    std::vector<Node> nodes_;
    std::vector<double> axes_;        // kAxes orthonormal axes of 192 each
    std::vector<double> mean_;        // of the sample the axes came from
    double slack_ = 0;                // covers the keys' rounding
    std::vector<uint32_t> position_;  // tree position of each signature index
    std::vector<uint32_t> leafAt_;    // the leaf holding each tree position
    // By tree position: 0 while present, more than any coarse distance
    // once removed, so a leaf scan adds it and tests the sum once.
    std::vector<uint16_t> gone_;
    // The far side: signature indexes by decreasing distance from grey.
    std::vector<uint32_t> byGrey_;
    std::vector<double> greyDistance_;  // twice the distance, in byGrey_ order
};

}  // namespace pix
