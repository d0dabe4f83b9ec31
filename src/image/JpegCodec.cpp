#include "image/JpegCodec.h"

// clang-format off
#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "common/AtomicFile.h"
#include "common/Prompter.h"
#include "image/Orientation.h"
#include "image/PhotoMetadata.h"

// libjpeg reports fatal errors through error_exit, which must not return:
// ours jumps back to the function that set the jump buffer. Every C++
// object with a destructor in those functions is constructed before
// setjmp, so the jump skips no destructor.

namespace pix {
namespace {

// Progressive files may hold any number of scans, each a pass over the
// whole picture; real encoders use a dozen or so.
constexpr int kMaxScans = 500;
// What libjpeg may allocate for the whole-picture coefficient buffers of
// progressive and multi-scan files (it has no backing store, so a larger
// need ends the decode).
constexpr uint64_t kMaxLibraryMemory = uint64_t{1} << 30;

struct ErrorManager {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(err->jump, 1);
}

void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}

void InstallErrorManager(ErrorManager& err)
{
    jpeg_std_error(&err.mgr);
    err.mgr.error_exit = ErrorExit;
    err.mgr.emit_message = EmitMessage;
    err.mgr.output_message = OutputMessage;
}

void ScanLimit(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_BAD_SCAN_SCRIPT;
        cinfo->err->error_exit(cinfo);
    }
}

// Destroys a libjpeg object however its function ends. Destroying an
// object that was never created (mem still null) does nothing.
struct DecompressGuard {
    jpeg_decompress_struct* cinfo;
    ~DecompressGuard() { jpeg_destroy_decompress(cinfo); }
};
struct CompressGuard {
    jpeg_compress_struct* cinfo;
    ~CompressGuard() { jpeg_destroy_compress(cinfo); }
};

// Adobe CMYK (the common case, written by Photoshop) stores the inks
// inverted; plain CMYK stores them as they are.
void CmykToBgr(const uint8_t* cmyk, uint32_t width, bool inverted, uint8_t* bgr)
{
    for (uint32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// Asks libjpeg to keep the markers that hold the EXIF block and the
// colour profile, so that they can be read after the header.
void KeepTraitMarkers(j_decompress_ptr cinfo)
{
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_save_markers(cinfo, JPEG_APP0 + 2, 0xFFFF);
}

// The orientation in the first EXIF block among the kept markers, 1 when
// there is none.
uint8_t MarkerOrientation(j_decompress_ptr cinfo)
{
    static constexpr uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= sizeof kExif &&
            std::equal(kExif, kExif + sizeof kExif, m->data)) {
            const uint8_t orientation = ExifOrientation({m->data, m->data_length});
            return orientation ? orientation : 1;
        }
    return 1;
}

struct FreeProfile {
    void operator()(JOCTET* p) const { std::free(p); }
};

// The colour profile, put together from its APP2 markers.
std::vector<uint8_t> MarkerProfile(j_decompress_ptr cinfo)
{
    JOCTET* data = nullptr;
    unsigned int length = 0;
    if (!jpeg_read_icc_profile(cinfo, &data, &length))
        return {};
    const std::unique_ptr<JOCTET, FreeProfile> owned(data);
    return std::vector<uint8_t>(data, data + length);
}

// Decodes from the memory range, or from file when it is not null.
// The rows are read straight into the buffer's bottom-up rows in blue,
// green, red order, which gives the same bytes as reading red-green-blue
// rows top down and then swapping, padding and flipping them.
bool Decode(const uint8_t* data, size_t size, std::FILE* file, uint32_t hintWidth, uint32_t hintHeight,
            uint64_t maxPixels, CImageBuffer& buf, PictureTraits* traits)
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    std::vector<JSAMPROW> rows;
    std::vector<uint8_t> cmykRow;
    DecompressGuard guard{&cinfo};

    InstallErrorManager(err);
    cinfo.err = &err.mgr;
    if (setjmp(err.jump)) {
        buf.Clear();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    const uint64_t memory = std::min<uint64_t>(kMaxLibraryMemory, maxPixels * 8 + (uint64_t{16} << 20));
    cinfo.mem->max_memory_to_use = static_cast<long>(memory);
    progress.progress_monitor = ScanLimit;
    cinfo.progress = &progress;
    if (file)
        jpeg_stdio_src(&cinfo, file);
    else
        jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (traits)
        KeepTraitMarkers(&cinfo);

    jpeg_read_header(&cinfo, TRUE);
    if (!SizeAllowed(cinfo.image_width, cinfo.image_height) ||
        uint64_t{cinfo.image_width} * cinfo.image_height > maxPixels)
        return false;
    if (traits) {
        traits->orientation = MarkerOrientation(&cinfo);
        traits->iccProfile = MarkerProfile(&cinfo);
        // The hints are for the picture as it is shown.
        if (traits->upright && SwapsSides(traits->orientation))
            std::swap(hintWidth, hintHeight);
    }

    bool cmyk = false;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo.out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo.out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        return false;
    }

    const int denom = JpegScaleDenominator(cinfo.image_width, cinfo.image_height, hintWidth, hintHeight);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(denom);

    jpeg_start_decompress(&cinfo);
    const uint32_t width = cinfo.output_width;
    const uint32_t height = cinfo.output_height;
    if (cinfo.output_components != (cmyk ? 4 : 3) || !buf.Create(width, height))
        return false;
    try {
        if (cmyk) {
            cmykRow.resize(static_cast<size_t>(width) * 4);
        } else {
            rows.resize(height);
            for (uint32_t y = 0; y < height; ++y)
                rows[y] = buf.Row(height - 1 - y);
        }
    } catch (const std::bad_alloc&) {
        buf.Clear();
        return false;
    }

    if (cmyk) {
        const bool inverted = cinfo.saw_Adobe_marker;
        JSAMPROW row = cmykRow.data();
        while (cinfo.output_scanline < height) {
            const uint32_t y = cinfo.output_scanline;
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1)
                break;
            CmykToBgr(cmykRow.data(), width, inverted, buf.Row(height - 1 - y));
        }
    } else {
        while (cinfo.output_scanline < height) {
            const uint32_t y = cinfo.output_scanline;
            if (jpeg_read_scanlines(&cinfo, rows.data() + y, height - y) == 0)
                break;
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

bool Encode(const CImageBuffer& buf, std::FILE* out, int quality, bool& outOfMemory)
{
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    CompressGuard guard{&cinfo};

    InstallErrorManager(err);
    cinfo.err = &err.mgr;
    if (setjmp(err.jump)) {
        outOfMemory = err.mgr.msg_code == JERR_OUT_OF_MEMORY;
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = buf.Width();
    cinfo.image_height = buf.Height();
    cinfo.input_components = 3;
    // The buffer's own blue-green-red rows go in as they are; libjpeg
    // converts them exactly as it converts red-green-blue input.
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const uint32_t height = buf.Height();
    while (cinfo.next_scanline < height) {
        JSAMPROW row = const_cast<JSAMPROW>(buf.Row(height - 1 - cinfo.next_scanline));
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

int JpegScaleDenominator(uint32_t width, uint32_t height, uint32_t hintWidth, uint32_t hintHeight)
{
    if (hintWidth == 0 && hintHeight == 0)
        return 1;
    const uint64_t w = width, h = height, hw = hintWidth, hh = hintHeight;
    for (int denom : {8, 4, 2})
        if (w >= denom * hw || h >= denom * hh)
            return denom;
    return 1;
}

void ReadJpegBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                   uint64_t maxPixels, PictureTraits* traits)
{
    buf.Clear();
    Decode(file.data(), file.size(), nullptr, maxWidth, maxHeight, maxPixels, buf, traits);
}

void ReadJpeg(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
              PictureTraits* traits)
{
    buf.Clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return;
    Decode(nullptr, 0, file.get(), maxWidth, maxHeight, kMaxPixels, buf, traits);
}

namespace {

// Reads the markers up to the first scan and nothing of the scan itself.
bool ReadHeaderSize(std::FILE* file, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    DecompressGuard guard{&cinfo};

    InstallErrorManager(err);
    cinfo.err = &err.mgr;
    if (setjmp(err.jump))
        return false;
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    if (orientation)
        jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    // What Decode refuses before it starts decompressing.
    if (!SizeAllowed(cinfo.image_width, cinfo.image_height))
        return false;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
    case JCS_CMYK:
    case JCS_YCCK:
        break;
    default:
        return false;
    }
    width = cinfo.image_width;
    height = cinfo.image_height;
    if (orientation)
        *orientation = MarkerOrientation(&cinfo);
    return true;
}

}  // namespace

bool QueryJpegSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    return file && ReadHeaderSize(file.get(), width, height, orientation);
}

Outcome WriteJpeg(const CImageBuffer& buf, const std::string& path, int quality)
{
    quality = std::clamp(quality, 0, 100);
    bool outOfMemory = false;
    AtomicFile file;
    if (buf.IsEmpty() || !file.Open(path) || !Encode(buf, file.Stream(), quality, outOfMemory) || !file.Commit())
        return Outcome(outOfMemory ? MsgId::JpegMemoryError : MsgId::JpegWriteError);
    return {};
}

Outcome WriteJpegDefault(const CImageBuffer& buf, const std::string& path)
{
    return WriteJpeg(buf, path, kDefaultJpegQuality);
}

namespace {
// libjpeg decodes at 1/1, 1/2, 1/4 or 1/8 and rounds a scaled side up.
bool JpegHintedSize(uint32_t& width, uint32_t& height, uint32_t hintWidth, uint32_t hintHeight)
{
    const auto denom = static_cast<uint32_t>(JpegScaleDenominator(width, height, hintWidth, hintHeight));
    width = (width + denom - 1) / denom;
    height = (height + denom - 1) / denom;
    return true;
}
}  // namespace

extern constexpr FormatRow kJpegFormat{
    .name = "jpeg",
    .extensions = "jpg;jif;jpeg;jpe;jfif",
    .openLabel = "JPG images (*.jpg, *.jif,*.jpeg,*.jpe)",
    .saveLabel = "JPG image (*.jpg, *.jif,*.jpeg,*.jpe)",
    .read = ReadJpeg,
    .write = WriteJpegDefault,
    .size = QueryJpegSize,
    .hinted = JpegHintedSize,
    .writeQuality = WriteJpeg,
    .saveDialog = true,
};

}  // namespace pix
