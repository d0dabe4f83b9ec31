// edit, mosaic and reduce: the picture operations, applied in batch.
#include <gtest/gtest.h>

#include "CliTestSupport.h"
#include "processing/ColorReduction.h"
#include "processing/Geometry.h"
#include "processing/PhotoMosaic.h"
#include "common/Progress.h"
#include "support/PhotoExif.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Loaded;
using test::Q;

TEST(CliEdit, AppliesTheOperationsInOrderAndMakesTheMosaic)
{
    test::TempDir dir;
    const CImageBuffer original = test::Gradient(6, 4);
    const QString in = Q(test::WritePicture(original, dir.File("in.bmp")));
    CliRun r = Call(CmdEdit, {"edit", in, Q(dir.File("out.bmp")), "rotate-right", "flip-h"});
    ASSERT_EQ(r.status, 0) << r.err;
    CImageBuffer expected = original;
    RotateRight(expected);
    FlipHorizontal(expected);
    EXPECT_TRUE(test::SamePixels(Loaded(dir.File("out.bmp")), expected));

    ASSERT_EQ(Call(CmdEdit, {"edit", in, Q(dir.File("small.bmp")), "resize=3x2", "correct=0,256,0,0,0,0"}).status, 0);
    const CImageBuffer small = Loaded(dir.File("small.bmp"));
    EXPECT_EQ(small.Width(), 3u);
    EXPECT_EQ(small.Height(), 2u);

    const QString tile = Q(test::WritePicture(test::Gradient(40, 40), dir.File("tile.bmp")));
    r = Call(CmdMosaic, {"mosaic", in, "-o", Q(dir.File("m.bmp")), "--rows", "2", "--cols", "2", "--reuse", tile});
    ASSERT_EQ(r.status, 0) << r.err;
    CImageBuffer mosaic = original;
    NullProgress progress;
    RunPhotoMosaic(mosaic, MosaicSettings{2, 2}, {{tile.toStdString(), MosaicSourceKind::Reusable}}, progress, nullptr);
    EXPECT_TRUE(test::SamePixels(Loaded(dir.File("m.bmp")), mosaic));
}

// An edited photo keeps what it tells of its taking, fitted to the
// picture written: upright, of its new size, without the old thumbnail.
TEST(CliEdit, KeepsThePhotosMetadataInEveryFormatThatHoldsIt)
{
    test::TempDir dir;
    const std::string in = test::WritePicture(test::Gradient(40, 20), dir.File("in.jpg"));
    ASSERT_TRUE(test::WriteExif(in, {{"Exif.Image.Make", "Canon"},
                                     {"Exif.Image.Orientation", "6"},
                                     {"Exif.Photo.DateTimeOriginal", "2021:06:05 14:30:00"},
                                     {"Exif.Photo.PixelXDimension", "20"},
                                     {"Exif.Thumbnail.Compression", "6"},
                                     {"Xmp.dc.creator", "Ann"},
                                     {"Iptc.Application2.Caption", "Harbour"}}));
    for (const char* type : {"jpg", "png", "tif"}) {
        SCOPED_TRACE(type);
        const std::string out = dir.File(std::string("out.") + type);
        const CliRun r = Call(CmdEdit, {"edit", Q(in), Q(out), "resize=30x60"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << r.err;
        const std::pair<const char*, const char*> kept[] = {
            {"Exif.Image.Make", "Canon"},       {"Exif.Photo.DateTimeOriginal", "2021:06:05 14:30:00"},
            {"Exif.Image.Orientation", "1"},    {"Exif.Photo.PixelXDimension", "30"},
            {"Exif.Thumbnail.Compression", ""}, {"Xmp.dc.creator", "Ann"},
            {"Iptc.Application2.Caption", "Harbour"}};
        for (const auto& [key, value] : kept)
            EXPECT_EQ(test::ReadExifEntry(out, key), value) << key;
        const CImageBuffer written = Loaded(out);  // readable, and upright as written
        EXPECT_EQ(written.Width(), 30u);
        EXPECT_EQ(written.Height(), 60u);
    }
    // A format without metadata is written all the same.
    EXPECT_EQ(Call(CmdEdit, {"edit", Q(in), Q(dir.File("out.bmp")), "flip-h"}).status, 0);
}

// Each option reaches the reduction: the file holds what the reduction
// itself makes with those options, written back to the pixels.
TEST(CliReduce, WritesWhatTheReductionMakesWithTheOptionsGiven)
{
    test::TempDir dir;
    const CImageBuffer picture = test::SmoothGradient(100, 60);
    const QString in = Q(test::WritePicture(picture, dir.File("in.bmp")));
    const struct {
        const char* out;
        QStringList args;
        ReduceOptions core;
    } rows[] = {
        {"r16.bmp", {"--colors", "16"}, {.colors = 16, .dither = true, .writeBack = true}},
        {"r16.gif", {"--colors", "16"}, {.colors = 16, .dither = true, .writeBack = true}},  // not reduced again
        {"p.bmp", {"--colors", "16", "--preserve", "--nearest"},
         {.colors = 16, .dither = false, .preserve = true, .writeBack = true}},
        {"f.bmp", {"--colors", "16", "--prefer", "-16"}, {.colors = 16, .dither = true, .preference = -16, .writeBack = true}},
        {"s.bmp", {"--colors", "16", "--seed", "7"}, {.colors = 16, .dither = true, .writeBack = true, .seed = 7}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.out);
        CliRun r = Call(CmdReduce, QStringList{"reduce", in, Q(dir.File(row.out))} + row.args);
        ASSERT_EQ(r.status, 0) << r.err;
        CImageBuffer want = picture;
        ASSERT_TRUE(ReduceColors(want, row.core));
        EXPECT_TRUE(test::SamePixels(Loaded(dir.File(row.out)), want));
    }
    // Into a bitmap: a palette bitmap of N colours.
    EXPECT_EQ(Loaded(dir.File("r16.bmp")).ColorCount(), 16);
}

}  // namespace
}  // namespace pix
