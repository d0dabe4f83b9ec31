#include "image/GifCodec.h"

#include <array>
#include <cstring>
#include <new>

#include "common/AtomicFile.h"
#include "common/ByteReader.h"
#include "common/FileBytes.h"
#include "common/Prompter.h"
#include "image/GifLzw.h"
#include "image/RowHelpers.h"

namespace pix {

namespace {

// A colour table as three 256-entry planes; entries the file does not
// give stay black.
struct ColorTable {
    std::array<uint8_t, 256> red{};
    std::array<uint8_t, 256> green{};
    std::array<uint8_t, 256> blue{};
};

bool ReadColorTable(ByteReader& in, int entries, ColorTable& table)
{
    for (int i = 0; i < entries; ++i) {
        uint8_t rgb[3];
        if (!in.Bytes(rgb, 3))
            return false;
        table.red[i] = rgb[0];
        table.green[i] = rgb[1];
        table.blue[i] = rgb[2];
    }
    return true;
}

// Fields of the last graphic control extension; read and kept, never used.
struct GraphicControl {
    bool transparent = false;
    bool userInput = false;
    int disposal = 0;
    int delay = 0;
    int transparentIndex = -1;
};

void ReadGraphicControl(const uint8_t* block, size_t size, GraphicControl& gc)
{
    if (size < 4)
        return;
    gc.transparent = (block[0] & 1) != 0;
    gc.userInput = (block[0] & 2) != 0;
    gc.disposal = (block[0] >> 2) & 7;
    gc.delay = block[1] | (block[2] << 8);
    gc.transparentIndex = block[3];
}

// Largest number of pixels LZW data of this many bytes can produce: codes
// are at least 2 bits wide and none expands to more than 4096 pixels.
bool DataCouldFill(uint64_t pixels, size_t dataBytes)
{
    return pixels <= kGifAlwaysAllowedPixels || pixels / 16384 <= dataBytes;
}

// Decodes the raster at the reader into rgb through table. False only when
// the raster cannot start; a premature end keeps what was decoded.
bool DecodeRaster(ByteReader& in, const ColorTable& table, bool interlaced, uint32_t width, uint32_t height,
                  uint8_t* rgb)
{
    const uint8_t initialCodeSize = in.U8();
    if (in.Failed())
        return false;
    GifLzwDecoder decoder;
    if (!decoder.Start(in, initialCodeSize))
        return false;
    struct Pass {
        uint32_t first;
        uint32_t step;
    };
    static constexpr Pass kInterlaced[] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    static constexpr Pass kSequential[] = {{0, 1}};
    const std::span<const Pass> passes =
        interlaced ? std::span<const Pass>(kInterlaced) : std::span<const Pass>(kSequential);
    for (const Pass& pass : passes) {
        for (uint32_t row = pass.first; row < height; row += pass.step) {
            uint8_t* dst = rgb + static_cast<size_t>(row) * width * 3;
            for (uint32_t x = 0; x < width; ++x, dst += 3) {
                uint16_t index = 0;
                if (!decoder.Next(index))
                    return true;
                if (index < 256) {
                    dst[0] = table.red[index];
                    dst[1] = table.green[index];
                    dst[2] = table.blue[index];
                }
            }
        }
    }
    return true;
}

void AppendHeader(std::vector<uint8_t>& out, uint32_t width, uint32_t height, uint8_t background, const uint8_t* red,
                  const uint8_t* green, const uint8_t* blue)
{
    static constexpr char kSignature[] = "GIF87a";
    out.insert(out.end(), kSignature, kSignature + 6);
    PutU16(out, static_cast<uint16_t>(width));
    PutU16(out, static_cast<uint16_t>(height));
    out.push_back(0xE7);  // global table of 256 entries, 7 bits per primary
    out.push_back(background);
    out.push_back(0);  // aspect
    for (int i = 0; i < 256; ++i) {
        out.push_back(red[i]);
        out.push_back(green[i]);
        out.push_back(blue[i]);
    }
    out.push_back(',');
    PutU16(out, 0);
    PutU16(out, 0);
    PutU16(out, static_cast<uint16_t>(width));
    PutU16(out, static_cast<uint16_t>(height));
    out.push_back(0);  // no local table, not interlaced
    out.push_back(8);  // minimum code size
}

void AppendTrailer(std::vector<uint8_t>& out)
{
    out.push_back(0);  // zero-length block
    out.push_back(';');
}

}  // namespace

std::vector<uint8_t> CGifFile::Read(const std::string& path, uint32_t& width, uint32_t& height)
{
    width = 0;
    height = 0;
    if (path.empty()) {
        error_ = "No Name Given";
        return {};
    }
    auto bytes = ReadFileBytes(path);
    if (!bytes) {
        error_ = "Cant open GIF :\n" + path;
        return {};
    }
    return ReadBytes(*bytes, path, width, height);
}

std::vector<uint8_t> CGifFile::ReadBytes(std::span<const uint8_t> file, const std::string& name, uint32_t& width,
                                         uint32_t& height, uint64_t maxPixels)
{
    width = 0;
    height = 0;
    ByteReader in(file);
    uint8_t magic[6];
    if (!in.Bytes(magic, 6)) {
        error_ = "Error reading GIF Magic #\n" + name;
        return {};
    }
    if (std::memcmp(magic, "GIF", 3) != 0) {
        error_ = "Error, " + name + " is not a valid .GIF file";
        return {};
    }
    if (std::memcmp(magic + 3, "87a", 3) != 0 && std::memcmp(magic + 3, "89a", 3) != 0) {
        error_ = "Error, Bad GIF Version number";
        return {};
    }
    uint8_t screen[7];
    if (!in.Bytes(screen, 7)) {
        error_ = "Error, failed to GIF read screen descriptor.\nGiving up";
        return {};
    }
    // Screen size, colour resolution and background are read and not used:
    // the picture takes the size of its image.
    const uint8_t screenFlags = screen[4];
    const uint8_t aspect = screen[6];
    ColorTable global;
    if (screenFlags & 0x80) {
        if (!ReadColorTable(in, 2 << (screenFlags & 7), global)) {
            error_ = "Error reading GIF colormap";
            return {};
        }
    }
    if (aspect != 0 && aspect != 49)
        error_ = "Non-square pixels in GIF image.\nIgnoring that fact...";

    GraphicControl control;
    for (;;) {
        const uint8_t byte = in.U8();
        if (in.Failed()) {
            error_ = "Unexpected EOF in GIF.\nGiving up";
            return {};
        }
        if (byte == '!') {
            const uint8_t label = in.U8();
            if (in.Failed()) {
                error_ = "Error on extension read.\nGiving up";
                return {};
            }
            // Data sub-blocks up to the zero-length one; an end of file
            // among them is noticed by the next read above.
            bool first = true;
            for (;;) {
                const uint8_t length = in.U8();
                if (in.Failed() || length == 0)
                    break;
                if (label == 0xF9 && first && length <= in.Remaining())
                    ReadGraphicControl(in.Current(), length, control);
                first = false;
                if (!in.Skip(length))
                    break;
            }
            continue;
        }
        if (byte != ',')
            continue;

        uint8_t descriptor[9];
        if (!in.Bytes(descriptor, 9)) {
            error_ = "Error on dimension read\nGiving up";
            return {};
        }
        const uint32_t w = descriptor[4] | (descriptor[5] << 8);
        const uint32_t h = descriptor[6] | (descriptor[7] << 8);
        const uint8_t flags = descriptor[8];
        const uint64_t pixels = uint64_t{w} * h;
        std::vector<uint8_t> rgb;
        if (SizeAllowed(w, h) && pixels <= maxPixels && DataCouldFill(pixels, in.Remaining())) {
            try {
                rgb.assign(static_cast<size_t>(pixels) * 3, 0);
            } catch (const std::bad_alloc&) {
                rgb.clear();
            }
        }
        if (rgb.empty()) {
            error_ = "Out of Memory in GIFRead";
            return {};
        }
        const bool localTable = (flags & 0x80) != 0;
        ColorTable local;
        if (localTable && !ReadColorTable(in, 1 << ((flags & 7) + 1), local)) {
            error_ = "Error reading GIF colormap\nGiving up";
            return {};
        }
        if (!DecodeRaster(in, localTable ? local : global, (flags & 0x40) != 0, w, h, rgb.data())) {
            error_ = localTable ? "Error reading GIF file\nLocalColorMap\nGiving up"
                                : "Error reading GIF file\nGIFScreen Colormap\nGiving up";
            return {};
        }
        // Later images are never read.
        width = w;
        height = h;
        return rgb;
    }
}

std::vector<uint8_t> CGifFile::Encode(const uint8_t* indexPlane, uint32_t width, uint32_t height, uint8_t background,
                                      const uint8_t* red, const uint8_t* green, const uint8_t* blue)
{
    std::vector<uint8_t> out;
    AppendHeader(out, width, height, background, red, green, blue);
    GifLzwEncoder encoder;
    encoder.Encode(indexPlane, static_cast<size_t>(width) * height, out);
    AppendTrailer(out);
    return out;
}

Outcome CGifFile::Write(const uint8_t* indexPlane, const std::string& path, uint32_t width, uint32_t height,
                        uint8_t background, const uint8_t* red, const uint8_t* green, const uint8_t* blue)
{
    if (!GifSizeWritable(width, height)) {
        error_ = "Picture too large for GIF";
        return Outcome(MsgId::GifTooLarge);
    }
    AtomicFile file;
    if (!file.Open(path)) {
        error_ = "Can't open GIF for writing";
        return Outcome(MsgId::GifCantOpenForWriting);
    }
    std::vector<uint8_t> out;
    AppendHeader(out, width, height, background, red, green, blue);
    auto flush = [&file](std::vector<uint8_t>& bytes) {
        file.Write(bytes.data(), bytes.size());
        bytes.clear();
    };
    GifLzwEncoder encoder;
    encoder.Encode(indexPlane, static_cast<size_t>(width) * height, out, flush);
    AppendTrailer(out);
    flush(out);
    if (file.Failed() || !file.Commit()) {
        // The temporary file goes; an old file of that name stays.
        error_ = "Write Error in GIF file";
        return Outcome(MsgId::GifWriteError);
    }
    return {};
}

namespace {

// Turns the packed top-down red-green-blue rows into the buffer's pixels.
void Finish(std::vector<uint8_t>&& rgb, uint32_t width, uint32_t height, CImageBuffer& buf)
{
    if (rgb.empty())
        return;
    SwapRedBlue(rgb.data(), width, height);
    uint32_t stride = 0;
    std::vector<uint8_t> bits = PadRows(rgb.data(), width, height, stride);
    rgb = {};
    if (bits.empty())
        return;
    FlipRows(bits.data(), stride, height);
    buf.Adopt(std::move(bits), width, height);
}

}  // namespace

void ReadGifBytes(std::span<const uint8_t> file, CImageBuffer& buf, uint64_t maxPixels)
{
    buf.Clear();
    CGifFile gif;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb = gif.ReadBytes(file, std::string(), width, height, maxPixels);
    Finish(std::move(rgb), width, height, buf);
}

void ReadGif(const std::string& path, uint32_t, uint32_t, CImageBuffer& buf, PictureTraits*)
{
    buf.Clear();
    CGifFile gif;
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb = gif.Read(path, width, height);
    Finish(std::move(rgb), width, height, buf);
}

GifSizeAnswer GifSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height)
{
    if (head.size() > fileSize)
        return GifSizeAnswer::Refused;
    // Every read that runs off the end of the file makes the reader give
    // up; running off the end of head only means more is needed.
    const GifSizeAnswer offTheEnd = head.size() < fileSize ? GifSizeAnswer::NeedMore : GifSizeAnswer::Refused;
    ByteReader in(head);
    uint8_t magic[6];
    if (!in.Bytes(magic, 6))
        return offTheEnd;
    if (std::memcmp(magic, "GIF", 3) != 0 ||
        (std::memcmp(magic + 3, "87a", 3) != 0 && std::memcmp(magic + 3, "89a", 3) != 0))
        return GifSizeAnswer::Refused;
    uint8_t screen[7];
    if (!in.Bytes(screen, 7))
        return offTheEnd;
    if ((screen[4] & 0x80) && !in.Skip(size_t{3} * (2u << (screen[4] & 7))))
        return offTheEnd;
    // Extensions and stray bytes up to the first image descriptor.
    for (;;) {
        const uint8_t byte = in.U8();
        if (in.Failed())
            return offTheEnd;
        if (byte == '!') {
            in.U8();  // label
            for (;;) {
                const uint8_t length = in.U8();
                if (in.Failed() || length == 0 || !in.Skip(length))
                    break;
            }
            if (in.Failed())
                return offTheEnd;
            continue;
        }
        if (byte == ',')
            break;
    }
    uint8_t descriptor[9];
    if (!in.Bytes(descriptor, 9))
        return offTheEnd;
    const uint32_t w = descriptor[4] | (descriptor[5] << 8);
    const uint32_t h = descriptor[6] | (descriptor[7] << 8);
    const uint8_t flags = descriptor[8];
    // The reader's checks before it gives the picture its buffer, then the
    // local colour table and the start of the raster.
    if (!SizeAllowed(w, h) || !DataCouldFill(uint64_t{w} * h, fileSize - in.Position()))
        return GifSizeAnswer::Refused;
    if ((flags & 0x80) && !in.Skip(size_t{3} << ((flags & 7) + 1)))
        return offTheEnd;
    const uint8_t initialCodeSize = in.U8();
    if (in.Failed())
        return offTheEnd;
    ByteReader rest(in.Current(), in.Remaining());
    GifLzwDecoder decoder;
    if (!decoder.Start(rest, initialCodeSize))
        return GifSizeAnswer::Refused;
    width = w;
    height = h;
    return GifSizeAnswer::Known;
}

bool QueryGifSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t*)
{
    // Extensions before the first image are seldom long: start with the
    // first 64 KiB and read further only when they are.
    size_t want = size_t{1} << 16;
    for (;;) {
        const auto head = ReadFileHead(path, want);
        // The reader reads the whole file, so it refuses what it cannot hold.
        if (!head || head->fileSize > kMaxInputFileBytes)
            return false;
        switch (GifSizeFromBytes(head->bytes, head->fileSize, width, height)) {
        case GifSizeAnswer::Known:
            return true;
        case GifSizeAnswer::Refused:
            return false;
        case GifSizeAnswer::NeedMore:
            if (head->bytes.size() < want)
                return false;  // the file shrank meanwhile
            want *= 16;
            break;
        }
    }
}

Outcome WriteGif(const CImageBuffer& buf, const std::string& path)
{
    if (!buf.HasIndexPlane())
        return Outcome(MsgId::GifNeeds256Colors);
    return CGifFile().Write(buf.IndexPlane().data(), path, buf.Width(), buf.Height(), 0, buf.Red().data(),
                            buf.Green().data(), buf.Blue().data());
}

}  // namespace pix
