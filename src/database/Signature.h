#pragma once
// Image signatures for the duplicate and similar-image searches: the
// average colour of each cell of an 8 × 8 grid over the picture, stretched
// per channel to the full 0..255 range, compared by a percentage.

#include <array>
#include <cstdint>

namespace pix {

class CImageBuffer;

// 64 cells of red, green, blue; cell k = row + 8 × column holds bytes
// 3k..3k+2. Rows follow the buffer's memory rows (row 0 is the bottom of a
// bottom-up picture).
inline constexpr int kSignatureSize = 192;
using Signature = std::array<uint8_t, kSignatureSize>;

// The signature of a 24-bit picture. An empty buffer gives all zeros.
Signature ComputeSignature(const CImageBuffer& image);

// The sum of squared byte differences of two signatures.
uint32_t SignatureDistance(const Signature& a, const Signature& b);

// The signature of the same picture turned or mirrored, one of the eight
// ways a square can be laid (0 leaves it as it is; 1..7 the others), made
// from the grid alone: the cells move, the stretch is unchanged.
inline constexpr int kSignatureTurns = 8;
Signature TurnSignature(const Signature& signature, int turn);

// Similarity of two signatures in percent, 0 to 100 (100: identical).
// A distance d up to 3145728 scores 100 × (3145728 − d) / 3145728; above
// it the score is measured from the largest possible distance, so a pair
// of nearly opposite signatures scores high again.
int CompareSignatures(const Signature& a, const Signature& b);

// The size hint (both dimensions) for loading candidates at a tolerance:
// 0 (full size) for 100, 128 for 99, 64 for 97 and 98, 32 below.
uint32_t LoadSizeForTolerance(int tolerance);

// A signature with what the cheap rejection test needs: the sums of its
// 24 blocks of 8 bytes (one channel of one grid column each; at most 2040)
// and its squared length. The test reads only the first cache line.
inline constexpr int kSignatureBlocks = 24;
struct IndexedSignature {
    alignas(64) std::array<int16_t, kSignatureBlocks> blockSums{};
    uint32_t squaredLength = 0;
    Signature bytes{};
};
IndexedSignature IndexSignature(const Signature& signature);

// Answers CompareSignatures(a, b) >= tolerance, first trying a bound that
// rejects most dissimilar pairs without looking at their bytes.
class SimilarityThreshold {
public:
    explicit SimilarityThreshold(int tolerance);
    bool Reaches(const IndexedSignature& a, const IndexedSignature& b) const;
    // True only when the pair certainly scores below the tolerance.
    bool CannotReach(const IndexedSignature& a, const IndexedSignature& b) const;

    // The same answer told by distance: every pair or none, or a pair
    // reaches exactly when its distance is at most NearLimit() (the near
    // side) or at least FarLimit() (the far side).
    bool All() const { return all_; }
    bool None() const { return none_; }
    int64_t NearLimit() const { return nearLimit_; }
    int64_t FarLimit() const { return farLimit_; }

private:
    bool all_;            // every pair reaches the tolerance
    bool none_;           // no pair does
    int tolerance_;
    int64_t nearLimit_;   // largest distance scoring enough on the near side
    int64_t farLimit_;    // smallest distance scoring enough on the far side
};

}  // namespace pix
