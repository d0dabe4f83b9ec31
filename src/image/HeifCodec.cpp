#include "image/HeifCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "image/DecodedRows.h"
#include "image/ExifItem.h"
#include "image/HintFit.h"

namespace pix {
namespace {

// The largest EXIF item read for its orientation.
constexpr size_t kMaxExifBytes = size_t{1} << 20;
// The most stored thumbnails looked at.
constexpr int kMaxThumbnails = 16;
// What a coded picture may exceed the size its boxes tell by (coding
// blocks are padded to at most 64 pixels).
constexpr uint32_t kCodedPadding = 64;

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
using ContextPtr = std::unique_ptr<heif_context, ContextDeleter>;
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
using HandlePtr = std::unique_ptr<heif_image_handle, HandleDeleter>;
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

bool Ok(const heif_error& error) { return error.code == heif_error_Ok; }

// The file's boxes, from memory (not copied: the bytes must outlive the
// context) or from the file at path.
ContextPtr OpenContext(std::span<const uint8_t> file, const std::string* path)
{
    ContextPtr context(heif_context_alloc());
    if (!context)
        return nullptr;
    const heif_error error =
        path ? heif_context_read_from_file(context.get(), path->c_str(), nullptr)
             : heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr);
    return Ok(error) ? std::move(context) : nullptr;
}

HandlePtr PrimaryHandle(heif_context* context)
{
    heif_image_handle* handle = nullptr;
    if (!Ok(heif_context_get_primary_image_handle(context, &handle)))
        return nullptr;
    return HandlePtr(handle);
}

// A handle's size as its pixels come: turned by its transforms when
// upright, as stored otherwise.
void HandleSize(const heif_image_handle* handle, bool upright, uint32_t& width, uint32_t& height)
{
    const int w = upright ? heif_image_handle_get_width(handle) : heif_image_handle_get_ispe_width(handle);
    const int h = upright ? heif_image_handle_get_height(handle) : heif_image_handle_get_ispe_height(handle);
    width = w > 0 ? static_cast<uint32_t>(w) : 0;
    height = h > 0 ? static_cast<uint32_t>(h) : 0;
}

uint8_t ExifOrientationOf(const heif_image_handle* handle)
{
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) < 1)
        return 0;
    const size_t size = heif_image_handle_get_metadata_size(handle, id);
    if (size == 0 || size > kMaxExifBytes)
        return 0;
    std::vector<uint8_t> exif(size);
    if (!Ok(heif_image_handle_get_metadata(handle, id, exif.data())))
        return 0;
    return ExifItemOrientation(exif);
}

std::vector<uint8_t> IccProfile(const heif_image_handle* handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
        return {};
    std::vector<uint8_t> profile(heif_image_handle_get_raw_color_profile_size(handle));
    if (profile.empty() || !Ok(heif_image_handle_get_raw_color_profile(handle, profile.data())))
        return {};
    return profile;
}

// The smallest stored thumbnail that still covers the primary picture's
// fit into the hints, or null when none does.
HandlePtr ThumbnailFor(const heif_image_handle* primary, bool upright, uint32_t hintWidth, uint32_t hintHeight)
{
    if (hintWidth == 0 && hintHeight == 0)
        return nullptr;
    uint32_t fitWidth = 0, fitHeight = 0;
    HandleSize(primary, upright, fitWidth, fitHeight);
    const uint64_t primaryPixels = uint64_t{fitWidth} * fitHeight;
    FitToHints(fitWidth, fitHeight, hintWidth, hintHeight);
    heif_item_id ids[kMaxThumbnails];
    const int count = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids, kMaxThumbnails);
    HandlePtr best;
    uint64_t bestPixels = primaryPixels;
    for (int i = 0; i < count; ++i) {
        heif_image_handle* thumbnail = nullptr;
        if (!Ok(heif_image_handle_get_thumbnail(primary, ids[i], &thumbnail)))
            continue;
        HandlePtr candidate(thumbnail);
        uint32_t width = 0, height = 0;
        HandleSize(thumbnail, upright, width, height);
        const uint64_t pixels = uint64_t{width} * height;
        if (width >= fitWidth && height >= fitHeight && pixels < bestPixels) {
            best = std::move(candidate);
            bestPixels = pixels;
        }
    }
    return best;
}

// Decodes the handle's picture into buf: blue-green-red, alpha composed on
// black, turned by the container only when upright.
bool DecodeHandle(heif_context* context, const heif_image_handle* handle, bool upright, uint64_t maxPixels,
                  CImageBuffer& buf)
{
    uint32_t width = 0, height = 0;
    HandleSize(handle, upright, width, height);
    // The stored size bounds the decoded one whichever way it is turned.
    const auto storedWidth = static_cast<uint32_t>(std::max(0, heif_image_handle_get_ispe_width(handle)));
    const auto storedHeight = static_cast<uint32_t>(std::max(0, heif_image_handle_get_ispe_height(handle)));
    if (!SizeAllowed(width, height) || uint64_t{width} * height > maxPixels ||
        !SizeAllowed(storedWidth, storedHeight) || uint64_t{storedWidth} * storedHeight > maxPixels)
        return false;
    // The coded stream tells its own size, which libheif would allocate
    // before it compares it with the boxes.
    heif_context_set_maximum_image_size_limit(context,
                                              static_cast<int>(std::max(storedWidth, storedHeight) + kCodedPadding));
    const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(heif_decoding_options_alloc());
    if (!options)
        return false;
    options->ignore_transformations = upright ? 0 : 1;
    options->convert_hdr_to_8bit = 1;
    const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
    heif_image* decoded = nullptr;
    if (!Ok(heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                              alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get())))
        return false;
    const std::unique_ptr<heif_image, ImageDeleter> image(decoded);
    const unsigned channels = alpha ? 4 : 3;
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int w = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int h = heif_image_get_height(image.get(), heif_channel_interleaved);
    // A picture whose coded size is not the size its boxes tell is damaged.
    if (!pixels || w <= 0 || h <= 0 || static_cast<uint32_t>(w) != width || static_cast<uint32_t>(h) != height ||
        heif_image_get_bits_per_pixel(image.get(), heif_channel_interleaved) != static_cast<int>(channels * 8) ||
        stride < w * static_cast<int>(channels) || !buf.Create(width, height))
        return false;
    const bool premultiplied = heif_image_handle_is_premultiplied_alpha(handle) != 0;
    StoreDecodedRows({pixels, static_cast<size_t>(stride), channels, ChannelOrder::Rgb, premultiplied}, buf);
    return true;
}

bool Decode(std::span<const uint8_t> file, const std::string* path, uint32_t hintWidth, uint32_t hintHeight,
            uint64_t maxPixels, CImageBuffer& buf, PictureTraits* traits)
{
    const ContextPtr context = OpenContext(file, path);
    if (!context)
        return false;
    const HandlePtr primary = PrimaryHandle(context.get());
    if (!primary)
        return false;
    const bool upright = traits && traits->upright;
    const HandlePtr thumbnail = ThumbnailFor(primary.get(), upright, hintWidth, hintHeight);
    if (!DecodeHandle(context.get(), thumbnail ? thumbnail.get() : primary.get(), upright, maxPixels, buf))
        return false;
    if (traits) {
        // libheif gives no access to the container's transforms: the EXIF
        // orientation, which writers keep equal to them, stands in.
        const uint8_t orientation = upright ? 1 : ExifOrientationOf(primary.get());
        traits->orientation = orientation ? orientation : 1;
        traits->iccProfile = IccProfile(primary.get());
    }
    return true;
}

void ReadInto(std::span<const uint8_t> file, const std::string* path, uint32_t hintWidth, uint32_t hintHeight,
              uint64_t maxPixels, CImageBuffer& buf, PictureTraits* traits)
{
    buf.Clear();
    bool read = false;
    try {
        read = Decode(file, path, hintWidth, hintHeight, maxPixels, buf, traits);
    } catch (const std::bad_alloc&) {
        read = false;
    }
    if (!read)
        buf.Clear();
}

// The size a load gives: turned by the container while loads turn
// pictures (libheif turns them), as stored otherwise.
bool SizeOf(const ContextPtr& context, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    if (!context)
        return false;
    const bool upright = CurrentLoadOptions().upright;
    const HandlePtr primary = PrimaryHandle(context.get());
    uint32_t w = 0, h = 0;
    if (!primary || (HandleSize(primary.get(), upright, w, h), !SizeAllowed(w, h)))
        return false;
    width = w;
    height = h;
    if (orientation) {
        const uint8_t told = upright ? 1 : ExifOrientationOf(primary.get());
        *orientation = told ? told : 1;
    }
    return true;
}

// Whether a stored thumbnail may stand in is known only from the file.
bool HeifHintedSize(uint32_t&, uint32_t&, uint32_t hintWidth, uint32_t hintHeight)
{
    return hintWidth == 0 && hintHeight == 0;
}

}  // namespace

bool HeifDecoderPresent() { return heif_have_decoder_for_format(heif_compression_HEVC) != 0; }

void ReadHeifBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                   PictureTraits* traits, uint64_t maxPixels)
{
    ReadInto(file, nullptr, maxWidth, maxHeight, maxPixels, buf, traits);
}

void ReadHeif(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits)
{
    ReadInto({}, &path, maxWidth, maxHeight, kMaxPixels, buf, traits);
}

bool HeifSizeFromBytes(std::span<const uint8_t> file, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    return SizeOf(OpenContext(file, nullptr), width, height, orientation);
}

bool QueryHeifSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    return SizeOf(OpenContext({}, &path), width, height, orientation);
}

extern constexpr FormatRow kHeifFormat{
    .name = "heif",
    .extensions = "heic;heif",
    .openLabel = "HEIF images (*.heic, *.heif)",
    .read = ReadHeif,
    .size = QueryHeifSize,
    .hinted = HeifHintedSize,
};

}  // namespace pix
