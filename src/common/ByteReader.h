#pragma once
// Bounds-checked little-endian reading from a byte range. Every read past
// the end fails and leaves the reader in the failed state, like a stream.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace pix {

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    explicit ByteReader(std::span<const uint8_t> bytes) : data_(bytes.data()), size_(bytes.size()) {}

    size_t Size() const { return size_; }
    size_t Position() const { return pos_; }
    size_t Remaining() const { return size_ - pos_; }
    bool Failed() const { return failed_; }
    bool AtEnd() const { return pos_ >= size_; }
    const uint8_t* Data() const { return data_; }
    const uint8_t* Current() const { return data_ + pos_; }

    // Moves to an absolute position; fails past the end.
    bool Seek(size_t position)
    {
        if (position > size_)
            return Fail();
        pos_ = position;
        return true;
    }
    // Skips count bytes; fails (and moves to the end) when fewer remain.
    bool Skip(size_t count)
    {
        if (count > Remaining()) {
            pos_ = size_;
            return Fail();
        }
        pos_ += count;
        return true;
    }
    bool Bytes(void* out, size_t count)
    {
        if (count > Remaining()) {
            pos_ = size_;
            return Fail();
        }
        if (count)
            std::memcpy(out, data_ + pos_, count);
        pos_ += count;
        return true;
    }
    uint8_t U8()
    {
        if (pos_ >= size_) {
            Fail();
            return 0;
        }
        return data_[pos_++];
    }
    uint16_t U16()
    {
        uint8_t b[2] = {};
        Bytes(b, 2);
        return static_cast<uint16_t>(b[0] | (b[1] << 8));
    }
    uint32_t U32()
    {
        uint8_t b[4] = {};
        Bytes(b, 4);
        return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
               (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
    }
    // Big-endian, as Qt's data streams write.
    uint32_t U32BE()
    {
        uint8_t b[4] = {};
        Bytes(b, 4);
        return (static_cast<uint32_t>(b[0]) << 24) | (static_cast<uint32_t>(b[1]) << 16) |
               (static_cast<uint32_t>(b[2]) << 8) | static_cast<uint32_t>(b[3]);
    }
    int16_t I16() { return static_cast<int16_t>(U16()); }
    int32_t I32() { return static_cast<int32_t>(U32()); }

private:
    bool Fail()
    {
        failed_ = true;
        return false;
    }
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool failed_ = false;
};

// Little-endian appending to a byte vector.
template <typename Vec>
inline void PutU16(Vec& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
template <typename Vec>
inline void PutU32(Vec& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace pix
