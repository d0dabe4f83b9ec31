#pragma once
// The serialisation encodings shared by the database file, contact sheets
// (.pxc) and thumbnail formats (.tfm): little-endian integers, element
// counts, length-prefixed strings (with the 16-bit string form on reading)
// and the class tags that introduce serialised objects.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ByteReader.h"

namespace pix {

class ArchiveWriter {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { PutU16(bytes_, v); }
    void U32(uint32_t v) { PutU32(bytes_, v); }
    void I32(int32_t v) { PutU32(bytes_, static_cast<uint32_t>(v)); }
    void Raw(const void* data, size_t size);
    // An element count: 2 bytes below 0xFFFF, else 0xFFFF and 4 bytes.
    void Count(uint32_t count);
    // A string: 1-byte length below 255, 0xFF + 2 bytes below 0xFFFE, else
    // 0xFF 0xFFFF + 4 bytes; then the bytes.
    void String(std::string_view text);
    // A count followed by the strings.
    void StringList(const std::vector<std::string>& list);
    // The tag that introduces the first object of a class: 0xFFFF, schema,
    // name length and name.
    void NewClassTag(uint16_t schema, std::string_view className);
    // The tag of a later object of the class with stream index classIndex.
    void ClassReferenceTag(uint16_t classIndex) { U16(static_cast<uint16_t>(0x8000 | classIndex)); }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Reads the same encodings. Every failure (running past the end, an
// impossible length) puts the reader in the failed state, which sticks;
// no read allocates more than the bytes left in the input could hold.
class ArchiveReader {
public:
    explicit ArchiveReader(std::span<const uint8_t> bytes) : in_(bytes) {}

    bool Failed() const { return in_.Failed() || failed_; }
    bool AtEnd() const { return in_.AtEnd(); }
    size_t Remaining() const { return in_.Remaining(); }
    size_t Position() const { return in_.Position(); }

    uint8_t U8() { return in_.U8(); }
    uint16_t U16() { return in_.U16(); }
    uint32_t U32() { return in_.U32(); }
    int32_t I32() { return in_.I32(); }
    bool Raw(void* out, size_t size) { return in_.Bytes(out, size); }
    // Skips size bytes (fails when fewer remain).
    bool Skip(size_t size) { return in_.Skip(size); }
    // The bytes from the current position on.
    std::span<const uint8_t> Rest() const { return {in_.Current(), in_.Remaining()}; }

    uint32_t Count();
    // A string; the 16-bit form (0xFF 0xFFFE prefix) is converted from
    // UTF-16LE to UTF-8.
    bool String(std::string& out);
    // A string without copying it when it is stored as 8-bit text: out
    // views the input, or scratch for the converted 16-bit form.
    bool StringView(std::string_view& out, std::string& scratch);
    // A count and that many strings; out is replaced.
    bool StringList(std::vector<std::string>& out);

    // Reads one object tag and checks that it introduces or references the
    // one class this stream holds (className with schema). classesSeen is
    // the number of classes introduced so far in the stream (0 or 1); it is
    // updated. False (and failed) for a null tag, an object back-reference,
    // an unknown class index, a long or different name or another schema.
    bool ObjectTag(std::string_view className, uint16_t schema, int& classesSeen);

    // Marks the input as damaged.
    void Fail() { failed_ = true; }

private:
    bool Length(uint32_t& length, bool& wide);
    ByteReader in_;
    bool failed_ = false;
};

// UTF-16LE code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const uint16_t* units, size_t count);

}  // namespace pix
