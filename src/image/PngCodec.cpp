#include "image/PngCodec.h"

#include <png.h>
#include <zlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "common/AtomicFile.h"
#include "common/FileBytes.h"
#include "common/Prompter.h"
#include "image/ColourProfile.h"
#include "image/PhotoMetadata.h"

// libpng reports errors through a handler that must not return; ours jumps
// back to the function that set png_jmpbuf. Every C++ object with a
// destructor in those functions is constructed before setjmp, so the jump
// skips no destructor.

namespace pix {
namespace {

// Any libpng warning ends a load or a write, as an error does, except the
// warnings current libpng gives about things the old library accepted
// without a word:
// - a tRNS grey or colour value with bits beyond the bit depth (it matches
//   no pixel, so nothing becomes transparent);
// - palette indices beyond the palette (the missing entries are black; the
//   colour count is raised to cover them).
constexpr const char* kBenignWarnings[] = {
    "tRNS chunk has out-of-range samples for bit_depth",
    "Read palette index exceeding num_palette",
};

// Chunks the old library did not know and skipped unread; current libpng
// checks them and warns about bad ones (a "known incorrect sRGB profile"
// is the common case). They are skipped here too. Their CRC is still
// checked, as it was then.
constexpr png_byte kSkippedChunks[] = "iCCP\0iTXt\0sPLT\0sCAL\0eXIf";
constexpr int kSkippedChunkCount = 5;

// Limits on what one file may make libpng allocate for its ancillary
// chunks, whatever their compressed size.
constexpr png_uint_32 kChunkCacheMax = 1000;
constexpr png_alloc_size_t kChunkMallocMax = 8'000'000;

// deflate never expands data more than 1032 times; a file that declares
// more pixel data than that is refused before its picture is allocated.
constexpr uint64_t kMaxInflateRatio = 1032;
constexpr uint64_t kInflateSlack = uint64_t{1} << 20;

[[noreturn]] void ErrorFn(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void StrictWarningFn(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// A warning about a chunk comes as "name: text".
bool IsBenign(const char* message)
{
    if (!message)
        return false;
    const size_t length = std::strlen(message);
    if (length > 6 && message[4] == ':' && message[5] == ' ')
        message += 6;
    for (const char* benign : kBenignWarnings)
        if (std::strcmp(message, benign) == 0)
            return true;
    return false;
}

void ReadWarningFn(png_structp png, png_const_charp message)
{
    if (!IsBenign(message))
        png_longjmp(png, 1);
}

struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length)
{
    auto* src = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "Read Error");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

struct ReadGuard {
    png_structp* png;
    png_infop* info;
    ~ReadGuard() { png_destroy_read_struct(png, info, nullptr); }
};
struct WriteGuard {
    png_structp* png;
    png_infop* info;
    ~WriteGuard() { png_destroy_write_struct(png, info); }
};

// Fills bits from the index plane through the palette, bottom row first.
void ExpandPalette(const std::vector<uint8_t>& plane, CImageBuffer& buf)
{
    const uint32_t w = buf.Width();
    const uint32_t h = buf.Height();
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = plane.data() + static_cast<size_t>(y) * w;
        uint8_t* dst = buf.Row(h - 1 - y);
        for (uint32_t x = 0; x < w; ++x, dst += 3) {
            dst[0] = buf.Blue()[src[x]];
            dst[1] = buf.Green()[src[x]];
            dst[2] = buf.Red()[src[x]];
        }
    }
}

// The largest colour profile a file may inflate to.
constexpr size_t kMaxProfileBytes = size_t{4} << 20;

// Inflates a zlib stream into at most kMaxProfileBytes; empty when the
// stream is damaged or larger.
std::vector<uint8_t> InflateProfile(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    z_stream zs{};
    if (size > UINT32_MAX || inflateInit(&zs) != Z_OK)
        return out;
    zs.next_in = const_cast<Bytef*>(data);
    zs.avail_in = static_cast<uInt>(size);
    uint8_t block[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        zs.next_out = block;
        zs.avail_out = sizeof block;
        rc = inflate(&zs, Z_NO_FLUSH);
        const size_t made = sizeof block - zs.avail_out;
        if ((rc != Z_OK && rc != Z_STREAM_END) || out.size() + made > kMaxProfileBytes) {
            out.clear();
            break;
        }
        out.insert(out.end(), block, block + made);
    }
    inflateEnd(&zs);
    return out;
}

// Takes the colour profile and the EXIF block from their chunks, which
// libpng hands over unread.
int TraitChunk(png_structp png, png_unknown_chunkp chunk)
{
    auto* traits = static_cast<PictureTraits*>(png_get_user_chunk_ptr(png));
    const std::string_view name(reinterpret_cast<const char*>(chunk->name), 4);
    if (name == "iCCP" && traits->iccProfile.empty()) {
        // A name of 1..79 bytes, its zero, the method (0: deflate), the stream.
        const uint8_t* data = chunk->data;
        const auto* zero = static_cast<const uint8_t*>(std::memchr(data, 0, std::min<size_t>(chunk->size, 80)));
        if (zero && zero != data && static_cast<size_t>(zero - data) + 2 <= chunk->size && zero[1] == 0) {
            const size_t at = static_cast<size_t>(zero - data) + 2;
            traits->iccProfile = InflateProfile(data + at, chunk->size - at);
        }
    } else if (name == "eXIf") {
        const uint8_t orientation = ExifOrientation({chunk->data, chunk->size});
        traits->orientation = orientation ? orientation : 1;
    }
    return 1;
}

// Decodes from the memory range, or from file when it is not null;
// inputSize is the size of the whole file.
bool Decode(const uint8_t* data, size_t size, std::FILE* file, uint64_t inputSize, uint64_t maxPixels,
            CImageBuffer& buf, PictureTraits* traits)
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    ReadGuard guard{&png, &info};
    MemorySource source{data, size, 0};
    std::vector<uint8_t> plane;

    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorFn, ReadWarningFn);
    if (!png)
        return false;
    info = png_create_info_struct(png);
    if (!info)
        return false;
    if (setjmp(png_jmpbuf(png))) {
        buf.Clear();
        return false;
    }
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxPixels), static_cast<png_uint_32>(kMaxPixels));
    png_set_chunk_cache_max(png, kChunkCacheMax);
    png_set_chunk_malloc_max(png, kChunkMallocMax);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
    if (traits) {
        static constexpr png_byte kTraitChunks[] = "iCCP\0eXIf";
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_ALWAYS, kTraitChunks, 2);
        png_set_read_user_chunk_fn(png, traits, TraitChunk);
    }
    if (file)
        png_init_io(png, file);
    else
        png_set_read_fn(png, &source, ReadFromMemory);

    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    if (!SizeAllowed(width, height) || uint64_t{width} * height > maxPixels)
        return false;
    const uint64_t rawBytes =
        (uint64_t{width} * png_get_channels(png, info) * static_cast<unsigned>(depth) + 7) / 8 * height + height;
    if (rawBytes > inputSize * kMaxInflateRatio + kInflateSlack)
        return false;
    const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;

    png_color_16 black{};
    png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    double fileGamma = 0;
    // An RGB profile describes the gamma too, and better.
    const bool profiled = traits && traits->colourManaged && IsRgbProfile(traits->iccProfile);
    if (!profiled && png_get_gAMA(png, info, &fileGamma))
        png_set_gamma(png, 2.2, fileGamma);
    png_set_strip_16(png);
    const int passes = png_set_interlace_handling(png);
    if (depth < 8) {
        if (palette)
            png_set_packing(png);
        else
            // Full expansion: a transparent grey value becomes alpha, which
            // the composition then turns black. (Widening the samples alone
            // would leave the value unmatched and the pixel visible.)
            png_set_expand(png);
    }
    if (!palette)
        png_set_bgr(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    png_read_update_info(png, info);

    // What the transforms make of the rows: one index byte per pixel, or
    // three colour bytes.
    const size_t rowBytes = png_get_rowbytes(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != (palette ? 1 : 3) ||
        rowBytes != static_cast<size_t>(width) * (palette ? 1 : 3))
        return false;
    if (!buf.Create(width, height))
        return false;

    // The palette as the transforms left it (transparent entries composed
    // on black, gamma corrected); unused entries are black.
    int colorCount = 0;
    if (palette) {
        png_colorp entries = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &entries, &count) || count < 1 || count > 256) {
            buf.Clear();
            return false;
        }
        buf.Red().fill(0);
        buf.Green().fill(0);
        buf.Blue().fill(0);
        for (int i = 0; i < count; ++i) {
            buf.Red()[i] = entries[i].red;
            buf.Green()[i] = entries[i].green;
            buf.Blue()[i] = entries[i].blue;
        }
        colorCount = count;
        try {
            plane.assign(static_cast<size_t>(width) * height, 0);
        } catch (const std::bad_alloc&) {
            buf.Clear();
            return false;
        }
    }

    // Every pass reads into the same rows, so the pixels of earlier passes
    // are there when libpng adds those of the next.
    for (int pass = 0; pass < passes; ++pass)
        for (uint32_t y = 0; y < height; ++y)
            png_read_row(png, palette ? plane.data() + static_cast<size_t>(y) * width : buf.Row(height - 1 - y),
                         nullptr);
    png_read_end(png, nullptr);

    if (palette) {
        const uint8_t highest = plane.empty() ? 0 : *std::max_element(plane.begin(), plane.end());
        colorCount = std::max(colorCount, highest + 1);
        ExpandPalette(plane, buf);
        buf.SetIndexPlane(std::move(plane), colorCount);
    }
    return true;
}

bool Encode(const CImageBuffer& buf, std::FILE* out)
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    WriteGuard guard{&png, &info};

    png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ErrorFn, StrictWarningFn);
    if (!png)
        return false;
    info = png_create_info_struct(png);
    if (!info)
        return false;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_init_io(png, out);

    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    const bool indexed = buf.HasIndexPlane();
    png_set_compression_level(png, PngCompressionLevel(uint64_t{width} * height, indexed));
    png_set_compression_strategy(png, 0);
    png_set_compression_mem_level(png, 9);
    if (indexed) {
        const int count = std::clamp(buf.ColorCount(), 1, 256);
        png_set_IHDR(png, info, width, height, PngPaletteBitDepth(count), PNG_COLOR_TYPE_PALETTE,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color entries[256];
        for (int i = 0; i < count; ++i)
            entries[i] = {buf.Red()[i], buf.Green()[i], buf.Blue()[i]};
        png_set_PLTE(png, info, entries, count);
    } else {
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    }
    png_write_info(png, info);
    png_set_packing(png);
    png_set_bgr(png);
    for (uint32_t y = 0; y < height; ++y)
        png_write_row(png, indexed ? buf.IndexPlane().data() + static_cast<size_t>(y) * width
                                   : buf.Row(height - 1 - y));
    png_write_end(png, nullptr);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

int PngCompressionLevel(uint64_t pixels, bool hasIndexPlane)
{
    if ((!hasIndexPlane && pixels > 0x140000) || pixels > 0x3C0000)
        return 7;
    return 9;
}

int PngPaletteBitDepth(int colorCount)
{
    if (colorCount <= 2)
        return 1;
    if (colorCount <= 4)
        return 2;
    if (colorCount <= 16)
        return 4;
    return 8;
}

void ReadPngBytes(std::span<const uint8_t> file, CImageBuffer& buf, uint64_t maxPixels, PictureTraits* traits)
{
    buf.Clear();
    Decode(file.data(), file.size(), nullptr, file.size(), maxPixels, buf, traits);
}

namespace {

uint32_t BigEndian32(const uint8_t* p)
{
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// Samples per pixel of a colour type with a valid bit depth, or 0 for a
// combination libpng refuses.
unsigned ChannelsOf(int colorType, int depth)
{
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16 ? 1 : 0;
    case PNG_COLOR_TYPE_PALETTE:
        return depth == 1 || depth == 2 || depth == 4 || depth == 8 ? 1 : 0;
    case PNG_COLOR_TYPE_RGB:
        return depth == 8 || depth == 16 ? 3 : 0;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return depth == 8 || depth == 16 ? 2 : 0;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return depth == 8 || depth == 16 ? 4 : 0;
    default:
        return 0;
    }
}

}  // namespace

bool PngSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height)
{
    static constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (head.size() < kPngSizeHeadBytes || fileSize < head.size())
        return false;
    const uint8_t* p = head.data();
    // The signature, then the header chunk: length 13, type, fields, CRC.
    if (std::memcmp(p, kSignature, 8) != 0 || BigEndian32(p + 8) != 13 || std::memcmp(p + 12, "IHDR", 4) != 0)
        return false;
    if (crc32(0, p + 12, 17) != BigEndian32(p + 29))
        return false;
    const uint32_t w = BigEndian32(p + 16);
    const uint32_t h = BigEndian32(p + 20);
    const int depth = p[24];
    const int colorType = p[25];
    const unsigned channels = ChannelsOf(colorType, depth);
    // Compression and filter method 0, no interlacing or Adam7.
    if (channels == 0 || p[26] != 0 || p[27] != 0 || p[28] > 1)
        return false;
    if (!SizeAllowed(w, h))
        return false;
    // The reader's bound on what the compressed data could inflate to.
    const uint64_t rawBytes = (uint64_t{w} * channels * static_cast<unsigned>(depth) + 7) / 8 * h + h;
    if (rawBytes > fileSize * kMaxInflateRatio + kInflateSlack)
        return false;
    width = w;
    height = h;
    return true;
}

namespace {

// The orientation in an eXIf chunk before the picture data, 1 when there
// is none; the chunks on the way are passed over unread.
uint8_t PngOrientation(std::FILE* file)
{
    constexpr int kMaxChunks = 1000;
    constexpr uint32_t kMaxExifBytes = 1 << 20;
    if (std::fseek(file, static_cast<long>(kPngSizeHeadBytes), SEEK_SET) != 0)
        return 1;
    for (int i = 0; i < kMaxChunks; ++i) {
        uint8_t head[8];
        if (std::fread(head, 1, sizeof head, file) != sizeof head)
            break;
        const uint32_t length = BigEndian32(head);
        const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
        if (type == "IDAT" || type == "IEND" || length > INT32_MAX)
            break;
        if (type == "eXIf" && length <= kMaxExifBytes) {
            std::vector<uint8_t> exif(length);
            if (std::fread(exif.data(), 1, length, file) != length)
                break;
            const uint8_t orientation = ExifOrientation(exif);
            return orientation ? orientation : 1;
        }
        if (std::fseek(file, static_cast<long>(length) + 4, SEEK_CUR) != 0)
            break;
    }
    return 1;
}

}  // namespace

bool QueryPngSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    const auto head = ReadFileHead(path, kPngSizeHeadBytes);
    if (!head || !PngSizeFromBytes(head->bytes, head->fileSize, width, height))
        return false;
    if (orientation) {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        *orientation = file ? PngOrientation(file.get()) : 1;
    }
    return true;
}

void ReadPng(const std::string& path, uint32_t, uint32_t, CImageBuffer& buf, PictureTraits* traits)
{
    buf.Clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return;
    struct stat st {};
    if (::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    Decode(nullptr, 0, file.get(), static_cast<uint64_t>(st.st_size), kMaxPixels, buf, traits);
}

Outcome WritePng(const CImageBuffer& buf, const std::string& path)
{
    AtomicFile file;
    if (buf.IsEmpty() || !file.Open(path) || !Encode(buf, file.Stream()) || !file.Commit())
        return WriteFailure(path, file.Error());
    return {};
}

extern constexpr FormatRow kPngFormat{
    .name = "png",
    .extensions = "png",
    .openLabel = "PNG images (*.png)",
    .saveLabel = "PNG image (*.png)",
    .read = ReadPng,
    .write = WritePng,
    .size = QueryPngSize,
};

}  // namespace pix
