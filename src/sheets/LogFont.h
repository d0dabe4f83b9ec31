#pragma once
// The 60-byte font description stored in formats, sheets and the settings
// store: five 32-bit signed fields, eight single bytes and a 32-byte face
// name, little-endian. The height holds the size in tenths of a point
// (120 = 12 points); the renderers turn it into device units.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pix {

struct LogFont {
    static constexpr size_t kRecordSize = 60;
    static constexpr size_t kFaceSize = 32;

    int32_t height = 0;  // tenths of a point
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;  // 400 normal, 700 bold
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    // NUL-terminated UTF-8. Kept as stored, bytes after the terminator
    // included, so a record read and written again is unchanged.
    std::array<char, kFaceSize> faceName{};

    // The face name up to its terminator (all 32 bytes when there is none).
    std::string FaceName() const;
    // Stores name, cut to 31 bytes at a character boundary, and clears the
    // rest of the field.
    void SetFaceName(std::string_view name);

    std::array<uint8_t, kRecordSize> ToBytes() const;
    // The record in exactly 60 bytes; nothing for any other length.
    static std::optional<LogFont> FromBytes(std::span<const uint8_t> bytes);

    bool operator==(const LogFont&) const = default;
};

// The font used when nothing better is known: a normal-weight sans-serif
// face at 10 points.
LogFont FallbackLogFont();

}  // namespace pix
