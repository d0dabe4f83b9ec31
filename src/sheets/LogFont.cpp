#include "sheets/LogFont.h"

#include <algorithm>
#include <cstring>

#include "common/ByteReader.h"

namespace pix {

std::string LogFont::FaceName() const
{
    const auto end = std::find(faceName.begin(), faceName.end(), '\0');
    return std::string(faceName.begin(), end);
}

void LogFont::SetFaceName(std::string_view name)
{
    size_t length = std::min(name.size(), kFaceSize - 1);
    // Step back over continuation bytes so no character is cut in half.
    if (length < name.size())
        while (length > 0 && (static_cast<uint8_t>(name[length]) & 0xC0) == 0x80)
            --length;
    faceName.fill('\0');
    std::memcpy(faceName.data(), name.data(), length);
}

std::array<uint8_t, LogFont::kRecordSize> LogFont::ToBytes() const
{
    std::array<uint8_t, kRecordSize> out{};
    uint8_t* p = out.data();
    for (int32_t v : {height, width, escapement, orientation, weight}) {
        const auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            *p++ = static_cast<uint8_t>(u >> (8 * i));
    }
    for (uint8_t b : {italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily})
        *p++ = b;
    std::memcpy(p, faceName.data(), kFaceSize);
    return out;
}

std::optional<LogFont> LogFont::FromBytes(std::span<const uint8_t> bytes)
{
    if (bytes.size() != kRecordSize)
        return std::nullopt;
    ByteReader in(bytes);
    LogFont f;
    f.height = in.I32();
    f.width = in.I32();
    f.escapement = in.I32();
    f.orientation = in.I32();
    f.weight = in.I32();
    f.italic = in.U8();
    f.underline = in.U8();
    f.strikeOut = in.U8();
    f.charSet = in.U8();
    f.outPrecision = in.U8();
    f.clipPrecision = in.U8();
    f.quality = in.U8();
    f.pitchAndFamily = in.U8();
    in.Bytes(f.faceName.data(), kFaceSize);
    return f;
}

LogFont FallbackLogFont()
{
    LogFont f;
    f.height = 100;
    f.weight = 400;
    f.charSet = 1;  // the default character set
    f.SetFaceName("Sans Serif");
    return f;
}

}  // namespace pix
