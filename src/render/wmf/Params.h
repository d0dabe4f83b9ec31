#pragma once
// The parameters of one metafile record: bounds-checked 16-bit words.

#include <QPointF>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/ByteReader.h"

namespace pix::wmf {

class Params {
public:
    explicit Params(ByteReader in) : in_(in) {}
    bool Has(size_t words) const { return in_.Remaining() >= words * 2; }
    size_t WordsLeft() const { return in_.Remaining() / 2; }
    int16_t S16() { return in_.I16(); }
    uint16_t U16() { return in_.U16(); }
    uint32_t U32() { return in_.U32(); }
    std::span<const uint8_t> Bytes(size_t count)
    {
        const uint8_t* start = in_.Current();
        return in_.Skip(count) ? std::span<const uint8_t>(start, count) : std::span<const uint8_t>();
    }
    std::span<const uint8_t> Rest() { return Bytes(in_.Remaining()); }
    void SkipBytes(size_t count) { in_.Skip(count); }

    // A single signed word, when the record holds one.
    std::optional<int> Word()
    {
        if (!Has(1))
            return std::nullopt;
        return S16();
    }
    // A COLORREF, when the record holds one.
    std::optional<uint32_t> ColorRef()
    {
        if (!Has(2))
            return std::nullopt;
        return U32();
    }
    // A point or extent as GDI stores the arguments of its calls: y first.
    std::optional<QPointF> PointYX()
    {
        if (!Has(2))
            return std::nullopt;
        const int y = S16();
        const int x = S16();
        return QPointF(x, y);
    }

private:
    ByteReader in_;
};

}  // namespace pix::wmf
