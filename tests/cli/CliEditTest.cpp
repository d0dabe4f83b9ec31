#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "cli/CliCommands.h"
#include "cli/CliSupport.h"
#include "image/FormatTable.h"
#include "image/CImageBuffer.h"
#include "processing/Geometry.h"
#include "render/RenderFormats.h"
#include "CliTestSupport.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::Q;

CImageBuffer Picture(uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 9), static_cast<uint8_t>(y * 7), 40);
    return buf;
}

TEST(CliEdit, AppliesTheOperationsInOrder)
{
    test::TempDir dir;
    test::RecordingPrompter p;
    CImageBuffer original = Picture(6, 4);
    original.Save(dir.File("in.bmp"), p);
    test::CliRun r = test::Call(CmdEdit, {"edit", Q(dir.File("in.bmp")), Q(dir.File("out.bmp")), "rotate-right", "flip-h"});
    ASSERT_EQ(r.status, 0) << r.err;
    CImageBuffer expected = original;
    RotateRight(expected);
    FlipHorizontal(expected);
    CImageBuffer got;
    got.Load(dir.File("out.bmp"));
    ASSERT_EQ(got.Width(), 4u);
    EXPECT_EQ(std::memcmp(got.Bits(), expected.Bits(), got.BitsSize()), 0);

    ASSERT_EQ(test::Call(CmdEdit, {"edit", Q(dir.File("in.bmp")), Q(dir.File("small.bmp")), "resize=3x2",
                            "correct=0,256,0,0,0,0"})
                  .status,
              0);
    got.Load(dir.File("small.bmp"));
    EXPECT_EQ(got.Width(), 3u);
    EXPECT_EQ(got.Height(), 2u);
}

TEST(CliEdit, RefusesUnknownOperationsBeforeWriting)
{
    test::TempDir dir;
    test::RecordingPrompter p;
    Picture(4, 4).Save(dir.File("in.bmp"), p);
    for (const char* bad : {"spin", "resize=0x5", "correct=1,2,3", "correct=0,0,0,0,0,999"}) {
        test::CliRun r = test::Call(CmdEdit, {"edit", Q(dir.File("in.bmp")), Q(dir.File("out.bmp")), "flip-v", bad});
        EXPECT_EQ(r.status, 2) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")));
}

TEST(CliMosaic, ChecksTheSourcesAndWritesTheMosaic)
{
    test::TempDir dir;
    test::RecordingPrompter p;
    Picture(64, 48).Save(dir.File("target.bmp"), p);
    Picture(40, 40).Save(dir.File("tile.bmp"), p);
    test::CliRun none = test::Call(CmdMosaic, {"mosaic", Q(dir.File("target.bmp")), "-o", Q(dir.File("m.bmp"))});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("You must provide at least one source image."), std::string::npos);
    test::CliRun few = test::Call(CmdMosaic, {"mosaic", Q(dir.File("target.bmp")), "-o", Q(dir.File("m.bmp")), "--rows", "2",
                                 "--cols", "2", "--as-is", Q(dir.File("tile.bmp"))});
    EXPECT_EQ(few.status, 1);
    test::CliRun ok = test::Call(CmdMosaic, {"mosaic", Q(dir.File("target.bmp")), "-o", Q(dir.File("m.bmp")), "--rows", "2",
                                "--cols", "2", "--reuse", Q(dir.File("tile.bmp")), "--seed", "7"});
    ASSERT_EQ(ok.status, 0) << ok.err;
    CImageBuffer m;
    m.Load(dir.File("m.bmp"));
    EXPECT_EQ(m.Width(), 64u);
    EXPECT_EQ(m.Height(), 48u);
}

TEST(CliSave, AWriterThatFailsSilentlyIsStillReported)
{
    test::TempDir dir;
    test::RecordingPrompter p;
    // A writer that neither writes nor says anything, standing in for one
    // that failed quietly on an existing file.
    const FormatCodec saved = CodecFor(ImageFormat::Pxf);
    RegisterCodec(ImageFormat::Pxf, {nullptr, [](CImageBuffer&, const std::string&, Prompter&) {}});
    test::WriteAll(dir.File("old.pxf"), {1, 2, 3});
    CImageBuffer buf = Picture(2, 2);
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
