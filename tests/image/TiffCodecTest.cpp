#include "image/TiffCodec.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <memory>

#include "CodecTestHelpers.h"
#include "common/ByteReader.h"
#include "image/JpegCodec.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::Gradient;

using Tiff = std::unique_ptr<TIFF, decltype(&TIFFClose)>;

// A little-endian TIFF with one directory of entries (tag, type, count,
// value), the data right after it.
struct TiffEntry {
    uint16_t tag, type;  // 3 short, 4 long
    uint32_t count, value;
};
constexpr uint32_t DataOffset(uint32_t entries) { return 8 + 2 + 12 * entries + 4; }
std::vector<uint8_t> TiffFile(const std::vector<TiffEntry>& entries, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out{'I', 'I', 42, 0, 8, 0, 0, 0};
    PutU16(out, static_cast<uint16_t>(entries.size()));
    for (const TiffEntry& e : entries) {
        PutU16(out, e.tag);
        PutU16(out, e.type);
        PutU32(out, e.count);
        PutU32(out, e.value);
    }
    PutU32(out, 0);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

CImageBuffer Read(const std::vector<uint8_t>& file, uint64_t maxPixels = kMaxPixels)
{
    CImageBuffer buf = Gradient(2, 2);  // a previous picture that must go
    ReadTiffBytes(file, buf, maxPixels);
    return buf;
}

// True colour is RGB rows top row first, a palette picture its index plane
// with the palette widened to 16 bits; either as one LZW strip.
TEST(TiffWriter, OneLzwStripOfRgbRowsOrOfTheIndexPlane)
{
    test::TempDir dir;
    for (const CImageBuffer& buf : {Gradient(37, 19), test::Indexed(21, 9, 5)}) {
        const bool palette = buf.HasIndexPlane();
        SCOPED_TRACE(palette);
        ASSERT_TRUE(WriteTiff(buf, dir.File("out.tif")));
        Tiff tif(TIFFOpen(dir.File("out.tif").c_str(), "r"), TIFFClose);
        ASSERT_TRUE(tif);
        for (auto [tag, value] : {std::pair<uint32_t, uint32_t>{TIFFTAG_IMAGEWIDTH, buf.Width()},
                                  {TIFFTAG_IMAGELENGTH, buf.Height()}, {TIFFTAG_ROWSPERSTRIP, buf.Height()}}) {
            uint32_t v = 0;
            TIFFGetField(tif.get(), tag, &v);
            EXPECT_EQ(v, value) << tag;
        }
        for (auto [tag, value] : {std::pair<uint32_t, uint16_t>{TIFFTAG_BITSPERSAMPLE, 8},
                                  {TIFFTAG_SAMPLESPERPIXEL, palette ? 1 : 3}, {TIFFTAG_COMPRESSION, COMPRESSION_LZW},
                                  {TIFFTAG_PHOTOMETRIC, palette ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB},
                                  {TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT},
                                  {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG}}) {
            uint16_t v = 0;
            TIFFGetField(tif.get(), tag, &v);
            EXPECT_EQ(v, value) << tag;
        }
        ASSERT_EQ(TIFFNumberOfStrips(tif.get()), 1u);
        std::vector<uint8_t> strip(static_cast<size_t>(TIFFStripSize(tif.get())));
        ASSERT_EQ(TIFFReadEncodedStrip(tif.get(), 0, strip.data(), static_cast<tmsize_t>(strip.size())),
                  static_cast<tmsize_t>(strip.size()));
        EXPECT_EQ(strip, palette ? buf.IndexPlane() : test::TopDownRgb(buf));
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        ASSERT_EQ(TIFFGetField(tif.get(), TIFFTAG_COLORMAP, &red, &green, &blue), palette ? 1 : 0);
        for (int i = 0; palette && i < 256; ++i)
            ASSERT_TRUE(red[i] == buf.Red()[i] * 256 && green[i] == buf.Green()[i] * 256 &&
                        blue[i] == buf.Blue()[i] * 256) << i;
    }
}

// An old-style JPEG TIFF that libtiff itself can decode: a JPEG stream
// made by our writer, pointed at by the interchange-format tags.
std::vector<uint8_t> OldStyleJpegTiff()
{
    test::TempDir dir;
    EXPECT_TRUE(WriteJpeg(Gradient(16, 16), dir.File("strip.jpg"), 90));
    const auto jpeg = test::ReadAll(dir.File("strip.jpg"));
    const uint32_t data = DataOffset(12), length = static_cast<uint32_t>(jpeg.size());
    return TiffFile({{TIFFTAG_IMAGEWIDTH, 4, 1, 16}, {TIFFTAG_IMAGELENGTH, 4, 1, 16}, {TIFFTAG_BITSPERSAMPLE, 3, 1, 8},
                     {TIFFTAG_COMPRESSION, 3, 1, COMPRESSION_OJPEG}, {TIFFTAG_PHOTOMETRIC, 3, 1, PHOTOMETRIC_YCBCR},
                     {TIFFTAG_STRIPOFFSETS, 4, 1, data}, {TIFFTAG_SAMPLESPERPIXEL, 3, 1, 3},
                     {TIFFTAG_ROWSPERSTRIP, 4, 1, 16}, {TIFFTAG_STRIPBYTECOUNTS, 4, 1, length},
                     {TIFFTAG_JPEGIFOFFSET, 4, 1, data}, {TIFFTAG_JPEGIFBYTECOUNT, 4, 1, length},
                     {TIFFTAG_YCBCRSUBSAMPLING, 3, 2, 2 | (2u << 16)}},
                    jpeg);
}

TEST(TiffReader, OldStyleJpegIsRefusedEvenWhenLibtiffCouldDecodeIt)
{
    test::TempDir dir;
    const auto file = OldStyleJpegTiff();
    test::WriteAll(dir.File("ojpeg.tif"), file);
    const TIFFErrorHandler oldHandler = TIFFSetWarningHandler(nullptr);
    Tiff tif(TIFFOpen(dir.File("ojpeg.tif").c_str(), "r"), TIFFClose);
    std::vector<uint32_t> raster(16 * 16);
    const bool libtiffReads = tif && TIFFReadRGBAImage(tif.get(), 16, 16, raster.data(), 1);
    TIFFSetWarningHandler(oldHandler);
    ASSERT_TRUE(libtiffReads) << "libtiff reads the file itself";

    EXPECT_TRUE(Read(file).IsEmpty());
    uint32_t w = 0, h = 0;
    EXPECT_FALSE(QueryTiffSize(dir.File("ojpeg.tif"), w, h));
}

TEST(TiffReader, PicturesOverTheLimitLeaveAnEmptyBuffer)
{
    test::TempDir dir;
    ASSERT_TRUE(WriteTiff(Gradient(50, 40), dir.File("good.tif")));
    const auto good = test::ReadAll(dir.File("good.tif"));
    ASSERT_FALSE(Read(good).IsEmpty());
    EXPECT_TRUE(Read(good, 50 * 40 - 1).IsEmpty());
}

}  // namespace
}  // namespace pix
