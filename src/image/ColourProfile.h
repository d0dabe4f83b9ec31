#pragma once
// Colours as an embedded ICC profile describes them, brought to sRGB with
// Little CMS. No Little CMS type leaves this adapter.

#include <cstdint>
#include <span>

namespace pix {

class CImageBuffer;

// Whether a profile's header says it describes RGB colours.
bool IsRgbProfile(std::span<const uint8_t> profile);

// Converts buf's pixels from the colour space the profile describes to
// sRGB (perceptual intent). A profile that cannot be read, is not an RGB
// profile, or maps colours onto themselves (sRGB in all but name) leaves
// buf as it was and gives false. A conversion discards the index plane.
bool ConvertToSrgb(CImageBuffer& buf, std::span<const uint8_t> profile);

}  // namespace pix
