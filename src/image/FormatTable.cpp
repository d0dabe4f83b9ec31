#include "image/FormatTable.h"

#include <array>
#include <cctype>

#include "image/BmpCodec.h"
#include "image/GifCodec.h"
#include "image/JpegCodec.h"
#include "image/PngCodec.h"
#include "image/PxfCodec.h"
#include "image/TiffCodec.h"

namespace pix {
namespace {

// "JFIF" and "TIFF" are the four-letter names the desktop also gives JPEG
// and TIFF files; the program opens those types as a whole.
constexpr std::array<FormatKey, 13> kKeys{{
    {".JPG", ImageFormat::Jpeg},
    {"JPEG", ImageFormat::Jpeg},
    {".JIF", ImageFormat::Jpeg},
    {".JPE", ImageFormat::Jpeg},
    {"JFIF", ImageFormat::Jpeg},
    {".GIF", ImageFormat::Gif},
    {".PNG", ImageFormat::Png},
    {".WMF", ImageFormat::Wmf},
    {".TIF", ImageFormat::Tiff},
    {"TIFF", ImageFormat::Tiff},
    {".BMP", ImageFormat::Bmp},
    {".DIB", ImageFormat::Bmp},
    {".PXF", ImageFormat::Pxf},
}};

std::array<FormatCodec, kFormatCount>& Codecs()
{
    // The formats of this layer are known from the start.
    static std::array<FormatCodec, kFormatCount> codecs = [] {
        std::array<FormatCodec, kFormatCount> c{};
        c[static_cast<size_t>(ImageFormat::Bmp)] = {ReadBmp, WriteBmp, QueryBmpSize};
        c[static_cast<size_t>(ImageFormat::Gif)] = {ReadGif, WriteGif, QueryGifSize};
        c[static_cast<size_t>(ImageFormat::Jpeg)] = {ReadJpeg, WriteJpegDefault, QueryJpegSize};
        c[static_cast<size_t>(ImageFormat::Png)] = {ReadPng, WritePng, QueryPngSize};
        c[static_cast<size_t>(ImageFormat::Tiff)] = {ReadTiff, WriteTiff, QueryTiffSize};
        c[static_cast<size_t>(ImageFormat::Pxf)] = {ReadPxf, WritePxf};
        return c;
    }();
    return codecs;
}

}  // namespace

std::span<const FormatKey> FormatKeys() { return kKeys; }

std::optional<ImageFormat> FormatForPath(std::string_view path)
{
    if (path.size() < 4)
        return std::nullopt;
    char key[4];
    for (int i = 0; i < 4; ++i)
        key[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[path.size() - 4 + i])));
    for (const FormatKey& k : kKeys)
        if (std::string_view(key, 4) == k.key)
            return k.format;
    return std::nullopt;
}

const FormatCodec* CodecForPath(std::string_view path)
{
    auto format = FormatForPath(path);
    if (!format)
        return nullptr;
    return &Codecs()[static_cast<size_t>(*format)];
}

bool QueryImageSize(const std::string& path, uint32_t& width, uint32_t& height)
{
    const FormatCodec* codec = CodecForPath(path);
    return codec && codec->size && codec->size(path, width, height);
}

bool HintedImageSize(std::string_view path, uint32_t& width, uint32_t& height, uint32_t hintWidth,
                     uint32_t hintHeight)
{
    const std::optional<ImageFormat> format = FormatForPath(path);
    if (!format || *format == ImageFormat::Wmf)
        return false;
    if (*format == ImageFormat::Jpeg) {
        // libjpeg rounds a scaled side up.
        const auto denom = static_cast<uint32_t>(JpegScaleDenominator(width, height, hintWidth, hintHeight));
        width = (width + denom - 1) / denom;
        height = (height + denom - 1) / denom;
    }
    return true;
}

void RegisterCodec(ImageFormat format, FormatCodec codec) { Codecs()[static_cast<size_t>(format)] = codec; }

const FormatCodec& CodecFor(ImageFormat format) { return Codecs()[static_cast<size_t>(format)]; }

}  // namespace pix
