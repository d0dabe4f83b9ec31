#include "image/PhotoMetadata.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstring>
#include <limits>

namespace pix {
namespace {

// Exiv2 reports what it skips on stderr unless told not to.
void Quieten()
{
    static const bool quiet = [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        return true;
    }();
    (void)quiet;
}

std::span<const uint8_t> TiffPart(std::span<const uint8_t> exif)
{
    static constexpr uint8_t kPrefix[] = {'E', 'x', 'i', 'f', 0, 0};
    if (exif.size() >= sizeof kPrefix && std::memcmp(exif.data(), kPrefix, sizeof kPrefix) == 0)
        exif = exif.subspan(sizeof kPrefix);
    return exif;
}

}  // namespace

uint8_t ExifOrientation(std::span<const uint8_t> exif)
{
    exif = TiffPart(exif);
    if (exif.size() < 8 || exif.size() > std::numeric_limits<uint32_t>::max())
        return 0;
    Quieten();
    try {
        Exiv2::ExifData data;
        Exiv2::ExifParser::decode(data, exif.data(), static_cast<uint32_t>(exif.size()));
        const auto it = data.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (it == data.end() || it->count() < 1)
            return 0;
        const long value = it->toLong(0);
        return value >= 1 && value <= 8 ? static_cast<uint8_t>(value) : 0;
    } catch (...) {
        return 0;
    }
}

}  // namespace pix
