#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/CliSupport.h"
#include "CliTestSupport.h"
#include "image/FormatTable.h"
#include "processing/Geometry.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Loaded;
using test::Q;

TEST(CliEdit, AppliesTheOperationsInOrder)
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
}

TEST(CliEdit, RefusesUnknownOperationsBeforeWriting)
{
    test::TempDir dir;
    const QString in = Q(test::WritePicture(test::Gradient(4, 4), dir.File("in.bmp")));
    for (const char* bad : {"spin", "resize=0x5", "correct=1,2,3", "correct=0,0,0,0,0,999"})
        EXPECT_EQ(Call(CmdEdit, {"edit", in, Q(dir.File("out.bmp")), "flip-v", bad}).status, 2) << bad;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")));
}

TEST(CliMosaic, ChecksTheSourcesAndWritesTheMosaic)
{
    test::TempDir dir;
    const QString target = Q(test::WritePicture(test::Gradient(64, 48), dir.File("target.bmp")));
    const QString tile = Q(test::WritePicture(test::Gradient(40, 40), dir.File("tile.bmp")));
    const QString out = Q(dir.File("m.bmp"));
    CliRun none = Call(CmdMosaic, {"mosaic", target, "-o", out});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("You must provide at least one source image."), std::string::npos);
    EXPECT_EQ(Call(CmdMosaic, {"mosaic", target, "-o", out, "--rows", "2", "--cols", "2", "--as-is", tile}).status, 1);
    CliRun ok = Call(CmdMosaic, {"mosaic", target, "-o", out, "--rows", "2", "--cols", "2", "--reuse", tile, "--seed", "7"});
    ASSERT_EQ(ok.status, 0) << ok.err;
    const CImageBuffer m = Loaded(dir.File("m.bmp"));
    EXPECT_EQ(m.Width(), 64u);
    EXPECT_EQ(m.Height(), 48u);
}

TEST(CliSave, AWriterThatFailsSilentlyIsStillReported)
{
    test::TempDir dir;
    // A writer that neither writes nor says anything, standing in for one
    // that failed quietly on an existing file.
    const FormatCodec saved = CodecFor(ImageFormat::Pxf);
    RegisterCodec(ImageFormat::Pxf, {nullptr, [](CImageBuffer&, const std::string&, Prompter&) {}});
    test::WriteAll(dir.File("old.pxf"), {1, 2, 3});
    CImageBuffer buf = test::Gradient(2, 2);
    std::ostringstream out, err;
    const bool existing = SaveChecked(buf, dir.File("old.pxf"), CliStreams{out, err});
    const bool missing = SaveChecked(buf, dir.File("new.pxf"), CliStreams{out, err});
    RegisterCodec(ImageFormat::Pxf, saved);
    EXPECT_FALSE(existing);
    EXPECT_FALSE(missing);
    EXPECT_NE(err.str().find("could not write"), std::string::npos);
    // A real writer replaces the file and passes.
    EXPECT_TRUE(SaveChecked(buf, dir.File("old.bmp"), CliStreams{out, err}));
    EXPECT_TRUE(SaveChecked(buf, dir.File("old.bmp"), CliStreams{out, err}));
}

}  // namespace
}  // namespace pix
