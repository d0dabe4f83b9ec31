#include "image/TiffCodec.h"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "common/AtomicFile.h"
#include "common/Prompter.h"

namespace pix {
namespace {

// The most libtiff may allocate at once for one file (strip and tile
// buffers); beyond it libtiff refuses the file.
constexpr uint64_t kMaxLibraryAllocation = uint64_t{1} << 30;

// libtiff's messages are not shown; returning 1 keeps libtiff from passing
// them on to its process-wide handlers.
int Silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
using Options = std::unique_ptr<TIFFOpenOptions, OptionsFree>;

Options MakeOptions(uint64_t maxAllocation)
{
    Options opts(TIFFOpenOptionsAlloc());
    if (opts) {
        TIFFOpenOptionsSetErrorHandlerExtR(opts.get(), Silent, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(opts.get(), Silent, nullptr);
        TIFFOpenOptionsSetMaxSingleMemAlloc(opts.get(), static_cast<tmsize_t>(maxAllocation));
    }
    return opts;
}

struct TiffClose {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffClose>;

struct MemoryFile {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
};

tmsize_t MemRead(thandle_t h, void* out, tmsize_t n)
{
    auto* m = static_cast<MemoryFile*>(h);
    if (n < 0)
        return -1;
    const uint64_t avail = m->pos < m->size ? m->size - m->pos : 0;
    const uint64_t count = std::min<uint64_t>(avail, static_cast<uint64_t>(n));
    if (count)
        std::memcpy(out, m->data + m->pos, count);
    m->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t MemWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t MemSeek(thandle_t h, toff_t offset, int whence)
{
    auto* m = static_cast<MemoryFile*>(h);
    const auto delta = static_cast<int64_t>(offset);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<int64_t>(m->pos);
    else if (whence == SEEK_END)
        base = static_cast<int64_t>(m->size);
    else if (whence != SEEK_SET)
        return static_cast<toff_t>(-1);
    int64_t target = 0;
    if (whence == SEEK_SET) {
        if (offset > static_cast<toff_t>(INT64_MAX))
            return static_cast<toff_t>(-1);
        target = delta;
    } else if (__builtin_add_overflow(base, delta, &target) || target < 0) {
        return static_cast<toff_t>(-1);
    }
    m->pos = static_cast<uint64_t>(target);
    return m->pos;
}

int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryFile*>(h)->size; }

int MemMap(thandle_t h, void** base, toff_t* size)
{
    auto* m = static_cast<MemoryFile*>(h);
    *base = const_cast<uint8_t*>(m->data);
    *size = m->size;
    return 1;
}
void MemUnmap(thandle_t, void*, toff_t) {}

struct RgbaImageEnd {
    TIFFRGBAImage* img;
    ~RgbaImageEnd() { TIFFRGBAImageEnd(img); }
};

struct FreeRaster {
    void operator()(uint32_t* p) const { std::free(p); }
};

// Sets up the conversion of the first directory, as far as that goes
// without reading any pixels: false for pictures the reader refuses there.
bool BeginRgba(TIFF* tif, uint64_t maxPixels, TIFFRGBAImage& img)
{
    uint16_t compression = COMPRESSION_NONE;
    if (TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression) && compression == COMPRESSION_OJPEG)
        return false;
    char message[1024] = {};
    if (!TIFFRGBAImageBegin(&img, tif, 0, message))
        return false;
    if (!SizeAllowed(img.width, img.height) || uint64_t{img.width} * img.height > maxPixels) {
        TIFFRGBAImageEnd(&img);
        return false;
    }
    return true;
}

// libtiff's whole-picture reading mirrors pictures stored with
// orientations 2..4 itself, and those stored a quarter turned (5..8) as
// if they were not turned: what is left to do is another orientation.
uint8_t LeftToTurn(TIFF* tif)
{
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    switch (orientation) {
    case ORIENTATION_LEFTTOP:
    case ORIENTATION_RIGHTBOT:
        return 5;
    case ORIENTATION_RIGHTTOP:
    case ORIENTATION_LEFTBOT:
        return 7;
    default:
        return 1;
    }
}

void TellTraits(TIFF* tif, PictureTraits& traits)
{
    traits.orientation = LeftToTurn(tif);
    uint32_t length = 0;
    const uint8_t* profile = nullptr;
    if (TIFFGetField(tif, TIFFTAG_ICCPROFILE, &length, &profile) && profile && length > 0)
        traits.iccProfile.assign(profile, profile + length);
}

bool Decode(TIFF* tif, uint64_t maxPixels, CImageBuffer& buf, PictureTraits* traits)
{
    TIFFRGBAImage img{};
    // Damaged strips or tiles are passed over, as libtiff's whole-image
    // reading does by default: they stay black in the zeroed raster.
    if (!BeginRgba(tif, maxPixels, img))
        return false;
    RgbaImageEnd end{&img};
    const uint32_t width = img.width;
    const uint32_t height = img.height;
    // calloc: the raster starts zeroed without touching every page first.
    std::unique_ptr<uint32_t, FreeRaster> raster(
        static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, sizeof(uint32_t))));
    if (!raster)
        return false;
    if (!TIFFRGBAImageGet(&img, raster.get(), width, height))
        return false;
    if (!buf.Create(width, height))
        return false;
    // The raster's first row is the bottom row, as in bits.
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* src = raster.get() + static_cast<size_t>(y) * width;
        uint8_t* dst = buf.Row(y);
        for (uint32_t x = 0; x < width; ++x, dst += 3) {
            dst[0] = static_cast<uint8_t>(TIFFGetB(src[x]));
            dst[1] = static_cast<uint8_t>(TIFFGetG(src[x]));
            dst[2] = static_cast<uint8_t>(TIFFGetR(src[x]));
        }
    }
    if (traits)
        TellTraits(tif, *traits);
    return true;
}

uint64_t LibraryAllocationLimit(uint64_t maxPixels)
{
    return std::min<uint64_t>(kMaxLibraryAllocation, maxPixels * 16 + (uint64_t{1} << 20));
}

bool Encode(const CImageBuffer& buf, TIFF* tif)
{
    const uint32_t width = buf.Width();
    const uint32_t height = buf.Height();
    const bool indexed = buf.HasIndexPlane();
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (indexed) {
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        uint16_t red[256] = {}, green[256] = {}, blue[256] = {};
        const int count = std::clamp(buf.ColorCount(), 0, 256);
        for (int i = 0; i < count; ++i) {
            red[i] = static_cast<uint16_t>(buf.Red()[i] * 256);
            green[i] = static_cast<uint16_t>(buf.Green()[i] * 256);
            blue[i] = static_cast<uint16_t>(buf.Blue()[i] * 256);
        }
        TIFFSetField(tif, TIFFTAG_COLORMAP, red, green, blue);
        const tmsize_t size = TIFFStripSize(tif);
        if (size != static_cast<tmsize_t>(buf.IndexPlane().size()))
            return false;
        // Neither LZW without a predictor nor 8-bit samples change the
        // data they are given.
        return TIFFWriteEncodedStrip(tif, 0, const_cast<uint8_t*>(buf.IndexPlane().data()), size) == size;
    }
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize != static_cast<tmsize_t>(width) * 3)
        return false;
    std::vector<uint8_t> strip;
    try {
        strip.resize(static_cast<size_t>(lineSize) * height);
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = buf.Row(height - 1 - y);
        uint8_t* dst = strip.data() + static_cast<size_t>(lineSize) * y;
        for (uint32_t x = 0; x < width; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
    }
    const auto size = static_cast<tmsize_t>(strip.size());
    return TIFFWriteEncodedStrip(tif, 0, strip.data(), size) == size;
}

}  // namespace

void ReadTiffBytes(std::span<const uint8_t> file, CImageBuffer& buf, uint64_t maxPixels, PictureTraits* traits)
{
    buf.Clear();
    MemoryFile mem{file.data(), file.size(), 0};
    Options opts = MakeOptions(LibraryAllocationLimit(maxPixels));
    // libtiff reads a mapped file in place; the map procedure hands it the
    // range itself.
    TiffHandle tif(TIFFClientOpenExt("memory", "r", &mem, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap,
                                     MemUnmap, opts.get()));
    if (!tif)
        return;
    if (!Decode(tif.get(), maxPixels, buf, traits))
        buf.Clear();
}

void ReadTiff(const std::string& path, uint32_t, uint32_t, CImageBuffer& buf, PictureTraits* traits)
{
    buf.Clear();
    Options opts = MakeOptions(LibraryAllocationLimit(kMaxPixels));
    TiffHandle tif(TIFFOpenExt(path.c_str(), "r", opts.get()));
    if (!tif)
        return;
    if (!Decode(tif.get(), kMaxPixels, buf, traits))
        buf.Clear();
}

bool QueryTiffSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    // Opening reads the header and the first directory; the conversion is
    // set up and ended again without a strip or tile being read.
    Options opts = MakeOptions(LibraryAllocationLimit(kMaxPixels));
    TiffHandle tif(TIFFOpenExt(path.c_str(), "r", opts.get()));
    if (!tif)
        return false;
    TIFFRGBAImage img{};
    if (!BeginRgba(tif.get(), kMaxPixels, img))
        return false;
    width = img.width;
    height = img.height;
    if (orientation)
        *orientation = LeftToTurn(tif.get());
    TIFFRGBAImageEnd(&img);
    return true;
}

Outcome WriteTiff(const CImageBuffer& buf, const std::string& path)
{
    AtomicFile file;
    if (buf.IsEmpty() || !file.Open(path))
        return WriteFailure(path, file.Error());
    // libtiff writes through its own descriptor, a duplicate of the
    // temporary file's, and closes it; the temporary file is then renamed
    // into place.
    const int fd = ::dup(::fileno(file.Stream()));
    if (fd < 0)
        return WriteFailure(path, errno);
    Options opts = MakeOptions(kMaxLibraryAllocation);
    TIFF* tif = TIFFFdOpenExt(fd, path.c_str(), "w", opts.get());
    if (!tif) {
        ::close(fd);
        return WriteFailure(path, 0);
    }
    errno = 0;
    const bool encoded = Encode(buf, tif) && TIFFFlush(tif) == 1;
    const int encodeError = errno;
    TIFFClose(tif);
    if (!encoded)
        return WriteFailure(path, encodeError);
    if (!file.Commit())
        return WriteFailure(path, file.Error());
    return {};
}

extern constexpr FormatRow kTiffFormat{
    .name = "tiff",
    .extensions = "tif;tiff",
    .openLabel = "Tiff images (*.tif)",
    .saveLabel = "Tiff images (*.tif)",
    .read = ReadTiff,
    .write = WriteTiff,
    .size = QueryTiffSize,
};

}  // namespace pix
