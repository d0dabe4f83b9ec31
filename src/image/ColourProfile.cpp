#include "image/ColourProfile.h"

#include <lcms2.h>

#include <array>
#include <limits>
#include <memory>
#include <thread>

#include "image/CImageBuffer.h"

namespace pix {
namespace {

struct ProfileCloser {
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileCloser>;

struct TransformDeleter {
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
using Transform = std::unique_ptr<void, TransformDeleter>;

// Whether the transform leaves every colour of a coarse grid as it is:
// then converting would change nothing worth the time, only round.
bool MapsOntoItself(cmsHTRANSFORM transform)
{
    constexpr int kSteps = 9;
    std::array<uint8_t, kSteps * kSteps * kSteps * 3> grid{};
    size_t i = 0;
    for (int r = 0; r < kSteps; ++r)
        for (int g = 0; g < kSteps; ++g)
            for (int b = 0; b < kSteps; ++b) {
                grid[i++] = static_cast<uint8_t>(b * 255 / (kSteps - 1));
                grid[i++] = static_cast<uint8_t>(g * 255 / (kSteps - 1));
                grid[i++] = static_cast<uint8_t>(r * 255 / (kSteps - 1));
            }
    std::array<uint8_t, grid.size()> out{};
    cmsDoTransform(transform, grid.data(), out.data(), kSteps * kSteps * kSteps);
    for (size_t k = 0; k < grid.size(); ++k)
        if (out[k] + 1 < grid[k] || out[k] > grid[k] + 1)
            return false;
    return true;
}

}  // namespace

bool IsRgbProfile(std::span<const uint8_t> profile)
{
    // The data colour space is the signature at offset 16 of the 128-byte header.
    return profile.size() >= 128 && profile[16] == 'R' && profile[17] == 'G' && profile[18] == 'B' &&
           profile[19] == ' ';
}

bool ConvertToSrgb(CImageBuffer& buf, std::span<const uint8_t> profile)
{
    if (buf.IsEmpty() || profile.empty() || profile.size() > std::numeric_limits<cmsUInt32Number>::max())
        return false;
    const Profile source(cmsOpenProfileFromMem(profile.data(), static_cast<cmsUInt32Number>(profile.size())));
    if (!IsRgbProfile(profile) || !source || cmsGetColorSpace(source.get()) != cmsSigRgbData)
        return false;
    const Profile srgb(cmsCreate_sRGBProfile());
    if (!srgb)
        return false;
    // Without the one-pixel cache the transform may serve two threads.
    const Transform transform(
        cmsCreateTransform(source.get(), TYPE_BGR_8, srgb.get(), TYPE_BGR_8, INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE));
    if (!transform || MapsOntoItself(transform.get()))
        return false;
    auto convert = [&](uint32_t from, uint32_t to) {
        for (uint32_t y = from; y < to; ++y)
            cmsDoTransform(transform.get(), buf.Row(y), buf.Row(y), buf.Width());
    };
    // A photo's worth of pixels is shared with a second thread.
    const uint32_t half = uint64_t{buf.Width()} * buf.Height() >= (1u << 20) ? buf.Height() / 2 : 0;
    {
        std::jthread lower(convert, 0, half);
        convert(half, buf.Height());
    }
    buf.DiscardIndexPlane();
    return true;
}

}  // namespace pix
