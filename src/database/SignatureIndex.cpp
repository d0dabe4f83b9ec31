#include "database/SignatureIndex.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace pix {
namespace {

// Leaves are scanned in runs of 64 keys, one bit each in a mask; the
// coarse keys and removal marks go on for a run past the last key.
constexpr uint32_t kRun = 64;
constexpr uint32_t kLeafSize = 2048;
constexpr int64_t kLargestDistance = int64_t{kSignatureSize} * 255 * 255;

// The squared distance from key to the nearest point of a node's box.
double BoxDistance(const SignatureIndex::Key& key, const SignatureIndex::Key& low, const SignatureIndex::Key& high)
{
    // Without branches, in four running sums, so that it fits vectors.
    std::array<float, 4> sums{};
    for (size_t i = 0; i < SignatureIndex::kKeySize; ++i) {
        const float diff = std::max(std::max(low[i] - key[i], key[i] - high[i]), 0.0F);
        sums[i % 4] += diff * diff;
    }
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

// Leaf scans read keys coarsened to whole steps of a 32nd of the search
// radius, one byte per coordinate: a step apart or less may be no distance
// at all, each step more is at least a step's length, and a pair more than
// kSteps steps apart in any coordinate is past the radius. Coordinates go
// in pairs, the two of a key side by side, so that one multiply-add of
// bytes squares and sums both; a last, empty coordinate fills the pair.
constexpr int kSteps = 32;
constexpr int kLimit = kSteps * kSteps;
constexpr size_t kPairs = (SignatureIndex::kKeySize + 1) / 2;
constexpr uint16_t kGone = 0x2000;  // beyond kLimit; with kPairs × 2 × 33² it stays below 2¹⁵

// Bit k tells whether key k of a run of count <= 64 coarse keys may lie
// within the radius of key (gone[k] is added to its distance). A run's
// pair of coordinates p starts at columns + p × stride. A whole run of 64
// is read, so columns and gone go on past the last key.
uint64_t NearInRunPlain(const uint8_t* columns, size_t stride, const uint8_t* key, const uint16_t* gone,
                        uint32_t count)
{
    uint16_t distance[kRun];
    std::copy_n(gone, kRun, distance);
    for (size_t d = 0; d < 2 * kPairs; ++d) {
        const uint8_t* column = columns + (d / 2) * stride + d % 2;
        for (uint32_t k = 0; k < kRun; ++k) {
            const int apart = std::abs(int{column[2 * k]} - key[d]);
            const int steps = std::min(std::max(apart - 1, 0), kSteps + 1);
            distance[k] = static_cast<uint16_t>(distance[k] + steps * steps);
        }
    }
    uint64_t near = 0;
    for (uint32_t k = 0; k < count; ++k)
        near |= uint64_t{distance[k] <= kLimit} << k;
    return near;
}

#if defined(__x86_64__) && defined(__GNUC__)
// Sets far[r] to the lanes of sums[r] past the limit; true when all are.
__attribute__((target("avx2"))) inline bool AllFar(const __m256i* sums, __m256i* far)
{
    const __m256i limit = _mm256_set1_epi16(kLimit);
    for (int r = 0; r < 4; ++r)
        far[r] = _mm256_cmpgt_epi16(sums[r], limit);
    const __m256i all = _mm256_and_si256(_mm256_and_si256(far[0], far[1]), _mm256_and_si256(far[2], far[3]));
    return _mm256_testc_si256(all, _mm256_set1_epi8(-1)) != 0;
}

// The same, 32 coordinates at a time: absolute differences by saturating
// subtraction, then the pairs' squares summed into 16 bits at once.
__attribute__((target("avx2"))) uint64_t NearInRunAvx2(const uint8_t* columns, size_t stride, const uint8_t* key,
                                                       const uint16_t* gone, uint32_t count)
{
    const __m256i one = _mm256_set1_epi8(1);
    const __m256i most = _mm256_set1_epi8(kSteps + 1);
    __m256i sums[4];
    for (int r = 0; r < 4; ++r)
        sums[r] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(gone + 16 * r));
    __m256i far[4];
    for (size_t p = 0; p < kPairs; ++p) {
        const __m256i q = _mm256_set1_epi16(static_cast<int16_t>(key[2 * p] | key[2 * p + 1] << 8));
        const uint8_t* pair = columns + p * stride;
        for (int r = 0; r < 4; ++r) {
            const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pair + 32 * r));
            const __m256i apart = _mm256_or_si256(_mm256_subs_epu8(x, q), _mm256_subs_epu8(q, x));
            const __m256i steps = _mm256_min_epu8(_mm256_subs_epu8(apart, one), most);
            sums[r] = _mm256_add_epi16(sums[r], _mm256_maddubs_epi16(steps, steps));
        }
        // The leading coordinates vary most: after them, a run is mostly
        // past the radius already.
        if ((p == 1 || p == 3) && AllFar(sums, far))
            return 0;
    }
    // Mostly no key of a run is near: one test tells.
    if (AllFar(sums, far))
        return 0;
    // Packing works within 128-bit halves; the permutation puts keys back
    // in order.
    const __m256i low = _mm256_permute4x64_epi64(_mm256_packs_epi16(far[0], far[1]), 0xD8);
    const __m256i high = _mm256_permute4x64_epi64(_mm256_packs_epi16(far[2], far[3]), 0xD8);
    uint64_t near = ~(uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(low))} |
                      uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(high))} << 32);
    if (count < kRun)
        near &= (uint64_t{1} << count) - 1;
    return near;
}
#endif

// The choice of vector unit is made on the first call rather than by the
// loader, whose early resolvers sanitizers cannot run.
uint64_t NearInRun(const uint8_t* columns, size_t stride, const uint8_t* key, const uint16_t* gone, uint32_t count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return NearInRunAvx2(columns, stride, key, gone, count);
#endif
    return NearInRunPlain(columns, stride, key, gone, count);
}

// Twice the distance of a signature from mid-grey (127.5 in every byte).
double GreyDistance(const Signature& s)
{
    int64_t g = 0;
    for (uint8_t v : s) {
        const int64_t twice = 2 * int64_t{v} - 255;
        g += twice * twice;
    }
    return std::sqrt(static_cast<double>(g));
}

}  // namespace

// Orthonormal axes along which the signatures differ most: the leading
// eigenvectors of their covariance, by subspace iteration from a fixed
// start. Any orthonormal axes keep the answers exact; good ones make the
// tree prune well.
void SignatureIndex::FindAxes(const std::vector<uint32_t>& indexes)
{
    constexpr size_t n = kSignatureSize;
    constexpr size_t kSample = 4096;
    const size_t step = std::max<size_t>(1, indexes.size() / kSample);
    mean_.assign(n, 0.0);
    std::vector<double> covariance(size_t{n} * n, 0.0);
    size_t count = 0;
    for (size_t k = 0; k < indexes.size(); k += step, ++count)
        for (size_t i = 0; i < n; ++i)
            mean_[i] += signatures_[indexes[k]].bytes[i];
    for (double& m : mean_)
        m /= static_cast<double>(std::max<size_t>(count, 1));
    std::vector<double> centred(n);
    for (size_t k = 0; k < indexes.size(); k += step) {
        for (size_t i = 0; i < n; ++i)
            centred[i] = signatures_[indexes[k]].bytes[i] - mean_[i];
        for (size_t i = 0; i < n; ++i)
            for (size_t j = i; j < n; ++j)
                covariance[i * n + j] += centred[i] * centred[j];
    }
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < i; ++j)
            covariance[i * n + j] = covariance[j * n + i];

    auto orthonormalise = [](std::vector<double>& v) {
        for (size_t a = 0; a < kAxes; ++a) {
            double* va = &v[a * n];
            for (int pass = 0; pass < 2; ++pass)
                for (size_t b = 0; b < a; ++b) {
                    const double* vb = &v[b * n];
                    double dot = 0;
                    for (size_t i = 0; i < n; ++i)
                        dot += va[i] * vb[i];
                    for (size_t i = 0; i < n; ++i)
                        va[i] -= dot * vb[i];
                }
            double length = 0;
            for (size_t i = 0; i < n; ++i)
                length += va[i] * va[i];
            length = std::sqrt(length);
            for (size_t i = 0; i < n; ++i)
                va[i] = length > 1e-12 ? va[i] / length : (i == a ? 1.0 : 0.0);
        }
    };
    axes_.assign(kAxes * n, 0.0);
    for (size_t a = 0; a < kAxes; ++a)
        for (size_t i = 0; i < n; ++i)
            axes_[a * n + i] = std::sin(1.0 + 7.3 * static_cast<double>(a) + 0.37 * static_cast<double>(i)) +
                               (i % kAxes == a ? 2.0 : 0.0);
    orthonormalise(axes_);
    std::vector<double> next(axes_.size());
    for (int round = 0; round < 24; ++round) {
        for (size_t a = 0; a < kAxes; ++a)
            for (size_t i = 0; i < n; ++i) {
                double sum = 0;
                for (size_t j = 0; j < n; ++j)
                    sum += covariance[i * n + j] * axes_[a * n + j];
                next[a * n + i] = sum;
            }
        orthonormalise(next);
        axes_.swap(next);
    }
    orthonormalise(axes_);
}

SignatureIndex::Key SignatureIndex::KeyOf(const Signature& signature) const
{
    std::array<double, kSignatureSize> centred;
    double length = 0;
    for (size_t i = 0; i < kSignatureSize; ++i) {
        centred[i] = signature[i] - mean_[i];
        length += centred[i] * centred[i];
    }
    Key key{};
    for (size_t a = 0; a < kAxes; ++a) {
        const double* axis = &axes_[a * kSignatureSize];
        double sum = 0;
        for (size_t i = 0; i < kSignatureSize; ++i)
            sum += axis[i] * centred[i];
        key[a] = static_cast<float>(sum);
        length -= sum * sum;
    }
    key[kAxes] = static_cast<float>(std::sqrt(std::max(length, 0.0)));
    return key;
}

// Rounding to whole steps moves each coordinate by at most half a step,
// and the clamp only brings coordinates closer, so two coarse coordinates
// n steps apart belong to keys at least (n − 1) steps apart.
SignatureIndex::CoarseKey SignatureIndex::Coarse(const Key& key) const
{
    CoarseKey coarse{};
    for (size_t d = 0; d < kKeySize; ++d)
        coarse[d] = static_cast<uint8_t>(128 + std::clamp<long>(std::lround((key[d] - centre_[d]) / step_), -127, 127));
    return coarse;
}

SignatureIndex::SignatureIndex(const std::vector<IndexedSignature>& signatures, const std::vector<uint8_t>& present,
                               int tolerance)
    : signatures_(signatures), threshold_(tolerance)
{
    for (uint32_t i = 0; i < signatures.size(); ++i)
        if (i < present.size() && present[i])
            order_.push_back(i);
    gone_.assign(order_.size() + kRun, 0);
    auto place = [&] {
        position_.assign(signatures.size(), UINT32_MAX);
        for (uint32_t k = 0; k < order_.size(); ++k)
            position_[order_[k]] = k;
    };
    if (threshold_.All() || threshold_.None()) {
        place();
        return;
    }

    FindAxes(order_);
    // Keys are single precision: coordinates up to 3,600 carry errors under
    // 0.001, so a squared key distance is off by less than 17 × 2 × 7,200 ×
    // 0.002; sums of floats add a little more in proportion. The residual's
    // length, the root of a difference of squares up to 1.3e7 in double
    // precision, is off by far less.
    slack_ = 1024.0 + 1e-4 * static_cast<double>(threshold_.NearLimit());
    keys_.reserve(order_.size());
    for (uint32_t i : order_)
        keys_.push_back(KeyOf(signatures[i].bytes));
    leafAt_.resize(order_.size());
    if (!order_.empty())
        Build(0, static_cast<uint32_t>(order_.size()), 0);
    place();
    inOrder_.reserve(order_.size());
    for (uint32_t i : order_)
        inOrder_.push_back(signatures[i]);
    // Searches read only the coarse keys; the rows served the build. Each
    // leaf's coarse keys lie together, dimension after dimension, so that a
    // leaf is read front to back.
    const double radius = std::sqrt(static_cast<double>(threshold_.NearLimit()) + slack_);
    step_ = radius / kSteps;
    for (size_t d = 0; d < kKeySize; ++d) {
        float low = 0, high = 0;
        if (!nodes_.empty()) {
            low = nodes_[0].low[d];
            high = nodes_[0].high[d];
        }
        centre_[d] = (static_cast<double>(low) + high) / 2;
    }
    columns_.resize(kCoarseSize * (keys_.size() + kRun));
    for (const Node& node : nodes_)
        if (node.left == 0)
            for (uint32_t k = node.begin; k < node.end; ++k) {
                const CoarseKey coarse = Coarse(keys_[k]);
                for (size_t d = 0; d < kCoarseSize; ++d)
                    columns_[kCoarseSize * node.begin + (d / 2) * 2 * (node.end - node.begin) + 2 * (k - node.begin) +
                             d % 2] = coarse[d];
            }
    keys_ = {};

    if (threshold_.FarLimit() <= kLargestDistance) {
        std::vector<std::pair<double, uint32_t>> grey;
        grey.reserve(order_.size());
        for (uint32_t i : order_)
            grey.emplace_back(GreyDistance(signatures[i].bytes), i);
        std::sort(grey.begin(), grey.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        for (const auto& [distance, i] : grey) {
            greyDistance_.push_back(distance);
            byGrey_.push_back(i);
        }
    }
}

uint32_t SignatureIndex::Build(uint32_t begin, uint32_t end, uint32_t parent)
{
    const auto at = static_cast<uint32_t>(nodes_.size());
    nodes_.emplace_back();
    Node node;
    node.begin = begin;
    node.end = end;
    node.parent = parent;
    node.alive = end - begin;
    node.low = keys_[begin];
    node.high = keys_[begin];
    for (uint32_t k = begin + 1; k < end; ++k)
        for (size_t i = 0; i < kKeySize; ++i) {
            node.low[i] = std::min(node.low[i], keys_[k][i]);
            node.high[i] = std::max(node.high[i], keys_[k][i]);
        }
    if (end - begin > kLeafSize) {
        // The split goes across the dimension in which the keys vary most
        // (by variance: a few outliers must not decide it).
        size_t widest = 0;
        double largest = -1;
        for (size_t i = 0; i < kKeySize; ++i) {
            double sum = 0, squares = 0;
            for (uint32_t k = begin; k < end; ++k) {
                sum += keys_[k][i];
                squares += double{keys_[k][i]} * keys_[k][i];
            }
            const double variance = squares - sum * sum / (end - begin);
            if (variance > largest) {
                largest = variance;
                widest = i;
            }
        }
        if (node.high[widest] > node.low[widest]) {
            // Sort a permutation of the range by that dimension around its
            // median, then apply it to keys and indexes alike.
            std::vector<uint32_t> perm(end - begin);
            for (uint32_t k = 0; k < perm.size(); ++k)
                perm[k] = begin + k;
            const uint32_t middle = (end - begin) / 2;
            std::nth_element(perm.begin(), perm.begin() + middle, perm.end(),
                             [&](uint32_t a, uint32_t b) { return keys_[a][widest] < keys_[b][widest]; });
            std::vector<Key> keys(perm.size());
            std::vector<uint32_t> order(perm.size());
            for (uint32_t k = 0; k < perm.size(); ++k) {
                keys[k] = keys_[perm[k]];
                order[k] = order_[perm[k]];
            }
            std::copy(keys.begin(), keys.end(), keys_.begin() + begin);
            std::copy(order.begin(), order.end(), order_.begin() + begin);
            node.left = Build(begin, begin + middle, at);
            node.right = Build(begin + middle, end, at);
        }
    }
    if (node.left == 0)
        for (uint32_t k = begin; k < end; ++k)
            leafAt_[k] = at;
    nodes_[at] = node;
    return at;
}

void SignatureIndex::Reaching(const IndexedSignature& query, std::vector<uint32_t>& out) const
{
    const IndexedSignature* queries[] = {&query};
    std::vector<uint32_t>* outs[] = {&out};
    Reaching(queries, outs);
}

void SignatureIndex::Reaching(std::span<const IndexedSignature* const> queries,
                              std::span<std::vector<uint32_t>* const> outs) const
{
    std::vector<size_t> firsts(outs.size());
    for (size_t q = 0; q < outs.size(); ++q)
        firsts[q] = outs[q]->size();
    if (threshold_.None())
        return;
    if (threshold_.All()) {
        // Every query has the same answer: whatever is left.
        std::vector<uint32_t> left;
        for (uint32_t i : order_)
            if (gone_[position_[i]] == 0)
                left.push_back(i);
        for (std::vector<uint32_t>* out : outs)
            out->insert(out->end(), left.begin(), left.end());
    } else {
        if (!nodes_.empty())
            Near(queries, outs);
        if (!byGrey_.empty())
            for (size_t q = 0; q < queries.size(); ++q)
                Far(*queries[q], *outs[q]);
    }
    for (size_t q = 0; q < outs.size(); ++q)
        std::sort(outs[q]->begin() + static_cast<std::ptrdiff_t>(firsts[q]), outs[q]->end());
}

void SignatureIndex::Near(std::span<const IndexedSignature* const> queries,
                          std::span<std::vector<uint32_t>* const> outs) const
{
    const double radius = static_cast<double>(threshold_.NearLimit()) + slack_;
    std::vector<Key> keys(queries.size());
    std::vector<CoarseKey> coarse(queries.size());
    for (size_t q = 0; q < queries.size(); ++q) {
        keys[q] = KeyOf(queries[q]->bytes);
        coarse[q] = Coarse(keys[q]);
    }
    // Depth first. A visit is a node and the queries whose ball reaches
    // its box, a range of reaching; a visit's range is the last one while
    // it is on top of the stack, so popping it frees all after it.
    struct Visit {
        uint32_t node;
        size_t begin, end;
    };
    std::vector<uint32_t> reaching;
    std::vector<Visit> stack;
    auto visit = [&](uint32_t at, size_t begin, size_t end) {
        const Node& node = nodes_[at];
        if (node.alive == 0)
            return;
        const size_t start = reaching.size();
        for (size_t k = begin; k < end; ++k) {
            const uint32_t q = reaching[k];
            if (BoxDistance(keys[q], node.low, node.high) <= radius)
                reaching.push_back(q);
        }
        if (reaching.size() > start)
            stack.push_back({at, start, reaching.size()});
    };
    for (uint32_t q = 0; q < queries.size(); ++q)
        reaching.push_back(q);
    visit(0, 0, reaching.size());
    while (!stack.empty()) {
        const Visit v = stack.back();
        stack.pop_back();
        reaching.resize(v.end);
        const Node& node = nodes_[v.node];
        if (node.left != 0) {
            visit(node.left, v.begin, v.end);
            visit(node.right, v.begin, v.end);
            continue;
        }
        // The leaf's keys lie pair of dimensions by pair, so the distances
        // of a run of them are summed side by side; a run stays in the
        // nearest cache while every query reaching the leaf scans it.
        for (uint32_t first = node.begin; first < node.end; first += kRun) {
            const uint32_t count = std::min(kRun, node.end - first);
            const uint8_t* run = &columns_[kCoarseSize * node.begin + 2 * (first - node.begin)];
            for (size_t k = v.begin; k < v.end; ++k) {
                const uint32_t q = reaching[k];
                uint64_t near = NearInRun(run, 2 * (node.end - node.begin), coarse[q].data(), &gone_[first], count);
                for (; near != 0; near &= near - 1) {
                    const uint32_t at = first + static_cast<uint32_t>(std::countr_zero(near));
                    const IndexedSignature& other = inOrder_[at];
                    if (!threshold_.CannotReach(*queries[q], other) &&
                        SignatureDistance(queries[q]->bytes, other.bytes) <= threshold_.NearLimit())
                        outs[q]->push_back(order_[at]);
                }
            }
        }
    }
}

void SignatureIndex::Far(const IndexedSignature& query, std::vector<uint32_t>& out) const
{
    // A pair is at most half the sum of its grey distances apart; only
    // signatures whose grey distance makes that reach the far limit can.
    // The margin covers rounding of the square roots.
    const double needed = 2 * std::sqrt(static_cast<double>(threshold_.FarLimit())) - GreyDistance(query.bytes) - 1e-3;
    for (size_t k = 0; k < byGrey_.size() && greyDistance_[k] >= needed; ++k) {
        if (gone_[position_[byGrey_[k]]] != 0)
            continue;
        const IndexedSignature& other = signatures_[byGrey_[k]];
        if (SignatureDistance(query.bytes, other.bytes) >= threshold_.FarLimit())
            out.push_back(byGrey_[k]);
    }
}

void SignatureIndex::Remove(uint32_t i)
{
    if (i >= position_.size() || position_[i] == UINT32_MAX || gone_[position_[i]] != 0)
        return;
    const uint32_t k = position_[i];
    gone_[k] = kGone;
    if (nodes_.empty())
        return;
    for (uint32_t node = leafAt_[k];; node = nodes_[node].parent) {
        --nodes_[node].alive;
        if (node == 0)
            break;
    }
}

}  // namespace pix
