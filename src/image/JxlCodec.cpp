#include "image/JxlCodec.h"

#include <jxl/decode.h>
#include <jxl/resizable_parallel_runner.h>

#include <memory>
#include <new>
#include <vector>

#include "common/FileBytes.h"
#include "image/DecodedRows.h"

namespace pix {
namespace {

// What the size query reads first; files whose basic information lies
// further (behind other boxes) are read whole.
constexpr size_t kSizeHeadBytes = 64 * 1024;

struct DecoderDeleter {
    void operator()(JxlDecoder* decoder) const { JxlDecoderDestroy(decoder); }
};
using DecoderPtr = std::unique_ptr<JxlDecoder, DecoderDeleter>;
struct RunnerDeleter {
    void operator()(void* runner) const { JxlResizableParallelRunnerDestroy(runner); }
};
using RunnerPtr = std::unique_ptr<void, RunnerDeleter>;

uint8_t OrientationOf(const JxlBasicInfo& info)
{
    const auto orientation = static_cast<unsigned>(info.orientation);
    return orientation >= 1 && orientation <= 8 ? static_cast<uint8_t>(orientation) : 1;
}

// A decoder over the bytes (which must outlive it), told to leave the
// pixels as stored and to stop at the given events.
DecoderPtr MakeDecoder(std::span<const uint8_t> file, int events)
{
    DecoderPtr decoder(JxlDecoderCreate(nullptr));
    if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
        JxlDecoderSetKeepOrientation(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(decoder.get(), file.data(), file.size()) != JXL_DEC_SUCCESS)
        return nullptr;
    JxlDecoderCloseInput(decoder.get());
    return decoder;
}

std::vector<uint8_t> DataProfile(JxlDecoder* decoder)
{
    size_t size = 0;
    if (JxlDecoderGetICCProfileSize(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &size) != JXL_DEC_SUCCESS ||
        size == 0)
        return {};
    std::vector<uint8_t> profile(size);
    if (JxlDecoderGetColorAsICCProfile(decoder, nullptr, JXL_COLOR_PROFILE_TARGET_DATA, profile.data(), size) !=
        JXL_DEC_SUCCESS)
        return {};
    return profile;
}

// Decodes the first frame. threads: whether to decode on several threads.
bool Decode(std::span<const uint8_t> file, bool threads, uint64_t maxPixels, CImageBuffer& buf,
            PictureTraits* traits)
{
    const DecoderPtr decoder = MakeDecoder(file, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE);
    if (!decoder)
        return false;
    RunnerPtr runner;
    if (threads) {
        runner.reset(JxlResizableParallelRunnerCreate(nullptr));
        if (!runner ||
            JxlDecoderSetParallelRunner(decoder.get(), JxlResizableParallelRunner, runner.get()) != JXL_DEC_SUCCESS)
            return false;
    }
    JxlBasicInfo info{};
    JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    std::vector<uint8_t> pixels;
    for (;;) {
        switch (JxlDecoderProcessInput(decoder.get())) {
        case JXL_DEC_BASIC_INFO:
            if (JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS ||
                !SizeAllowed(info.xsize, info.ysize) || uint64_t{info.xsize} * info.ysize > maxPixels)
                return false;
            format.num_channels = info.alpha_bits > 0 ? 4 : 3;
            if (runner)
                JxlResizableParallelRunnerSetThreads(
                    runner.get(), JxlResizableParallelRunnerSuggestThreads(info.xsize, info.ysize));
            break;
        case JXL_DEC_COLOR_ENCODING:
            if (traits)
                traits->iccProfile = DataProfile(decoder.get());
            break;
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
            size_t size = 0;
            const size_t expected = size_t{info.xsize} * info.ysize * format.num_channels;
            if (JxlDecoderImageOutBufferSize(decoder.get(), &format, &size) != JXL_DEC_SUCCESS || size != expected)
                return false;
            pixels.resize(size);
            if (JxlDecoderSetImageOutBuffer(decoder.get(), &format, pixels.data(), size) != JXL_DEC_SUCCESS)
                return false;
            break;
        }
        case JXL_DEC_FULL_IMAGE:
            // The first frame is the picture; later frames of an animation
            // are not decoded.
            if (pixels.empty() || !buf.Create(info.xsize, info.ysize))
                return false;
            StoreDecodedRows({pixels.data(), size_t{info.xsize} * format.num_channels, format.num_channels,
                              ChannelOrder::Rgb, info.alpha_premultiplied != 0},
                             buf);
            if (traits)
                traits->orientation = OrientationOf(info);
            return true;
        default:
            // Errors, input that ends early, and success without a frame.
            return false;
        }
    }
}

void ReadInto(std::span<const uint8_t> file, bool threads, uint64_t maxPixels, CImageBuffer& buf,
              PictureTraits* traits)
{
    buf.Clear();
    bool read = false;
    try {
        read = Decode(file, threads, maxPixels, buf, traits);
    } catch (const std::bad_alloc&) {
        read = false;
    }
    if (!read)
        buf.Clear();
}

}  // namespace

void ReadJxlBytes(std::span<const uint8_t> file, CImageBuffer& buf, PictureTraits* traits, uint64_t maxPixels)
{
    ReadInto(file, false, maxPixels, buf, traits);
}

void ReadJxl(const std::string& path, uint32_t, uint32_t, CImageBuffer& buf, PictureTraits* traits)
{
    buf.Clear();
    const auto bytes = ReadFileBytes(path);
    if (bytes)
        ReadInto(*bytes, true, kMaxPixels, buf, traits);
}

bool JxlSizeFromBytes(std::span<const uint8_t> head, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    const DecoderPtr decoder = MakeDecoder(head, JXL_DEC_BASIC_INFO);
    JxlBasicInfo info{};
    if (!decoder || JxlDecoderProcessInput(decoder.get()) != JXL_DEC_BASIC_INFO ||
        JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS || !SizeAllowed(info.xsize, info.ysize))
        return false;
    width = info.xsize;
    height = info.ysize;
    if (orientation)
        *orientation = OrientationOf(info);
    return true;
}

bool QueryJxlSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    const auto head = ReadFileHead(path, kSizeHeadBytes);
    if (!head)
        return false;
    if (JxlSizeFromBytes(head->bytes, width, height, orientation))
        return true;
    if (head->fileSize <= head->bytes.size())
        return false;
    const auto bytes = ReadFileBytes(path);
    return bytes && JxlSizeFromBytes(*bytes, width, height, orientation);
}

extern constexpr FormatRow kJxlFormat{
    .name = "jxl",
    .extensions = "jxl",
    .openLabel = "JPEG XL images (*.jxl)",
    .read = ReadJxl,
    .size = QueryJxlSize,
};

}  // namespace pix
