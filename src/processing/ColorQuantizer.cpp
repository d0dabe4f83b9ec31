#include "processing/ColorQuantizer.h"

#include <algorithm>
#include <climits>
#include <new>

namespace pix {

namespace {

constexpr int kCellCount = ColorQuantizer::kCells0 * ColorQuantizer::kCells1 * ColorQuantizer::kCells2;

// Block of cells filled at once by an inverse-colour-map miss.
constexpr int kBlock0 = 8;
constexpr int kBlock1 = 4;
constexpr int kBlock2 = 4;
constexpr int kBlockCells = kBlock0 * kBlock1 * kBlock2;

// Colour units per cell along each component, and a cell's centre.
constexpr int kStep0 = 4;
constexpr int kStep12 = 8;
constexpr int Centre0(int i) { return kStep0 * i + kStep0 / 2; }
constexpr int Centre12(int i) { return kStep12 * i + kStep12 / 2; }

inline int Clamp255(int v) { return v < 0 ? 0 : v > 255 ? 255 : v; }

inline size_t CellOf(int c0, int c1, int c2) { return ColorQuantizer::CellIndex(c0 >> 2, c1 >> 3, c2 >> 3); }

int64_t Volume(const ColorBox& b, const ColorWeights& w)
{
    const int64_t e0 = int64_t{kStep0} * w.w0 * (b.max[0] - b.min[0]);
    const int64_t e1 = int64_t{kStep12} * w.w1 * (b.max[1] - b.min[1]);
    const int64_t e2 = int64_t{kStep12} * w.w2 * (b.max[2] - b.min[2]);
    return e0 * e0 + e1 * e1 + e2 * e2;
}

}  // namespace

uint64_t ColorQuantizer::NextRandom()
{
    uint64_t z = (rng_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void ColorQuantizer::BuildHistogram(const uint8_t* packed, uint32_t width, uint32_t height, const OwnColours& own)
{
    // The cells the picture itself occupies. Jitter moves a pixel's count
    // only into one of them, so it smooths the counts without making
    // colours up: a one-colour picture stays one cell, one box, one colour.
    const size_t pixels = static_cast<size_t>(width) * height;
    std::vector<uint8_t> occupied(histogram_.size(), 0);
    const uint8_t* p = packed;
    for (size_t n = 0; n < pixels; ++n, p += 3)
        occupied[CellOf(p[0], p[1], p[2])] = 1;

    std::fill(histogram_.begin(), histogram_.end(), uint16_t{0});
    sums_.assign(histogram_.size(), {});
    const size_t o0 = own.order[0], o1 = own.order[1], o2 = own.order[2];
    uint64_t random = 0;
    size_t n = 0;
    for (uint32_t top = 0; top < height; ++top) {
        const uint8_t* colour = own.first + static_cast<ptrdiff_t>(top) * own.stride;
        for (uint32_t x = 0; x < width; ++x, ++n, packed += 3, colour += 3) {
            if ((n & 7) == 0)
                random = NextRandom();
            const unsigned jitter = static_cast<unsigned>(random & 0xFF);
            random >>= 8;
            const int c0 = Clamp255(packed[0] + static_cast<int>(jitter & 3) - 2);
            const int c1 = Clamp255(packed[1] + static_cast<int>((jitter >> 2) & 7) - 4);
            const int c2 = Clamp255(packed[2] + static_cast<int>((jitter >> 5) & 7) - 4);
            size_t cell = CellOf(c0, c1, c2);
            if (!occupied[cell])
                cell = CellOf(packed[0], packed[1], packed[2]);
            if (histogram_[cell] != 0xFFFF)
                ++histogram_[cell];
            std::array<uint64_t, 4>& sum = sums_[cell];
            ++sum[0];
            sum[1] += colour[o0];
            sum[2] += colour[o1];
            sum[3] += colour[o2];
        }
    }
}

void ColorQuantizer::Shrink(ColorBox& box) const
{
    // True when the layer at value v along axis holds a non-zero cell.
    auto occupied = [&](int axis, int v) {
        int lo[3] = {box.min[0], box.min[1], box.min[2]};
        int hi[3] = {box.max[0], box.max[1], box.max[2]};
        lo[axis] = hi[axis] = v;
        for (int i0 = lo[0]; i0 <= hi[0]; ++i0)
            for (int i1 = lo[1]; i1 <= hi[1]; ++i1) {
                const uint16_t* cell = &histogram_[CellIndex(i0, i1, lo[2])];
                for (int i2 = lo[2]; i2 <= hi[2]; ++i2, ++cell)
                    if (*cell != 0)
                        return true;
            }
        return false;
    };
    for (int axis = 0; axis < 3; ++axis) {
        while (box.min[axis] < box.max[axis] && !occupied(axis, box.min[axis]))
            ++box.min[axis];
        while (box.max[axis] > box.min[axis] && !occupied(axis, box.max[axis]))
            --box.max[axis];
    }
    box.volume = Volume(box, weights_);
    int count = 0;
    for (int i0 = box.min[0]; i0 <= box.max[0]; ++i0)
        for (int i1 = box.min[1]; i1 <= box.max[1]; ++i1) {
            const uint16_t* cell = &histogram_[CellIndex(i0, i1, box.min[2])];
            for (int i2 = box.min[2]; i2 <= box.max[2]; ++i2, ++cell)
                count += *cell != 0;
        }
    box.occupied = count;
}

int ColorQuantizer::MedianCut(int colors)
{
    boxes_.clear();
    boxes_.reserve(static_cast<size_t>(colors));
    ColorBox all;
    all.max = {kCells0 - 1, kCells1 - 1, kCells2 - 1};
    Shrink(all);
    boxes_.push_back(all);
    while (static_cast<int>(boxes_.size()) < colors) {
        // While at most half the colours are made, split where most cells
        // are occupied; later, split the largest box. Earlier boxes win ties.
        const bool byCells = 2 * static_cast<int>(boxes_.size()) <= colors;
        int chosen = -1;
        int64_t best = 0;
        for (size_t i = 0; i < boxes_.size(); ++i) {
            const ColorBox& b = boxes_[i];
            if (b.volume <= 0)
                continue;
            const int64_t value = byCells ? b.occupied : b.volume;
            if (chosen < 0 || value > best) {
                chosen = static_cast<int>(i);
                best = value;
            }
        }
        if (chosen < 0)
            break;
        ColorBox lower = boxes_[static_cast<size_t>(chosen)];
        // Along the largest weighted extent; ties go to component 1, then
        // component 0, then component 2.
        const int extent0 = kStep0 * weights_.w0 * (lower.max[0] - lower.min[0]);
        const int extent1 = kStep12 * weights_.w1 * (lower.max[1] - lower.min[1]);
        const int extent2 = kStep12 * weights_.w2 * (lower.max[2] - lower.min[2]);
        int axis = 1;
        int largest = extent1;
        if (extent0 > largest) {
            axis = 0;
            largest = extent0;
        }
        if (extent2 > largest)
            axis = 2;
        const int middle = (lower.min[axis] + lower.max[axis]) / 2;
        ColorBox upper = lower;
        lower.max[axis] = middle;
        upper.min[axis] = middle + 1;
        Shrink(lower);
        Shrink(upper);
        boxes_[static_cast<size_t>(chosen)] = lower;
        boxes_.push_back(upper);
    }
    return static_cast<int>(boxes_.size());
}

void ColorQuantizer::BoxMeans(uint8_t* c0, uint8_t* c1, uint8_t* c2) const
{
    for (size_t n = 0; n < boxes_.size(); ++n) {
        const ColorBox& b = boxes_[n];
        std::array<uint64_t, 4> total{};
        for (int i0 = b.min[0]; i0 <= b.max[0]; ++i0)
            for (int i1 = b.min[1]; i1 <= b.max[1]; ++i1)
                for (int i2 = b.min[2]; i2 <= b.max[2]; ++i2) {
                    const std::array<uint64_t, 4>& sum = sums_[CellIndex(i0, i1, i2)];
                    for (size_t k = 0; k < 4; ++k)
                        total[k] += sum[k];
                }
        const uint64_t count = std::max<uint64_t>(total[0], 1);  // every box holds an occupied cell
        c0[n] = static_cast<uint8_t>((total[1] + count / 2) / count);
        c1[n] = static_cast<uint8_t>((total[2] + count / 2) / count);
        c2[n] = static_cast<uint8_t>((total[3] + count / 2) / count);
    }
}

void ColorQuantizer::SetPalette(const uint8_t* c0, const uint8_t* c1, const uint8_t* c2, int size,
                                ColorConversion toWorking)
{
    paletteSize_ = size;
    for (int p = 0; p < size; ++p) {
        uint8_t colour[3] = {c0[p], c1[p], c2[p]};
        if (toWorking)
            toWorking(colour, 1);
        for (int c = 0; c < 3; ++c)
            palette_[static_cast<size_t>(c)][static_cast<size_t>(p)] = colour[c];
    }
}

void ColorQuantizer::FillBlock(int i0, int i1, int i2)
{
    const int base0 = i0 & ~(kBlock0 - 1);
    const int base1 = i1 & ~(kBlock1 - 1);
    const int base2 = i2 & ~(kBlock2 - 1);
    // The block spans from the centre of its first cell to the centre of
    // its last along each component.
    const int lo[3] = {Centre0(base0), Centre12(base1), Centre12(base2)};
    const int hi[3] = {Centre0(base0 + kBlock0 - 1), Centre12(base1 + kBlock1 - 1), Centre12(base2 + kBlock2 - 1)};
    const int w[3] = {weights_.w0, weights_.w1, weights_.w2};

    // The least and greatest distance from each palette colour to the
    // block; only colours whose least distance does not exceed the
    // smallest greatest distance can be nearest to any point of it.
    std::array<int, 256> least{};
    int bound = INT_MAX;
    for (int p = 0; p < paletteSize_; ++p) {
        int minDist = 0;
        int maxDist = 0;
        for (int c = 0; c < 3; ++c) {
            const int x = palette_[c][p];
            int near = 0;
            int far = 0;
            if (x < lo[c]) {
                near = lo[c] - x;
                far = hi[c] - x;
            } else if (x > hi[c]) {
                near = x - hi[c];
                far = x - lo[c];
            } else {
                far = std::max(x - lo[c], hi[c] - x);
            }
            near *= w[c];
            far *= w[c];
            minDist += near * near;
            maxDist += far * far;
        }
        least[p] = minDist;
        bound = std::min(bound, maxDist);
    }

    std::array<int, kBlockCells> bestDist;
    std::array<uint8_t, kBlockCells> bestIndex{};
    bestDist.fill(INT_MAX);
    int d0[kBlock0], d1[kBlock1], d2[kBlock2];
    for (int p = 0; p < paletteSize_; ++p) {
        if (least[p] > bound)
            continue;
        // Squared weighted distances along each component to the cell
        // centres, which lie a constant step apart.
        for (int k = 0; k < kBlock0; ++k) {
            const int d = w[0] * (lo[0] + kStep0 * k - palette_[0][p]);
            d0[k] = d * d;
        }
        for (int k = 0; k < kBlock1; ++k) {
            const int d = w[1] * (lo[1] + kStep12 * k - palette_[1][p]);
            d1[k] = d * d;
        }
        for (int k = 0; k < kBlock2; ++k) {
            const int d = w[2] * (lo[2] + kStep12 * k - palette_[2][p]);
            d2[k] = d * d;
        }
        int cell = 0;
        for (int a = 0; a < kBlock0; ++a)
            for (int b = 0; b < kBlock1; ++b) {
                const int ab = d0[a] + d1[b];
                for (int c = 0; c < kBlock2; ++c, ++cell) {
                    const int dist = ab + d2[c];
                    // Strictly closer only: the earlier palette index wins ties.
                    if (dist < bestDist[cell]) {
                        bestDist[cell] = dist;
                        bestIndex[cell] = static_cast<uint8_t>(p);
                    }
                }
            }
    }
    int cell = 0;
    for (int a = 0; a < kBlock0; ++a)
        for (int b = 0; b < kBlock1; ++b)
            for (int c = 0; c < kBlock2; ++c, ++cell)
                histogram_[CellIndex(base0 + a, base1 + b, base2 + c)] = static_cast<uint16_t>(bestIndex[cell] + 1);
}

void ColorQuantizer::MapNearest(const uint8_t* packed, uint8_t* indexPlane, size_t pixels)
{
    for (size_t n = 0; n < pixels; ++n, packed += 3) {
        const int i0 = packed[0] >> 2, i1 = packed[1] >> 3, i2 = packed[2] >> 3;
        uint16_t* entry = &histogram_[CellIndex(i0, i1, i2)];
        if (*entry == 0)
            FillBlock(i0, i1, i2);
        indexPlane[n] = static_cast<uint8_t>(*entry - 1);
    }
}

void ColorQuantizer::MapDithered(const uint8_t* packed, uint8_t* indexPlane, uint32_t width, uint32_t height)
{
    // Error sums in 1/16 of a colour step for every column of the row
    // below, with one spare column at either end.
    std::vector<int16_t> errors((static_cast<size_t>(width) + 2) * 3, 0);
    const int* limit = errorLimit_.data() + 255;
    for (uint32_t row = 0; row < height; ++row) {
        const bool leftToRight = (row & 1) == 0;
        const ptrdiff_t dir = leftToRight ? 1 : -1;
        const ptrdiff_t dir3 = 3 * dir;
        const size_t first = leftToRight ? 0 : width - 1;
        const uint8_t* in = packed + (static_cast<size_t>(row) * width + first) * 3;
        uint8_t* out = indexPlane + static_cast<size_t>(row) * width + first;
        // Points at the column before the current pixel in scan order.
        int16_t* err = errors.data() + (leftToRight ? 0 : (static_cast<size_t>(width) + 1) * 3);
        int carried[3] = {0, 0, 0};    // 7/16 of the previous pixel's error
        int belowNext[3] = {0, 0, 0};  // 1/16 of the previous pixel's error
        int belowPrev[3] = {0, 0, 0};  // column below the previous pixel
        for (uint32_t col = 0; col < width; ++col) {
            int value[3];
            for (int c = 0; c < 3; ++c) {
                // Arithmetic shift: rounds toward minus infinity.
                const int e = (carried[c] + err[dir3 + c] + 8) >> 4;
                value[c] = Clamp255(in[c] + limit[e]);
            }
            const int i0 = value[0] >> 2, i1 = value[1] >> 3, i2 = value[2] >> 3;
            uint16_t* entry = &histogram_[CellIndex(i0, i1, i2)];
            if (*entry == 0)
                FillBlock(i0, i1, i2);
            const int index = *entry - 1;
            *out = static_cast<uint8_t>(index);
            for (int c = 0; c < 3; ++c) {
                int e = value[c] - palette_[c][index];
                const int one = e;
                const int two = e * 2;
                e += two;  // 3/16 below and behind
                err[c] = static_cast<int16_t>(belowPrev[c] + e);
                e += two;  // 5/16 below
                belowPrev[c] = belowNext[c] + e;
                belowNext[c] = one;  // 1/16 below and ahead
                e += two;            // 7/16 ahead
                carried[c] = e;
            }
            in += dir3;
            out += dir;
            err += dir3;
        }
        for (int c = 0; c < 3; ++c)
            err[c] = static_cast<int16_t>(belowPrev[c]);
    }
}

int ColorQuantizer::BuildPalette(const uint8_t* packed, uint32_t width, uint32_t height, int colors,
                                 ColorWeights weights, const OwnColours* own, uint8_t* c0, uint8_t* c1, uint8_t* c2)
{
    if (!packed || width == 0 || height == 0 || colors < 1 || colors > 256)
        return 0;
    weights_ = weights;
    OwnColours self;
    self.first = packed;
    self.stride = 3 * static_cast<ptrdiff_t>(width);
    try {
        histogram_.assign(kCellCount, 0);
        BuildHistogram(packed, width, height, own ? *own : self);
        const int made = MedianCut(colors);
        BoxMeans(c0, c1, c2);
        sums_ = {};
        SetPalette(c0, c1, c2, made, own ? own->toWorking : nullptr);
        return made;
    } catch (const std::bad_alloc&) {
        histogram_ = {};
        sums_ = {};
        return 0;
    }
}

bool ColorQuantizer::Map(const uint8_t* packed, uint8_t* indexPlane, uint32_t width, uint32_t height, bool dither,
                         bool limitErrors)
{
    if (!packed || !indexPlane || width == 0 || height == 0 || paletteSize_ == 0)
        return false;
    // With limiting, large errors are damped so that they do not smear
    // across flat areas: small ones pass, middle ones are halved past 16,
    // large ones are held at 32.
    for (int e = -255; e <= 255; ++e) {
        const int magnitude = e < 0 ? -e : e;
        int limited = magnitude;
        if (limitErrors && magnitude >= 48)
            limited = 32;
        else if (limitErrors && magnitude >= 16)
            limited = 16 + (magnitude - 16) / 2;
        errorLimit_[static_cast<size_t>(e + 255)] = e < 0 ? -limited : limited;
    }
    try {
        // The histogram becomes the inverse colour map.
        histogram_.assign(kCellCount, 0);
        if (dither)
            MapDithered(packed, indexPlane, width, height);
        else
            MapNearest(packed, indexPlane, static_cast<size_t>(width) * height);
    } catch (const std::bad_alloc&) {
        histogram_ = {};
        return false;
    }
    histogram_ = {};
    return true;
}

int ColorQuantizer::Quantize(const uint8_t* packed, uint8_t* indexPlane, uint32_t width, uint32_t height, int colors,
                             bool dither, bool buildPalette, uint8_t* red, uint8_t* green, uint8_t* blue,
                             ColorWeights weights, bool limitErrors)
{
    if (!packed || !indexPlane || width == 0 || height == 0 || colors < 1 || colors > 256)
        return 0;
    weights_ = weights;
    if (buildPalette) {
        if (BuildPalette(packed, width, height, colors, weights, nullptr, red, green, blue) == 0)
            return 0;
    } else {
        boxes_.clear();
        SetPalette(red, green, blue, colors, nullptr);
    }
    return Map(packed, indexPlane, width, height, dither, limitErrors) ? paletteSize_ : 0;
}

}  // namespace pix
