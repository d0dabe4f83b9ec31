#pragma once
// GIF files. CGifFile reads the first image of a GIF 87a or 89a file into
// packed red-green-blue rows and writes an index plane with a 256-entry
// palette as GIF 87a; it keeps the text of the last problem. The format
// table's reader and writer sit on top of it: the reader finishes the
// buffer as every packed-row reader does, the writer needs an index plane
// (the processing layer installs a writer that reduces colours first).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/Outcome.h"
#include "image/CImageBuffer.h"

namespace pix {

struct PictureTraits;

class Prompter;

// Pictures of up to this many pixels are always given their full buffer;
// larger ones only when the file holds enough data that LZW could fill
// them, so a few bytes cannot claim gigabytes.
inline constexpr uint64_t kGifAlwaysAllowedPixels = uint64_t{1} << 24;

class CGifFile {
public:
    CGifFile() = default;

    // The last problem ("No Error" until there is one).
    const std::string& ErrorText() const { return error_; }

    // Reads the first image: width × height × 3 bytes, red, green, blue,
    // top row first; empty, with the error text set, on failure.
    std::vector<uint8_t> Read(const std::string& path, uint32_t& width, uint32_t& height);
    // The same from bytes in memory; name stands for the path in the error
    // texts. Pictures of more than maxPixels are refused.
    std::vector<uint8_t> ReadBytes(std::span<const uint8_t> file, const std::string& name, uint32_t& width,
                                   uint32_t& height, uint64_t maxPixels = kMaxPixels);

    // Writes indexPlane (width × height bytes, top row first) with the
    // 256-entry palette as GIF 87a through a temporary file. A failure
    // sets the error text, leaves any old file untouched and tells why:
    // "Can't open GIF for writing", or "Write Error in GIF file" when the
    // file was opened.
    Outcome Write(const uint8_t* indexPlane, const std::string& path, uint32_t width, uint32_t height,
                  uint8_t background, const uint8_t* red, const uint8_t* green, const uint8_t* blue);

    // The whole file Write would write, in memory (width and height must
    // fit in 16 bits).
    static std::vector<uint8_t> Encode(const uint8_t* indexPlane, uint32_t width, uint32_t height, uint8_t background,
                                       const uint8_t* red, const uint8_t* green, const uint8_t* blue);

private:
    std::string error_ = "No Error";
};

// The format table's reader: the first image as true colour, no index plane.
void ReadGif(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
             PictureTraits* traits = nullptr);
void ReadGifBytes(std::span<const uint8_t> file, CImageBuffer& buf, uint64_t maxPixels = kMaxPixels);

// What the bytes at the start of a file tell about its size.
enum class GifSizeAnswer {
    Known,     // the reader gives the picture this size
    Refused,   // the reader refuses the file
    NeedMore,  // head ends before the first image's raster begins
};
// The width and height the reader gives a file of fileSize bytes that
// begins with head: the first image's size, from the headers and
// extensions before its raster, never the raster itself.
GifSizeAnswer GifSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height);
// The size query of the format table.
bool QueryGifSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

// The format table's writer in this layer: writes the index plane and
// palette, and shows "Failed to make 256 color image" when there is no
// index plane.
Outcome WriteGif(const CImageBuffer& buf, const std::string& path);

// GIF keeps width and height in 16 bits.
constexpr bool GifSizeWritable(uint32_t width, uint32_t height)
{
    return width >= 1 && height >= 1 && width <= 0xFFFF && height <= 0xFFFF;
}

}  // namespace pix
