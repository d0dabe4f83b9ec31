#pragma once
// The one table that maps a path's last four characters, upper-cased, to
// its image format, and each format to its reader and writer. Formats whose
// codec lives in a higher layer (metafiles are drawn with the render layer)
// are registered there at start-up; until then their keys load nothing.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace pix {

class CImageBuffer;
class Outcome;

enum class ImageFormat : uint8_t { Jpeg, Gif, Png, Wmf, Tiff, Bmp, Pxf };
inline constexpr int kFormatCount = 7;

// A reader fills buf from path (buf is empty on entry and stays empty on
// failure); hints are the size the caller will scale to, 0 × 0 for full size.
using ImageReader = void (*)(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf);
// A writer writes buf to path and tells why when it cannot; a failed
// write leaves an old file of that name as it was.
using ImageWriter = Outcome (*)(const CImageBuffer& buf, const std::string& path);

// A size query reads only as much of the file as it needs to tell the
// width and height the reader would give the picture; false when it cannot.
using ImageSizeQuery = bool (*)(const std::string& path, uint32_t& width, uint32_t& height);

struct FormatCodec {
    ImageReader read = nullptr;
    ImageWriter write = nullptr;
    ImageSizeQuery size = nullptr;
};

struct FormatKey {
    std::string_view key;  // last four characters, upper case
    ImageFormat format;
};

// The keys in the order they are compared.
std::span<const FormatKey> FormatKeys();

// The format chosen by a path's last four characters, or nothing.
std::optional<ImageFormat> FormatForPath(std::string_view path);

// The codec of a path, or null when no format or no codec is known.
const FormatCodec* CodecForPath(std::string_view path);

// The width and height of the picture at path, by its format's size
// query; false for formats without one and for unreadable files.
bool QueryImageSize(const std::string& path, uint32_t& width, uint32_t& height);

// Turns the full size of the picture at path (as QueryImageSize tells it)
// into the size a load with the given hints gives: JPEG decodes at a
// reduced scale, the other readers ignore hints. False for metafiles,
// which are drawn at the hinted size, and for unknown formats.
bool HintedImageSize(std::string_view path, uint32_t& width, uint32_t& height, uint32_t hintWidth,
                     uint32_t hintHeight);

// Installs the reader, writer and size query of a format (at start-up,
// before threads).
void RegisterCodec(ImageFormat format, FormatCodec codec);
const FormatCodec& CodecFor(ImageFormat format);

// The system's extension list, separated by full stops.
inline constexpr std::string_view kExtensionList = "jpeg.jpg.jif.jpe.jfif.bmp.dib.gif.png.tif.tiff.wmf.pxf";

// File-type filters: description|patterns pairs ended by "||".
inline constexpr std::string_view kOpenFilter =
    "Only image files|*.jpg;*.jif;*.jpe;*.jpeg;*.jfif;*.bmp;*.dib;*.gif;*.png;*.tif;*.tiff;*.wmf;*.pxf|"
    "Pixadrome contact sheets (*.pxc)|*.pxc|All files (*.*)|*.*|"
    "JPG images (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpe;*.jpeg;*.jfif|"
    "Windows Bitmaps (*.bmp,*.dib)|*.bmp;*.dib|GIF images (*.gif)|*.gif|PNG images (*.png)|*.png|"
    "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafiles (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf||";
inline constexpr std::string_view kImagesFilter =
    "JPG images (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif|"
    "Windows Bitmaps (*.bmp,*.dib)|*.bmp;*.dib|GIF images (*.gif)|*.gif|PNG images (*.png)|*.png|"
    "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafiles (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf||";
inline constexpr std::string_view kSaveSheetFilter =
    "Pixadrome contact sheet (*.pxc)|*.pxc|Webpage (*.html,*.htm)|*.html;*.htm|"
    "JPG image (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif|"
    "Windows Bitmap (*.bmp,*.dib)|*.bmp;*.dib|GIF image (*.gif)|*.gif|PNG image (*.png)|*.png|"
    "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafile (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf||";
inline constexpr std::string_view kSaveImageFilter =
    "JPG image (*.jpg, *.jif,*.jpeg,*.jpe)|*.jpg;*.jif;*.jpeg;*.jpe;*.jfif|"
    "Windows Bitmap (*.bmp,*.dib)|*.bmp;*.dib|GIF image (*.gif)|*.gif|PNG image (*.png)|*.png|"
    "Tiff images (*.tif)|*.tif;*.tiff|Windows Metafile (*.wmf)|*.wmf|Pixadrome images (*.pxf)|*.pxf||";

}  // namespace pix
