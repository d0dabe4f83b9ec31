#include "database/Signature.h"

#include <algorithm>
#include <utility>

#include "image/CImageBuffer.h"

namespace pix {
namespace {

constexpr int kCells = 64;
// Distances up to this score on the near side; the far side is measured
// from the largest distance, 192 × 255², less this.
constexpr uint32_t kNearSpan = 3145728;                // 0x300000
constexpr uint32_t kFarStart = 192 * 255 * 255 - kNearSpan;  // 9339072

int ScoreForDistance(uint32_t d)
{
    uint32_t r = 0;
    if (d <= kNearSpan)
        r = kNearSpan - d;
    else if (d > kFarStart)
        r = d - kFarStart;
    return static_cast<int>((uint64_t{100} * r) / kNearSpan);
}

}  // namespace

Signature ComputeSignature(const CImageBuffer& image)
{
    // 32-bit sums as the signature is defined; they wrap only for columns
    // of more than 16 million pixels, identically everywhere.
    std::array<uint32_t, kCells> red{}, green{}, blue{}, count{};
    const uint32_t width = image.Width();
    const uint32_t height = image.Height();
    if (!image.IsEmpty() && width > 0 && height > 0) {
        // Column c holds the x with c <= 8x / width < c + 1, that is
        // ceil(c × width / 8) <= x < ceil((c + 1) × width / 8).
        std::array<uint32_t, 9> columnStart{};
        for (uint32_t c = 0; c <= 8; ++c)
            columnStart[c] = static_cast<uint32_t>((uint64_t{c} * width + 7) / 8);
        for (uint32_t y = 0; y < height; ++y) {
            const auto row = static_cast<uint32_t>((uint64_t{8} * y) / height);
            const uint8_t* p = image.Row(y);
            for (uint32_t c = 0; c < 8; ++c) {
                uint32_t sb = 0, sg = 0, sr = 0;
                for (uint32_t x = columnStart[c]; x < columnStart[c + 1]; ++x) {
                    sb += p[3 * x];
                    sg += p[3 * x + 1];
                    sr += p[3 * x + 2];
                }
                const uint32_t k = row + 8 * c;
                blue[k] += sb;
                green[k] += sg;
                red[k] += sr;
                count[k] += columnStart[c + 1] - columnStart[c];
            }
        }
    }

    Signature sig{};
    for (int k = 0; k < kCells; ++k) {
        const uint32_t n = std::max<uint32_t>(count[k], 1);
        sig[3 * k] = static_cast<uint8_t>(red[k] / n);
        sig[3 * k + 1] = static_cast<uint8_t>(green[k] / n);
        sig[3 * k + 2] = static_cast<uint8_t>(blue[k] / n);
    }
    for (int channel = 0; channel < 3; ++channel) {
        uint32_t lo = 255, hi = 0;
        for (int k = 0; k < kCells; ++k) {
            lo = std::min<uint32_t>(lo, sig[3 * k + channel]);
            hi = std::max<uint32_t>(hi, sig[3 * k + channel]);
        }
        const uint32_t range = hi - lo;
        if (range == 0)
            continue;
        for (int k = 0; k < kCells; ++k) {
            uint8_t& v = sig[3 * k + channel];
            v = static_cast<uint8_t>(std::min<uint32_t>(((v - lo) * 256) / range, 255));
        }
    }
    return sig;
}

Signature TurnSignature(const Signature& signature, int turn)
{
    // Bit 0 mirrors rows, bit 1 mirrors columns, bit 2 swaps them.
    Signature out{};
    for (int row = 0; row < 8; ++row)
        for (int column = 0; column < 8; ++column) {
            int r = turn & 1 ? 7 - row : row;
            int c = turn & 2 ? 7 - column : column;
            if (turn & 4)
                std::swap(r, c);
            const int from = 3 * (row + 8 * column), to = 3 * (r + 8 * c);
            for (int channel = 0; channel < 3; ++channel)
                out[to + channel] = signature[from + channel];
        }
    return out;
}

uint32_t SignatureDistance(const Signature& a, const Signature& b)
{
    // Written so the compiler turns it into widening multiply-adds.
    uint32_t d = 0;
    for (int i = 0; i < kSignatureSize; ++i) {
        const int diff = int{a[i]} - int{b[i]};
        d += static_cast<uint32_t>(diff * diff);
    }
    return d;
}

int CompareSignatures(const Signature& a, const Signature& b) { return ScoreForDistance(SignatureDistance(a, b)); }

uint32_t LoadSizeForTolerance(int tolerance)
{
    if (tolerance >= 100)
        return 0;
    if (tolerance == 99)
        return 128;
    if (tolerance >= 97)
        return 64;
    return 32;
}

IndexedSignature IndexSignature(const Signature& signature)
{
    IndexedSignature s;
    s.bytes = signature;
    // Block 8 × channel + column sums that channel over the column's cells
    // 8 × column .. 8 × column + 7.
    for (int k = 0; k < kCells; ++k)
        for (int channel = 0; channel < 3; ++channel)
            s.blockSums[8 * channel + k / 8] =
                static_cast<int16_t>(s.blockSums[8 * channel + k / 8] + signature[3 * k + channel]);
    for (uint8_t v : signature)
        s.squaredLength += uint32_t{v} * v;
    return s;
}

// With rmin = ceil(tolerance × 3145728 / 100), a pair reaches the tolerance
// exactly when its distance d satisfies d <= 3145728 − rmin (near side) or
// d >= 9339072 + rmin (far side), because 100 × r / 3145728 >= tolerance
// is 100 × r >= tolerance × 3145728 for whole numbers.
SimilarityThreshold::SimilarityThreshold(int tolerance)
    : all_(tolerance <= 0), none_(tolerance > 100), tolerance_(tolerance)
{
    const int64_t rmin = (int64_t{tolerance} * kNearSpan + 99) / 100;
    nearLimit_ = int64_t{kNearSpan} - rmin;
    farLimit_ = int64_t{kFarStart} + rmin;
}

// The bound. For a block B of m = 8 bytes, Cauchy-Schwarz gives
//   sum over B of (a_i − b_i)² >= (sum over B of (a_i − b_i))² / m,
// so 8 × d >= the sum over the 24 blocks of (blockSum_a − blockSum_b)²,
// and a pair whose block sums differ by more than 8 × nearLimit is past
// the near side. The far side is ruled out separately: all bytes are
// non-negative, so a·b >= 0 and d = |a|² + |b|² − 2 a·b <= |a|² + |b|²;
// when that is below farLimit, d cannot reach it. Only when both hold is
// the pair rejected, so the answer is always that of CompareSignatures.
bool SimilarityThreshold::CannotReach(const IndexedSignature& a, const IndexedSignature& b) const
{
    if (all_)
        return false;
    if (none_)
        return true;
    if (int64_t{a.squaredLength} + b.squaredLength >= farLimit_)
        return false;
    // Differences fit 16 bits and 24 squares fit 32, so this becomes
    // 16-bit multiply-adds.
    int32_t blockBound = 0;
    for (int i = 0; i < kSignatureBlocks; ++i) {
        const auto diff = static_cast<int16_t>(a.blockSums[i] - b.blockSums[i]);
        blockBound += int32_t{diff} * diff;
    }
    return blockBound > 8 * nearLimit_;
}

bool SimilarityThreshold::Reaches(const IndexedSignature& a, const IndexedSignature& b) const
{
    if (all_)
        return true;
    if (none_ || CannotReach(a, b))
        return false;
    return ScoreForDistance(SignatureDistance(a.bytes, b.bytes)) >= tolerance_;
}

}  // namespace pix
