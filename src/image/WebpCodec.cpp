#include "image/WebpCodec.h"

#include <webp/decode.h>
#include <webp/demux.h>
#include <webp/encode.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/AtomicFile.h"
#include "common/FileBytes.h"
#include "image/DecodedRows.h"
#include "image/HintFit.h"
#include "image/PhotoMetadata.h"
#include "image/RowHelpers.h"

namespace pix {
namespace {

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
using DemuxPtr = std::unique_ptr<WebPDemuxer, DemuxDeleter>;

// The orientation of the file's EXIF chunk, 0 when there is none.
uint8_t ChunkOrientation(const WebPDemuxer* demux)
{
    WebPChunkIterator chunk{};
    uint8_t orientation = 0;
    if (WebPDemuxGetChunk(demux, "EXIF", 1, &chunk))
        orientation = ExifOrientation({chunk.chunk.bytes, chunk.chunk.size});
    WebPDemuxReleaseChunkIterator(&chunk);
    return orientation;
}

void ReadTraits(const WebPDemuxer* demux, PictureTraits& traits)
{
    WebPChunkIterator chunk{};
    if (WebPDemuxGetChunk(demux, "ICCP", 1, &chunk))
        traits.iccProfile.assign(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    const uint8_t orientation = ChunkOrientation(demux);
    traits.orientation = orientation ? orientation : 1;
}

// Decodes one frame's data into buf, which already has the size to decode
// at (the frame's own size, or smaller when scale is set).
bool DecodeFrame(const WebPData& data, bool scale, CImageBuffer& buf)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config) || WebPGetFeatures(data.bytes, data.size, &config.input) != VP8_STATUS_OK)
        return false;
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    if (scale) {
        config.options.use_scaling = 1;
        config.options.scaled_width = static_cast<int>(width);
        config.options.scaled_height = static_cast<int>(height);
    } else if (static_cast<uint32_t>(config.input.width) != width ||
               static_cast<uint32_t>(config.input.height) != height) {
        return false;
    }
    // Premultiplied blue-green-red-alpha is the picture composed on black.
    const bool alpha = config.input.has_alpha != 0;
    std::vector<uint8_t> bgra;
    WebPDecBuffer& out = config.output;
    out.is_external_memory = 1;
    if (alpha) {
        bgra.resize(size_t{width} * height * 4);
        out.colorspace = MODE_bgrA;
        out.u.RGBA = {bgra.data(), static_cast<int>(width * 4), bgra.size()};
    } else {
        out.colorspace = MODE_BGR;
        out.u.RGBA = {buf.Bits(), static_cast<int>(buf.Stride()), buf.BitsSize()};
    }
    const bool decoded = WebPDecode(data.bytes, data.size, &config) == VP8_STATUS_OK;
    WebPFreeDecBuffer(&out);
    if (!decoded)
        return false;
    if (alpha)
        StoreDecodedRows({bgra.data(), size_t{width} * 4, 4, ChannelOrder::Bgr, true}, buf);
    else
        FlipRows(buf.Bits(), buf.Stride(), height);
    return true;
}

// Copies a frame into the canvas with its top left corner at x, y.
void PlaceFrame(const CImageBuffer& frame, uint32_t x, uint32_t y, CImageBuffer& canvas)
{
    for (uint32_t row = 0; row < frame.Height(); ++row)
        std::memcpy(canvas.Row(canvas.Height() - 1 - (y + row)) + size_t{x} * 3,
                    frame.Row(frame.Height() - 1 - row), size_t{frame.Width()} * 3);
}

bool Decode(std::span<const uint8_t> file, uint32_t hintWidth, uint32_t hintHeight, uint64_t maxPixels,
            CImageBuffer& buf, PictureTraits* traits)
{
    const WebPData data{file.data(), file.size()};
    const DemuxPtr demux(WebPDemux(&data));
    if (!demux)
        return false;
    const uint32_t width = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t height = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    if (!SizeAllowed(width, height) || uint64_t{width} * height > maxPixels)
        return false;
    if (traits) {
        ReadTraits(demux.get(), *traits);
        // The hints are for the picture turned upright.
        if (traits->upright && traits->orientation >= 5)
            std::swap(hintWidth, hintHeight);
    }

    WebPIterator iter{};
    const bool found = WebPDemuxGetFrame(demux.get(), 1, &iter) != 0;
    const WebPIterator frame = iter;
    WebPDemuxReleaseIterator(&iter);
    if (!found || frame.width < 1 || frame.height < 1 || frame.x_offset < 0 || frame.y_offset < 0 ||
        uint64_t{static_cast<uint32_t>(frame.x_offset)} + static_cast<uint32_t>(frame.width) > width ||
        uint64_t{static_cast<uint32_t>(frame.y_offset)} + static_cast<uint32_t>(frame.height) > height)
        return false;

    uint32_t scaledWidth = width;
    uint32_t scaledHeight = height;
    FitToHints(scaledWidth, scaledHeight, hintWidth, hintHeight);
    const bool scale = scaledWidth != width || scaledHeight != height;
    const bool whole = frame.x_offset == 0 && frame.y_offset == 0 && static_cast<uint32_t>(frame.width) == width &&
                       static_cast<uint32_t>(frame.height) == height;
    if (whole)
        return buf.Create(scaledWidth, scaledHeight) && DecodeFrame(frame.fragment, scale, buf);

    // A first frame smaller than the canvas lies on black, as its
    // transparent surroundings would be composed; the canvas is then
    // scaled as a whole.
    CImageBuffer part;
    if (!part.Create(static_cast<uint32_t>(frame.width), static_cast<uint32_t>(frame.height)) ||
        !DecodeFrame(frame.fragment, false, part) || !buf.Create(width, height))
        return false;
    PlaceFrame(part, static_cast<uint32_t>(frame.x_offset), static_cast<uint32_t>(frame.y_offset), buf);
    if (scale)
        buf.Resize(scaledWidth, scaledHeight);
    return true;
}

void ReadInto(std::span<const uint8_t> file, uint32_t hintWidth, uint32_t hintHeight, uint64_t maxPixels,
              CImageBuffer& buf, PictureTraits* traits)
{
    buf.Clear();
    bool read = false;
    try {
        read = Decode(file, hintWidth, hintHeight, maxPixels, buf, traits);
    } catch (const std::bad_alloc&) {
        read = false;
    }
    if (!read)
        buf.Clear();
}

// The picture as encoded data, or nothing when the encoder refuses it
// (WebP pictures are at most 16383 pixels a side).
std::vector<uint8_t> Encode(const CImageBuffer& buf, bool lossless, int quality)
{
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    std::vector<uint8_t> packed = UnpadRows(buf.Bits(), width, buf.Stride(), height);
    if (packed.empty() || !FlipRows(packed.data(), size_t{width} * 3, height))
        return {};
    uint8_t* output = nullptr;
    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    const size_t size = lossless ? WebPEncodeLosslessBGR(packed.data(), w, h, w * 3, &output)
                                 : WebPEncodeBGR(packed.data(), w, h, w * 3, static_cast<float>(quality), &output);
    std::vector<uint8_t> encoded;
    if (size > 0 && output)
        encoded.assign(output, output + size);
    WebPFree(output);
    return encoded;
}

Outcome Write(const CImageBuffer& buf, const std::string& path, bool lossless, int quality)
{
    AtomicFile file;
    if (buf.IsEmpty() || !file.Open(path))
        return WriteFailure(path, file.Error());
    const std::vector<uint8_t> encoded = Encode(buf, lossless, std::clamp(quality, 0, 100));
    if (encoded.empty() || !file.Write(encoded.data(), encoded.size()) || !file.Commit())
        return WriteFailure(path, file.Error());
    return {};
}

// libwebp scales while decoding, to any size.
bool WebpHintedSize(uint32_t& width, uint32_t& height, uint32_t hintWidth, uint32_t hintHeight)
{
    FitToHints(width, height, hintWidth, hintHeight);
    return true;
}

}  // namespace

void ReadWebpBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                   PictureTraits* traits, uint64_t maxPixels)
{
    ReadInto(file, maxWidth, maxHeight, maxPixels, buf, traits);
}

void ReadWebp(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits)
{
    buf.Clear();
    const auto bytes = ReadFileBytes(path);
    if (bytes)
        ReadInto(*bytes, maxWidth, maxHeight, kMaxPixels, buf, traits);
}

bool WebpSizeFromBytes(std::span<const uint8_t> head, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    const WebPData data{head.data(), head.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const DemuxPtr demux(WebPDemuxPartial(&data, &state));
    if (!demux || state < WEBP_DEMUX_PARSED_HEADER)
        return false;
    const uint32_t w = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
    const uint32_t h = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
    if (!SizeAllowed(w, h))
        return false;
    width = w;
    height = h;
    if (orientation)
        if (const uint8_t told = ChunkOrientation(demux.get()))
            *orientation = told;
    return true;
}

bool QueryWebpSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    const auto head = ReadFileHead(path, kWebpSizeHeadBytes);
    return head && WebpSizeFromBytes(head->bytes, width, height, orientation);
}

Outcome WriteWebp(const CImageBuffer& buf, const std::string& path) { return Write(buf, path, true, 100); }

Outcome WriteWebpQuality(const CImageBuffer& buf, const std::string& path, int quality)
{
    return Write(buf, path, false, quality);
}

extern constexpr FormatRow kWebpFormat{
    .name = "webp",
    .extensions = "webp",
    .openLabel = "WebP images (*.webp)",
    .saveLabel = "WebP image (*.webp)",
    .read = ReadWebp,
    .write = WriteWebp,
    .size = QueryWebpSize,
    .hinted = WebpHintedSize,
    .writeQuality = WriteWebpQuality,
    .saveDialog = true,
};

}  // namespace pix
