#include "image/PxfCodec.h"

#include <cstring>

#include "common/AtomicFile.h"
#include "common/ByteReader.h"
#include "common/FileBytes.h"
#include "common/Prompter.h"
#include "image/AdaptiveHuffman.h"
#include "image/CImageBuffer.h"

namespace pix {
namespace {

constexpr size_t kHeaderBytes = 12;
// Symbols: 256 + b is the single residual byte b, k in 1..255 is a run of
// k + 1 zero bytes (a lone zero is the literal 256).
constexpr int kLiteralBase = 256;
constexpr uint32_t kMaxRun = 256;
// A symbol costs at least one bit and stands for at most kMaxRun bytes, so
// a plane of n pixels needs at least n / (kMaxRun * 32) words.
constexpr uint64_t kMaxPixelsPerWord = kMaxRun * 32;

// The value a plane holds for a pixel (blue, green, red bytes at p).
template <int Plane>
inline uint8_t PlaneValue(const uint8_t* p)
{
    if constexpr (Plane == 0)
        return p[1];
    else if constexpr (Plane == 1)
        return static_cast<uint8_t>(p[0] - p[1]);
    else
        return static_cast<uint8_t>(p[2] - p[1]);
}

class RunCoder {
public:
    RunCoder(AdaptiveHuffman& tree, WordBitWriter& out) : tree_(tree), out_(out) {}

    void Put(uint8_t byte)
    {
        if (count_ != 0 && (pending_ != 0 || byte != 0 || count_ >= kMaxRun))
            Flush();
        if (count_ == 0)
            pending_ = byte;
        ++count_;
    }
    void Flush()
    {
        if (count_ == 1)
            tree_.Encode(kLiteralBase + pending_, out_);
        else if (count_ > 1)
            tree_.Encode(static_cast<int>(count_ - 1), out_);
        count_ = 0;
    }

private:
    AdaptiveHuffman& tree_;
    WordBitWriter& out_;
    uint8_t pending_ = 0;
    uint32_t count_ = 0;
};

template <int Plane>
void EncodePlane(const CImageBuffer& buf, AdaptiveHuffman& tree, std::vector<uint8_t>& columns,
                 std::vector<uint8_t>& out)
{
    tree.Reset();
    std::fill(columns.begin(), columns.end(), 0);
    WordBitWriter bits(out);
    RunCoder runs(tree, bits);
    uint8_t left = 0;
    const uint32_t width = buf.Width();
    for (uint32_t y = 0; y < buf.Height(); ++y) {
        const uint8_t* row = buf.Row(y);
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t v = PlaneValue<Plane>(row + 3 * x);
            const uint8_t d = static_cast<uint8_t>(v - left);
            uint8_t e = static_cast<uint8_t>(d - columns[x]);
            columns[x] = d;
            left = v;
            if ((x ^ y) & 1u)
                e = static_cast<uint8_t>(-e);
            runs.Put(e);
        }
    }
    runs.Flush();
    bits.Finish();
}

// Decodes one plane into buf; false when the input runs out or holds a
// symbol the coder cannot have written.
template <int Plane>
bool DecodePlane(CImageBuffer& buf, AdaptiveHuffman& tree, std::vector<uint8_t>& columns, WordBitReader& in)
{
    tree.Reset();
    std::fill(columns.begin(), columns.end(), 0);
    in.AlignToWord();
    uint8_t left = 0;
    uint32_t zeros = 0;  // zero residuals still owed by the last run symbol
    const uint32_t width = buf.Width();
    for (uint32_t y = 0; y < buf.Height(); ++y) {
        uint8_t* row = buf.Row(y);
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t e = 0;
            if (zeros != 0) {
                --zeros;
            } else {
                const int symbol = tree.Decode(in);
                if (symbol < 0)
                    return false;
                if (symbol >= kLiteralBase)
                    e = static_cast<uint8_t>(symbol - kLiteralBase);
                else
                    zeros = static_cast<uint32_t>(symbol);  // this pixel is the first of symbol + 1 zeros
            }
            if ((x ^ y) & 1u)
                e = static_cast<uint8_t>(-e);
            const uint8_t d = static_cast<uint8_t>(columns[x] + e);
            columns[x] = d;
            const uint8_t v = static_cast<uint8_t>(d + left);
            left = v;
            uint8_t* p = row + 3 * x;
            if constexpr (Plane == 0) {
                p[0] = p[1] = p[2] = v;
            } else if constexpr (Plane == 1) {
                p[0] = static_cast<uint8_t>(p[0] + v);
            } else {
                p[2] = static_cast<uint8_t>(p[2] + v);
            }
        }
    }
    return true;
}

}  // namespace

std::vector<uint8_t> EncodePxf(const CImageBuffer& buf)
{
    std::vector<uint8_t> out;
    if (buf.IsEmpty())
        return out;
    out.reserve(kHeaderBytes + static_cast<size_t>(buf.Width()) * buf.Height() + 1024);
    out.insert(out.end(), {'P', 'X', 'F', '!'});
    PutU32(out, buf.Width());
    PutU32(out, buf.Height());
    AdaptiveHuffman tree;
    std::vector<uint8_t> columns(buf.Width());
    EncodePlane<0>(buf, tree, columns, out);
    EncodePlane<1>(buf, tree, columns, out);
    EncodePlane<2>(buf, tree, columns, out);
    return out;
}

void ReadPxfBytes(std::span<const uint8_t> file, CImageBuffer& buf)
{
    buf.Clear();
    ByteReader header(file);
    uint8_t magic[4] = {};
    header.Bytes(magic, 4);
    const uint32_t width = header.U32();
    const uint32_t height = header.U32();
    if (header.Failed() || std::memcmp(magic, "PXF!", 4) != 0 || !SizeAllowed(width, height))
        return;
    // Refuse sizes the rest of the file could not possibly describe before
    // allocating for them.
    const uint64_t pixels = uint64_t{width} * height;
    const uint64_t wordsPerPlane = (pixels + kMaxPixelsPerWord - 1) / kMaxPixelsPerWord;
    if (3 * wordsPerPlane > (file.size() - kHeaderBytes) / 4)
        return;
    if (!buf.Create(width, height))
        return;
    AdaptiveHuffman tree;
    std::vector<uint8_t> columns(width);
    WordBitReader in(file.data() + kHeaderBytes, file.size() - kHeaderBytes);
    if (!DecodePlane<0>(buf, tree, columns, in) || !DecodePlane<1>(buf, tree, columns, in) ||
        !DecodePlane<2>(buf, tree, columns, in))
        buf.Clear();
}

void ReadPxf(const std::string& path, uint32_t, uint32_t, CImageBuffer& buf, PictureTraits*)
{
    buf.Clear();
    auto bytes = ReadFileBytes(path);
    if (!bytes)
        return;
    ReadPxfBytes(*bytes, buf);
}

Outcome WritePxf(const CImageBuffer& buf, const std::string& path)
{
    if (buf.IsEmpty())
        return Outcome(MsgId::PxfWriteFailed, {path});
    const std::vector<uint8_t> bytes = EncodePxf(buf);
    if (!WriteFileAtomically(path, bytes.data(), bytes.size()))
        return Outcome(MsgId::PxfWriteFailed, {path});
    return {};
}

extern constexpr FormatRow kPxfFormat{
    .name = "pxf",
    .extensions = "pxf",
    .openLabel = "Pixadrome images (*.pxf)",
    .saveLabel = "Pixadrome images (*.pxf)",
    .read = ReadPxf,
    .write = WritePxf,
};

}  // namespace pix
