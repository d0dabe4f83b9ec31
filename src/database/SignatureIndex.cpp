#include "database/SignatureIndex.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace pix {
namespace {

// Leaves are scanned in runs of 64 keys, one bit each in a mask; the
// coarse keys and removal marks go on for a run past the last key.
constexpr uint32_t kRun = 64;
constexpr uint16_t kGone = 0x4000;  // a distance no coarse key reaches
constexpr uint32_t kLeafSize = 256;
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

// Leaf scans read keys coarsened to whole steps of a sixteenth of the
// search radius, one byte per coordinate: a step apart or less may be no
// distance at all, each step more is at least a step's length, and a pair
// more than kSteps steps apart in any coordinate is past the radius.
constexpr int kSteps = 16;
constexpr int kLimit = kSteps * kSteps;

// Bit k tells whether key k of a run of count <= 64 coarse keys, stored
// column by column stride apart, may lie within the radius of key (gone[k]
// is added to its distance). A whole run of 64 is read, so columns and gone
// go on past the last key.
[[gnu::always_inline]] inline uint64_t NearInRunOn(const uint8_t* columns, size_t stride, const uint8_t* key,
                                                   const uint16_t* gone, uint32_t count)
{
    uint16_t distance[kRun];
    std::copy_n(gone, kRun, distance);
    for (size_t d = 0; d < SignatureIndex::kKeySize; ++d) {
        const uint8_t* column = columns + d * stride;
        const uint8_t q = key[d];
        for (uint32_t k = 0; k < kRun; ++k) {
            const uint8_t apart = column[k] > q ? column[k] - q : q - column[k];
            const uint8_t steps = std::min<uint8_t>(apart > 0 ? apart - 1 : 0, kSteps + 1);
            distance[k] = static_cast<uint16_t>(distance[k] + steps * steps);
        }
    }
    // Mostly no key of a run is near: one vector minimum tells.
    uint16_t least = distance[0];
    for (uint32_t k = 1; k < kRun; ++k)
        least = std::min(least, distance[k]);
    uint64_t near = 0;
    if (least <= kLimit)
        for (uint32_t k = 0; k < count; ++k)
            near |= uint64_t{distance[k] <= kLimit} << k;
    return near;
}

// The same on the widest vector unit the processor has. The choice is made
// on the first call rather than by the loader, whose early resolvers
// sanitizers cannot run.
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) uint64_t NearInRunAvx2(const uint8_t* columns, size_t stride, const uint8_t* key,
                                                       const uint16_t* gone, uint32_t count)
{
    return NearInRunOn(columns, stride, key, gone, count);
}
#endif

uint64_t NearInRun(const uint8_t* columns, size_t stride, const uint8_t* key, const uint16_t* gone, uint32_t count)
{
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return NearInRunAvx2(columns, stride, key, gone, count);
#endif
    return NearInRunOn(columns, stride, key, gone, count);
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
    columns_.resize(kKeySize * (keys_.size() + kRun));
    for (const Node& node : nodes_)
        if (node.left == 0)
            for (uint32_t k = node.begin; k < node.end; ++k) {
                const CoarseKey coarse = Coarse(keys_[k]);
                for (size_t d = 0; d < kKeySize; ++d)
                    columns_[kKeySize * node.begin + d * (node.end - node.begin) + (k - node.begin)] = coarse[d];
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
    const size_t first = out.size();
    if (threshold_.None())
        return;
    if (threshold_.All()) {
        for (uint32_t i : order_)
            if (gone_[position_[i]] == 0)
                out.push_back(i);
        std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
        return;
    }
    if (!nodes_.empty())
        Near(KeyOf(query.bytes), query, out);
    if (!byGrey_.empty())
        Far(query, out);
    std::sort(out.begin() + static_cast<std::ptrdiff_t>(first), out.end());
}

void SignatureIndex::Near(const Key& key, const IndexedSignature& query, std::vector<uint32_t>& out) const
{
    const double radius = static_cast<double>(threshold_.NearLimit()) + slack_;
    const CoarseKey coarse = Coarse(key);
    auto worth = [&](uint32_t at) {
        const Node& node = nodes_[at];
        return node.alive != 0 && BoxDistance(key, node.low, node.high) <= radius;
    };
    std::vector<uint32_t> stack;
    if (worth(0))
        stack.push_back(0);
    while (!stack.empty()) {
        const Node& node = nodes_[stack.back()];
        stack.pop_back();
        if (node.left != 0) {
            if (worth(node.left))
                stack.push_back(node.left);
            if (worth(node.right))
                stack.push_back(node.right);
            continue;
        }
        // The leaf's keys lie dimension by dimension, so the distances of
        // a run of them are summed side by side.
        for (uint32_t first = node.begin; first < node.end; first += kRun) {
            const uint32_t count = std::min(kRun, node.end - first);
            uint64_t near = NearInRun(&columns_[kKeySize * node.begin + (first - node.begin)], node.end - node.begin,
                                      coarse.data(), &gone_[first], count);
            for (; near != 0; near &= near - 1) {
                const uint32_t k = static_cast<uint32_t>(std::countr_zero(near));
                const IndexedSignature& other = inOrder_[first + k];
                if (threshold_.CannotReach(query, other))
                    continue;
                if (SignatureDistance(query.bytes, other.bytes) <= threshold_.NearLimit())
                    out.push_back(order_[first + k]);
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
