#include "image/AvifCodec.h"

#include <avif/avif.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/AtomicFile.h"
#include "common/FileBytes.h"
#include "image/DecodedRows.h"
#include "image/ExifItem.h"
#include "image/PhotoMetadata.h"
#include "image/RowHelpers.h"

namespace pix {
namespace {

constexpr int kEncoderSpeed = 6;
constexpr int kEncoderThreads = 2;

struct DecoderDeleter {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using DecoderPtr = std::unique_ptr<avifDecoder, DecoderDeleter>;
struct EncoderDeleter {
    void operator()(avifEncoder* encoder) const { avifEncoderDestroy(encoder); }
};
struct ImageDeleter {
    void operator()(avifImage* image) const { avifImageDestroy(image); }
};

// The EXIF number of the container's rotation (irot: quarter turns
// anticlockwise) followed by its mirroring (imir: 0 exchanges top and
// bottom, 1 left and right); 0 when it has neither.
uint8_t TransformOrientation(const avifImage& image)
{
    static constexpr uint8_t kOrientations[4][3] = {{1, 4, 2}, {8, 5, 7}, {3, 2, 4}, {6, 7, 5}};
    const bool rotated = (image.transformFlags & AVIF_TRANSFORM_IROT) != 0;
    const bool mirrored = (image.transformFlags & AVIF_TRANSFORM_IMIR) != 0;
    if (!rotated && !mirrored)
        return 0;
    const unsigned turns = rotated ? image.irot.angle & 3u : 0;
    const unsigned mirror = mirrored ? 1 + (image.imir.mode & 1u) : 0;
    return kOrientations[turns][mirror];
}

uint8_t Orientation(const avifImage& image)
{
    if (const uint8_t told = TransformOrientation(image))
        return told;
    if (image.exif.size == 0)
        return 1;
    const std::span<const uint8_t> exif{image.exif.data, image.exif.size};
    uint8_t told = ExifOrientation(exif);
    if (told == 0)
        told = ExifItemOrientation(exif);
    return told ? told : 1;
}

DecoderPtr NewDecoder(uint64_t maxPixels)
{
    DecoderPtr decoder(avifDecoderCreate());
    if (!decoder)
        return nullptr;
    decoder->maxThreads = 1;
    decoder->imageSizeLimit = static_cast<uint32_t>(std::min<uint64_t>(maxPixels, AVIF_DEFAULT_IMAGE_SIZE_LIMIT));
    decoder->strictFlags = AVIF_STRICT_DISABLED;
    decoder->ignoreXMP = AVIF_TRUE;
    return decoder;
}

// Parses the boxes of the decoder's input; refuses pictures beyond
// maxPixels before anything is decoded.
DecoderPtr Parsed(DecoderPtr decoder, avifResult input, uint64_t maxPixels)
{
    if (input != AVIF_RESULT_OK || avifDecoderParse(decoder.get()) != AVIF_RESULT_OK)
        return nullptr;
    const avifImage& image = *decoder->image;
    if (!SizeAllowed(image.width, image.height) || uint64_t{image.width} * image.height > maxPixels)
        return nullptr;
    return decoder;
}

// A decoder over the file's bytes (not copied: they must outlive it).
DecoderPtr MakeDecoder(std::span<const uint8_t> file, uint64_t maxPixels)
{
    DecoderPtr decoder = NewDecoder(maxPixels);
    if (!decoder)
        return nullptr;
    const avifResult input = avifDecoderSetIOMemory(decoder.get(), file.data(), file.size());
    return Parsed(std::move(decoder), input, maxPixels);
}

// A decoder that reads from the file as it needs.
DecoderPtr MakeDecoder(const std::string& path)
{
    DecoderPtr decoder = NewDecoder(kMaxPixels);
    if (!decoder)
        return nullptr;
    const avifResult input = avifDecoderSetIOFile(decoder.get(), path.c_str());
    return Parsed(std::move(decoder), input, kMaxPixels);
}

bool SizeOf(const DecoderPtr& decoder, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    if (!decoder)
        return false;
    width = decoder->image->width;
    height = decoder->image->height;
    if (orientation)
        *orientation = Orientation(*decoder->image);
    return true;
}

bool Decode(std::span<const uint8_t> file, uint64_t maxPixels, CImageBuffer& buf, PictureTraits* traits)
{
    const DecoderPtr decoder = MakeDecoder(file, maxPixels);
    if (!decoder)
        return false;
    const uint32_t width = decoder->image->width;
    const uint32_t height = decoder->image->height;
    if (avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK)
        return false;
    const avifImage& image = *decoder->image;
    if (image.width != width || image.height != height || !buf.Create(width, height))
        return false;

    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, &image);
    rgb.depth = 8;
    // Premultiplied colours are the picture composed on black.
    const bool alpha = image.alphaPlane != nullptr;
    rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
    rgb.alphaPremultiplied = AVIF_TRUE;
    std::vector<uint8_t> bgra;
    if (alpha) {
        bgra.resize(size_t{width} * height * 4);
        rgb.pixels = bgra.data();
        rgb.rowBytes = width * 4;
    } else {
        rgb.pixels = buf.Bits();
        rgb.rowBytes = buf.Stride();
    }
    if (avifImageYUVToRGB(&image, &rgb) != AVIF_RESULT_OK)
        return false;
    if (alpha)
        StoreDecodedRows({bgra.data(), size_t{width} * 4, 4, ChannelOrder::Bgr, true}, buf);
    else
        FlipRows(buf.Bits(), buf.Stride(), height);
    if (traits) {
        traits->orientation = Orientation(image);
        traits->iccProfile.assign(image.icc.data, image.icc.data + image.icc.size);
    }
    return true;
}

void ReadInto(std::span<const uint8_t> file, uint64_t maxPixels, CImageBuffer& buf, PictureTraits* traits)
{
    buf.Clear();
    bool read = false;
    try {
        read = Decode(file, maxPixels, buf, traits);
    } catch (const std::bad_alloc&) {
        read = false;
    }
    if (!read)
        buf.Clear();
}

// The encoded file, or nothing when the encoder fails.
std::vector<uint8_t> Encode(const CImageBuffer& buf, int quality)
{
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    std::vector<uint8_t> packed = UnpadRows(buf.Bits(), width, buf.Stride(), height);
    if (packed.empty() || !FlipRows(packed.data(), size_t{width} * 3, height))
        return {};
    // Lossless coding keeps the colours as they are (identity matrix, full
    // range, no subsampling) and quantizes nothing.
    const bool lossless = quality >= 100;
    const std::unique_ptr<avifImage, ImageDeleter> image(
        avifImageCreate(width, height, 8, lossless ? AVIF_PIXEL_FORMAT_YUV444 : AVIF_PIXEL_FORMAT_YUV420));
    if (!image)
        return {};
    if (lossless)
        image->matrixCoefficients = AVIF_MATRIX_COEFFICIENTS_IDENTITY;
    image->yuvRange = AVIF_RANGE_FULL;
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image.get());
    rgb.format = AVIF_RGB_FORMAT_BGR;
    rgb.depth = 8;
    rgb.pixels = packed.data();
    rgb.rowBytes = width * 3;
    if (avifImageRGBToYUV(image.get(), &rgb) != AVIF_RESULT_OK)
        return {};

    const std::unique_ptr<avifEncoder, EncoderDeleter> encoder(avifEncoderCreate());
    if (!encoder)
        return {};
    encoder->maxThreads = kEncoderThreads;
    encoder->speed = kEncoderSpeed;
    const int quantizer = (AVIF_QUANTIZER_WORST_QUALITY * (100 - quality) + 50) / 100;
    encoder->minQuantizer = quantizer;
    encoder->maxQuantizer = quantizer;
    avifRWData output = AVIF_DATA_EMPTY;
    std::vector<uint8_t> encoded;
    if (avifEncoderWrite(encoder.get(), image.get(), &output) == AVIF_RESULT_OK)
        encoded.assign(output.data, output.data + output.size);
    avifRWDataFree(&output);
    return encoded;
}

}  // namespace

void ReadAvifBytes(std::span<const uint8_t> file, CImageBuffer& buf, PictureTraits* traits, uint64_t maxPixels)
{
    ReadInto(file, maxPixels, buf, traits);
}

void ReadAvif(const std::string& path, uint32_t, uint32_t, CImageBuffer& buf, PictureTraits* traits)
{
    buf.Clear();
    const auto bytes = ReadFileBytes(path);
    if (bytes)
        ReadInto(*bytes, kMaxPixels, buf, traits);
}

bool AvifSizeFromBytes(std::span<const uint8_t> file, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    return SizeOf(MakeDecoder(file, kMaxPixels), width, height, orientation);
}

bool QueryAvifSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    return SizeOf(MakeDecoder(path), width, height, orientation);
}

Outcome WriteAvifQuality(const CImageBuffer& buf, const std::string& path, int quality)
{
    AtomicFile file;
    if (buf.IsEmpty() || !file.Open(path))
        return WriteFailure(path, file.Error());
    const std::vector<uint8_t> encoded = Encode(buf, std::clamp(quality, 0, 100));
    if (encoded.empty() || !file.Write(encoded.data(), encoded.size()) || !file.Commit())
        return WriteFailure(path, file.Error());
    return {};
}

Outcome WriteAvif(const CImageBuffer& buf, const std::string& path)
{
    return WriteAvifQuality(buf, path, kDefaultAvifQuality);
}

extern constexpr FormatRow kAvifFormat{
    .name = "avif",
    .extensions = "avif",
    .openLabel = "AVIF images (*.avif)",
    .saveLabel = "AVIF image (*.avif)",
    .read = ReadAvif,
    .write = WriteAvif,
    .size = QueryAvifSize,
    .writeQuality = WriteAvifQuality,
    .saveDialog = true,
};

}  // namespace pix
