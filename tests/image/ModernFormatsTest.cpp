// The WebP, AVIF, HEIF and JPEG XL rows against the formats' reference
// tools: files made by the reference encoders decode as the reference
// decoders decode them, files we write are read by the reference decoders,
// and the traits and hints are answered as the rows say (files cut short are
// in fuzz/refused/<format>).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "image/AvifCodec.h"
#include "image/HeifCodec.h"
#include "image/JpegCodec.h"
#include "image/JxlCodec.h"
#include "image/Orientation.h"
#include "image/PngCodec.h"
#include "image/WebpCodec.h"

namespace pix {
namespace {

using test::Gradient;
using test::ReadAll;
using test::ExifBlock;
using test::HaveProgram;
using test::RunProgram;
using test::SamePixels;
using test::TempDir;

// A command line with "IN" and "OUT" (and other names a test gives)
// standing for files.
using Command = std::vector<std::string>;

bool RunTool(Command command, const std::string& in, const std::string& out, const TempDir* dir = nullptr)
{
    for (std::string& arg : command) {
        if (arg == "IN")
            arg = in;
        else if (arg == "OUT")
            arg = out;
        else if (dir && arg.size() > 1 && arg[0] == '@')
            arg = dir->File(arg.substr(1));
    }
    return RunProgram(command) == 0;
}

struct Format {
    const FormatRow& row;
    Command decode;  // the reference decoder, writing PNG
};

const Format kWebp{kWebpFormat, {"dwebp", "IN", "-o", "OUT"}};
const Format kAvif{kAvifFormat, {"avifdec", "IN", "OUT"}};
const Format kHeif{kHeifFormat, {"heif-convert", "IN", "OUT"}};
const Format kJxl{kJxlFormat, {"djxl", "IN", "OUT"}};

// The reference decoder's picture, read through our PNG reader (which
// leaves an embedded profile alone when it is not asked for traits).
CImageBuffer ReferenceDecode(const Format& format, const std::string& file, const TempDir& dir)
{
    const std::string out = dir.File("ref.png");
    EXPECT_TRUE(RunTool(format.decode, file, out)) << format.decode[0] << " " << file;
    CImageBuffer buf;
    ReadPng(out, 0, 0, buf, nullptr);
    return buf;
}

// A 300-byte block the readers only pass on.
std::vector<uint8_t> FakeProfile()
{
    std::vector<uint8_t> profile(300);
    for (size_t i = 0; i < profile.size(); ++i)
        profile[i] = static_cast<uint8_t>(i * 7);
    return profile;
}

// Writes the files the tools are given into dir and returns the first:
// source.png (the picture), profile.icc, exif.tif (an EXIF block turning
// a quarter clockwise), orientedN.jpg (JPEGs whose EXIF blocks tell
// orientation N) and plain.webp.
std::string WriteSources(const TempDir& dir, const CImageBuffer& picture)
{
    const std::string source = dir.File("source.png");
    EXPECT_TRUE(WritePng(picture, source).Ok());
    test::WriteAll(dir.File("profile.icc"), FakeProfile());
    test::WriteAll(dir.File("exif.tif"), ExifBlock(6));
    EXPECT_TRUE(WriteJpeg(picture, dir.File("plain.jpg"), 95).Ok());
    for (const uint8_t orientation : {5, 6, 7})
        test::WriteAll(dir.File("oriented" + std::to_string(orientation) + ".jpg"),
                       test::WithExifOrientation(ReadAll(dir.File("plain.jpg")), orientation));
    if (HaveProgram("cwebp")) {
        EXPECT_TRUE(RunTool({"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, source, dir.File("plain.webp")));
    }
    return source;
}

TEST(ModernFormats, FilesOfTheReferenceEncodersDecodeAsTheReferenceDecoderDecodesThem)
{
    struct Case {
        const Format& format;
        Command encode;
        bool lossless;
    };
    const Case cases[] = {
        {kWebp, {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, true},
        {kWebp, {"cwebp", "-quiet", "-q", "70", "IN", "-o", "OUT"}, false},
        {kAvif, {"avifenc", "-l", "IN", "OUT"}, true},
        {kAvif, {"avifenc", "--min", "20", "--max", "30", "IN", "OUT"}, false},
        {kHeif, {"heif-enc", "-q", "70", "IN", "-o", "OUT"}, false},
        {kJxl, {"cjxl", "IN", "OUT", "-d", "0"}, true},
        {kJxl, {"cjxl", "IN", "OUT", "-d", "1.5"}, false},
    };
    const CImageBuffer picture = Gradient(33, 21);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encode[0] + " " + c.encode[2]);
        if (!HaveProgram(c.encode[0]) || !HaveProgram(c.format.decode[0]))
            continue;
        TempDir dir;
        const std::string file = dir.File("picture." + std::string(c.format.row.name));
        ASSERT_TRUE(RunTool(c.encode, WriteSources(dir, picture), file)) << c.encode[0];
        CImageBuffer ours;
        c.format.row.read(file, 0, 0, ours, nullptr);
        const CImageBuffer reference = ReferenceDecode(c.format, file, dir);
        ASSERT_FALSE(ours.IsEmpty());
        ASSERT_EQ(ours.Width(), reference.Width());
        ASSERT_EQ(ours.Height(), reference.Height());
        EXPECT_LE(test::LargestDifference(ours, reference), 1);
        EXPECT_TRUE(!c.lossless || SamePixels(ours, picture));
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(c.format.row.size(file, width, height, nullptr));
        EXPECT_EQ(width, ours.Width());
        EXPECT_EQ(height, ours.Height());
    }
}

TEST(ModernFormats, FilesWeWriteAreReadByTheReferenceDecoders)
{
    struct Case {
        const Format& format;
        Outcome (*write)(const CImageBuffer&, const std::string&);
        bool lossless;
    };
    const Case cases[] = {
        {kWebp, WriteWebp, true},
        {kWebp, [](const CImageBuffer& b, const std::string& p) { return WriteWebpQuality(b, p, 80); }, false},
        {kAvif, [](const CImageBuffer& b, const std::string& p) { return WriteAvifQuality(b, p, 100); }, true},
        {kAvif, WriteAvif, false},
    };
    const CImageBuffer picture = test::SmoothGradient(40, 30);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format.row.name) + (c.lossless ? " lossless" : " lossy"));
        if (!HaveProgram(c.format.decode[0]))
            continue;
        TempDir dir;
        const std::string file = dir.File("ours." + std::string(c.format.row.name));
        ASSERT_TRUE(c.write(picture, file).Ok());
        const CImageBuffer reference = ReferenceDecode(c.format, file, dir);
        ASSERT_EQ(reference.Width(), picture.Width());
        ASSERT_EQ(reference.Height(), picture.Height());
        if (c.lossless)
            EXPECT_TRUE(SamePixels(reference, picture));
        else
            // Exchanged or shifted channels would differ by tens.
            EXPECT_LT(test::MeanDifference(reference, picture), 10.0);
    }
}

TEST(ModernFormats, ReadersTellTheProfileAndTheOrientation)
{
    struct Case {
        const Format& format;
        std::vector<Command> make;  // IN: a PNG, @name: files in the folder
        bool upright;
        uint8_t orientation;
        bool profile;
    };
    const Case cases[] = {
        {kWebp,
         {{"webpmux", "-set", "icc", "@profile.icc", "@plain.webp", "-o", "@b.webp"},
          {"webpmux", "-set", "exif", "@exif.tif", "@b.webp", "-o", "OUT"}},
         false, 6, true},
        {kAvif, {{"avifenc", "--irot", "1", "IN", "OUT"}}, false, 8, false},
        {kAvif, {{"avifenc", "--irot", "3", "--imir", "0", "IN", "OUT"}}, false, 7, false},
        {kAvif, {{"avifenc", "--imir", "1", "IN", "OUT"}}, false, 2, false},
        // avifenc turns a JPEG's EXIF orientation into the container's
        // transforms.
        {kAvif, {{"avifenc", "@oriented5.jpg", "OUT"}}, false, 5, false},
        {kAvif, {{"avifenc", "@oriented7.jpg", "OUT"}}, false, 7, false},
        {kAvif, {{"avifenc", "--icc", "@profile.icc", "IN", "OUT"}}, false, 1, true},
        {kHeif, {{"heif-enc", "@oriented6.jpg", "-o", "OUT"}}, false, 6, false},
        {kHeif, {{"heif-enc", "@oriented6.jpg", "-o", "OUT"}}, true, 1, false},
        {kJxl, {{"cjxl", "@oriented6.jpg", "OUT"}}, false, 6, true},
    };
    const CImageBuffer picture = Gradient(33, 21);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.make.back()[0] + " " + c.make.back()[1] + " " + c.make.back()[2]);
        if (!HaveProgram(c.make.back()[0]) || !HaveProgram("cwebp"))
            continue;
        TempDir dir;
        const std::string source = WriteSources(dir, picture);
        const std::string file = dir.File("picture." + std::string(c.format.row.name));
        for (const Command& step : c.make)
            ASSERT_TRUE(RunTool(step, source, file, &dir)) << step[0];

        CImageBuffer buf;
        PictureTraits traits{.upright = c.upright};
        c.format.row.read(file, 0, 0, buf, &traits);
        ASSERT_FALSE(buf.IsEmpty());
        EXPECT_EQ(traits.orientation, c.orientation);
        EXPECT_EQ(!traits.iccProfile.empty(), c.profile);
        EXPECT_TRUE(traits.iccProfile.empty() || &c.format == &kJxl || traits.iccProfile == FakeProfile());
        uint8_t told = 0;
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(c.format.row.size(file, width, height, &told));
        // HEIF pictures are turned by libheif while loads turn them, and
        // their size is told turned.
        EXPECT_EQ(told, &c.format == &kHeif ? 1 : c.orientation);
        // The pixels as stored, turned as told, are what the reference
        // decoder gives upright.
        if (&c.format == &kJxl) {
            ASSERT_TRUE(TurnUpright(buf, traits.orientation));
            EXPECT_TRUE(SamePixels(buf, ReferenceDecode(c.format, file, dir)));
        }
    }
}

TEST(ModernFormats, HintedLoadsGiveWhatTheRowsTell)
{
    struct Case {
        const Format& format;
        Command make;
        bool upright;
        uint32_t hintWidth, hintHeight;
        uint32_t width, height;  // 0 × 0: a stored thumbnail, smaller than the picture
    };
    const Command lossless = {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"};
    const Command heif = {"heif-enc", "-t", "8", "IN", "-o", "OUT"};
    const Case cases[] = {
        {kWebp, lossless, false, 0, 0, 33, 21},
        {kWebp, lossless, false, 10, 10, 10, 7},
        {kWebp, lossless, false, 100, 5, 8, 5},
        {kWebp, lossless, false, 0, 7, 11, 7},
        {kWebp, lossless, false, 500, 500, 33, 21},
        // Turned a quarter by its EXIF block: the hints are for the
        // upright picture.
        {kWebp, {"webpmux", "-set", "exif", "@exif.tif", "@plain.webp", "-o", "OUT"}, true, 10, 20, 16, 10},
        {kHeif, heif, false, 0, 0, 33, 21},
        {kHeif, heif, false, 4, 4, 0, 0},
        {kHeif, heif, false, 30, 30, 33, 21},
    };
    const CImageBuffer picture = Gradient(33, 21);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.make[0] + " " + std::to_string(c.hintWidth) + "x" + std::to_string(c.hintHeight));
        if (!HaveProgram(c.make[0]) || !HaveProgram("cwebp"))
            continue;
        TempDir dir;
        const std::string file = dir.File("picture." + std::string(c.format.row.name));
        ASSERT_TRUE(RunTool(c.make, WriteSources(dir, picture), file, &dir));

        CImageBuffer buf;
        PictureTraits traits{.upright = c.upright};
        c.format.row.read(file, c.hintWidth, c.hintHeight, buf, &traits);
        ASSERT_FALSE(buf.IsEmpty());
        uint32_t width = 33, height = 21;
        const bool told = c.format.row.hinted(width, height, c.hintWidth, c.hintHeight);
        if (c.width == 0) {
            EXPECT_FALSE(told);
            EXPECT_LT(buf.Width(), 33u);
            EXPECT_GE(buf.Width(), c.hintWidth);
            continue;
        }
        EXPECT_EQ(buf.Width(), c.width);
        EXPECT_EQ(buf.Height(), c.height);
        EXPECT_TRUE(c.upright || !told || (width == c.width && height == c.height));
    }
}

}  // namespace
}  // namespace pix
