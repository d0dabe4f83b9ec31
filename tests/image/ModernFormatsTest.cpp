// The WebP, AVIF, HEIF and JPEG XL rows against the formats' reference
// tools: files made by the reference encoders decode as the reference
// decoders decode them, files we write are read by the reference decoders,
// and the traits, hints and damaged files are answered as the rows say.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "image/AvifCodec.h"
#include "image/HeifCodec.h"
#include "image/JpegCodec.h"
#include "image/JxlCodec.h"
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

// A binary PPM as the reference decoders write it.
CImageBuffer ReadPpm(const std::string& path)
{
    const std::vector<uint8_t> bytes = ReadAll(path);
    unsigned w = 0, h = 0, maxval = 0;
    int header = 0;
    CImageBuffer buf;
    if (std::sscanf(reinterpret_cast<const char*>(bytes.data()), "P6 %u %u %u%n", &w, &h, &maxval, &header) != 3 ||
        maxval != 255 || bytes.size() < static_cast<size_t>(header) + 1 + size_t{w} * h * 3 || !buf.Create(w, h))
        return buf;
    const uint8_t* p = bytes.data() + header + 1;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x, p += 3)
            buf.SetPixel(x, h - 1 - y, p[0], p[1], p[2]);
    return buf;
}

CImageBuffer ReadReference(const std::string& path)
{
    if (path.ends_with(".ppm"))
        return ReadPpm(path);
    CImageBuffer buf;
    ReadPng(path, 0, 0, buf, nullptr);
    return buf;
}

int MaxDifference(const CImageBuffer& a, const CImageBuffer& b)
{
    int most = 0;
    for (uint32_t y = 0; y < a.Height(); ++y)
        for (uint32_t x = 0; x < a.Width() * 3; ++x)
            most = std::max(most, std::abs(a.Row(y)[x] - b.Row(y)[x]));
    return most;
}

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
    Command decode;           // the reference decoder
    const char* decodedName;  // what it writes: PPM or PNG
};

const Format kWebp{kWebpFormat, {"dwebp", "IN", "-ppm", "-o", "OUT"}, "ref.ppm"};
const Format kAvif{kAvifFormat, {"avifdec", "IN", "OUT"}, "ref.png"};
const Format kHeif{kHeifFormat, {"heif-convert", "IN", "OUT"}, "ref.png"};
const Format kJxl{kJxlFormat, {"djxl", "IN", "OUT"}, "ref.ppm"};

CImageBuffer ReferenceDecode(const Format& format, const std::string& file, const TempDir& dir)
{
    const std::string out = dir.File(format.decodedName);
    EXPECT_TRUE(RunTool(format.decode, file, out)) << format.decode[0] << " " << file;
    return ReadReference(out);
}

// Writes picture as PNG, the encoders' input, and encodes it to a file of
// the format; the file's path, or empty when a tool is missing.
std::string Encode(const Format& format, const Command& encode, const CImageBuffer& picture, const TempDir& dir)
{
    if (!HaveProgram(encode[0]) || !HaveProgram(format.decode[0]))
        return {};
    const std::string source = dir.File("source.png");
    const std::string file = dir.File("picture." + std::string(format.row.name));
    EXPECT_TRUE(WritePng(picture, source).Ok());
    EXPECT_TRUE(RunTool(encode, source, file)) << encode[0];
    return file;
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
        TempDir dir;
        const std::string file = Encode(c.format, c.encode, picture, dir);
        if (file.empty()) {
            GTEST_LOG_(INFO) << "skipped: " << c.encode[0] << " or " << c.format.decode[0] << " is missing";
            continue;
        }
        CImageBuffer ours;
        c.format.row.read(file, 0, 0, ours, nullptr);
        const CImageBuffer reference = ReferenceDecode(c.format, file, dir);
        ASSERT_FALSE(ours.IsEmpty());
        ASSERT_EQ(ours.Width(), reference.Width());
        ASSERT_EQ(ours.Height(), reference.Height());
        EXPECT_LE(MaxDifference(ours, reference), 1);
        EXPECT_TRUE(!c.lossless || SamePixels(ours, picture));
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(c.format.row.size(file, width, height, nullptr));
        EXPECT_EQ(width, ours.Width());
        EXPECT_EQ(height, ours.Height());
        // A file cut short reads as nothing.
        std::vector<uint8_t> bytes = ReadAll(file);
        bytes.resize(bytes.size() / 2);
        test::WriteAll(file, bytes);
        c.format.row.read(file, 0, 0, ours, nullptr);
        EXPECT_TRUE(ours.IsEmpty());
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
         {{"cwebp", "-quiet", "IN", "-o", "@a.webp"},
          {"webpmux", "-set", "icc", "@profile.icc", "@a.webp", "-o", "@b.webp"},
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
        {kHeif, {{"heif-enc", "@oriented.jpg", "-o", "OUT"}}, false, 6, false},
        {kHeif, {{"heif-enc", "@oriented.jpg", "-o", "OUT"}}, true, 1, false},
        {kJxl, {{"cjxl", "@oriented.jpg", "OUT"}}, false, 6, true},
    };
    const CImageBuffer picture = Gradient(33, 21);
    std::vector<uint8_t> profile(300);
    for (size_t i = 0; i < profile.size(); ++i)
        profile[i] = static_cast<uint8_t>(i * 7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.make.back()[0] + " " + c.make.back()[1] + " " + c.make.back()[2]);
        if (!HaveProgram(c.make.back()[0]) || !HaveProgram(c.make[0][0]))
            continue;
        TempDir dir;
        const std::string source = dir.File("source.png");
        const std::string file = dir.File("picture." + std::string(c.format.row.name));
        ASSERT_TRUE(WritePng(picture, source).Ok());
        test::WriteAll(dir.File("profile.icc"), profile);
        test::WriteAll(dir.File("exif.tif"), ExifBlock(6));
        // JPEGs whose EXIF blocks tell orientations (oriented.jpg: turned
        // a quarter clockwise).
        ASSERT_TRUE(WriteJpeg(picture, dir.File("plain.jpg"), 95).Ok());
        for (const uint8_t orientation : {5, 6, 7}) {
            std::vector<uint8_t> jpeg = ReadAll(dir.File("plain.jpg"));
            std::vector<uint8_t> app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
            const std::vector<uint8_t> exif = ExifBlock(orientation);
            app1.insert(app1.end(), exif.begin(), exif.end());
            app1[3] = static_cast<uint8_t>(app1.size() - 2);
            jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
            test::WriteAll(dir.File(orientation == 6 ? "oriented.jpg" : "oriented" + std::to_string(orientation) + ".jpg"),
                           jpeg);
        }
        for (const Command& step : c.make)
            ASSERT_TRUE(RunTool(step, source, file, &dir)) << step[0];

        CImageBuffer buf;
        PictureTraits traits{.upright = c.upright};
        c.format.row.read(file, 0, 0, buf, &traits);
        ASSERT_FALSE(buf.IsEmpty());
        EXPECT_EQ(traits.orientation, c.orientation);
        EXPECT_EQ(!traits.iccProfile.empty(), c.profile);
        EXPECT_TRUE(traits.iccProfile.empty() || &c.format == &kJxl || traits.iccProfile == profile);
        uint8_t told = 0;
        uint32_t width = 0, height = 0;
        EXPECT_TRUE(c.format.row.size(file, width, height, &told));
        // HEIF pictures are turned by libheif while loads turn them, and
        // their size is told turned.
        EXPECT_EQ(told, &c.format == &kHeif ? 1 : c.orientation);
        if (&c.format != &kJxl)
            continue;
        // The pixels as stored, turned a quarter clockwise, are what the
        // reference decoder gives upright.
        const CImageBuffer upright = ReferenceDecode(c.format, file, dir);
        ASSERT_EQ(upright.Width(), buf.Height());
        ASSERT_EQ(upright.Height(), buf.Width());
        int mismatches = 0;
        for (uint32_t y = 0; y < upright.Height(); ++y)
            for (uint32_t x = 0; x < upright.Width(); ++x) {
                uint8_t r1, g1, b1, r2, g2, b2;
                upright.GetPixel(x, upright.Height() - 1 - y, r1, g1, b1);
                buf.GetPixel(y, x, r2, g2, b2);
                mismatches += r1 != r2 || g1 != g2 || b1 != b2;
            }
        EXPECT_EQ(mismatches, 0);
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
    const Case cases[] = {
        {kWebp, {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, false, 0, 0, 33, 21},
        {kWebp, {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, false, 10, 10, 10, 7},
        {kWebp, {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, false, 100, 5, 8, 5},
        {kWebp, {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, false, 0, 7, 11, 7},
        {kWebp, {"cwebp", "-quiet", "-lossless", "IN", "-o", "OUT"}, false, 500, 500, 33, 21},
        {kWebp, {"cwebp", "-quiet", "-q", "90", "IN", "-o", "OUT"}, false, 10, 20, 10, 7},
        // Turned a quarter by its EXIF block: the hints are for the
        // upright picture.
        {kWebp, {"webpmux", "-set", "exif", "@exif.tif", "@plain.webp", "-o", "OUT"}, true, 10, 20, 16, 10},
        {kHeif, {"heif-enc", "-t", "8", "IN", "-o", "OUT"}, false, 0, 0, 33, 21},
        {kHeif, {"heif-enc", "-t", "8", "IN", "-o", "OUT"}, false, 4, 4, 0, 0},
        {kHeif, {"heif-enc", "-t", "8", "IN", "-o", "OUT"}, false, 30, 30, 33, 21},
    };
    const CImageBuffer picture = Gradient(33, 21);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.make[0] + " " + std::to_string(c.hintWidth) + "x" + std::to_string(c.hintHeight));
        if (!HaveProgram(c.make[0]) || !HaveProgram("cwebp"))
            continue;
        TempDir dir;
        const std::string source = dir.File("source.png");
        const std::string file = dir.File("picture." + std::string(c.format.row.name));
        ASSERT_TRUE(WritePng(picture, source).Ok());
        test::WriteAll(dir.File("exif.tif"), ExifBlock(6));
        ASSERT_EQ(RunProgram({"cwebp", "-quiet", "-lossless", source, "-o", dir.File("plain.webp")}), 0);
        ASSERT_TRUE(RunTool(c.make, source, file, &dir));

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
