#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliCommands.h"
#include "image/CImageBuffer.h"
#include "render/RenderFormats.h"
#include "CliTestSupport.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Q;

void WriteGradient(const std::string& path, uint32_t w, uint32_t h)
{
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(w, h));
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x), static_cast<uint8_t>(y), 77);
    test::RecordingPrompter prompter;
    buf.Save(path, prompter);
    ASSERT_TRUE(prompter.texts.empty());
}

TEST(CliInfo, PrintsSizeAndColoursAndFailsOnUnreadableFiles)
{
    test::TempDir dir;
    WriteGradient(dir.File("a.bmp"), 7, 5);
    test::WriteAll(dir.File("junk.bmp"), {'B', 'M', 1, 2});
    CliRun ok = Call(CmdInfo, {"info", Q(dir.File("a.bmp"))});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, dir.File("a.bmp") + "\t7\t5\t16M\n");

    CliRun bad = Call(CmdInfo, {"info", Q(dir.File("a.bmp")), Q(dir.File("junk.bmp"))});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, dir.File("a.bmp") + "\t7\t5\t16M\n");  // the good file is still listed
    EXPECT_NE(bad.err.find("junk.bmp"), std::string::npos);

    EXPECT_EQ(Call(CmdInfo, {"info"}).status, 2);
}

TEST(CliConvert, BitmapToMetafileAndBackKeepsThePixels)
{
    test::TempDir dir;
    WriteGradient(dir.File("in.bmp"), 33, 17);
    ASSERT_EQ(Call(CmdConvert, {"convert", Q(dir.File("in.bmp")), Q(dir.File("mid.wmf"))}).status, 0);
    CliRun back = Call(CmdConvert, {"convert", Q(dir.File("mid.wmf")), Q(dir.File("out.bmp"))});
    ASSERT_EQ(back.status, 0) << back.err;
    CImageBuffer a, b;
    a.Load(dir.File("in.bmp"));
    b.Load(dir.File("out.bmp"));
    ASSERT_EQ(b.Width(), 33u);
    ASSERT_EQ(b.Height(), 17u);
    EXPECT_EQ(std::memcmp(a.Bits(), b.Bits(), a.BitsSize()), 0);

    // With a hint the metafile is rendered at that size.
    CliRun hinted = Call(CmdConvert, {"convert", Q(dir.File("mid.wmf")), Q(dir.File("small.bmp")), "--hint", "10x10"});
    ASSERT_EQ(hinted.status, 0) << hinted.err;
    b.Load(dir.File("small.bmp"));
    EXPECT_EQ(b.Width(), 10u);
    EXPECT_EQ(b.Height(), 5u);
}

TEST(CliConvert, ReportsBadArgumentsAndFailures)
{
    test::TempDir dir;
    WriteGradient(dir.File("in.bmp"), 4, 4);
    EXPECT_EQ(Call(CmdConvert, {"convert", Q(dir.File("in.bmp"))}).status, 2);
    EXPECT_EQ(Call(CmdConvert, {"convert", Q(dir.File("in.bmp")), Q(dir.File("o.bmp")), "--hint", "big"}).status, 2);
    EXPECT_EQ(Call(CmdConvert, {"convert", Q(dir.File("none.bmp")), Q(dir.File("o.bmp"))}).status, 1);

    CliRun unknown = Call(CmdConvert, {"convert", Q(dir.File("in.bmp")), Q(dir.File("o.tiff"))});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("unknown image type"), std::string::npos);

    CliRun unwritable = Call(CmdConvert, {"convert", Q(dir.File("in.bmp")), Q(dir.File("no/dir/o.bmp"))});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("Can't open file for writing"), std::string::npos);
}

TEST(CliSamples, WritesOneReadablePicturePerWritableFormat)
{
    test::TempDir dir;
    CliRun run = Call(CmdSamples, {"samples", Q(dir.File("samples"))});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"sample.bmp", "sample.wmf", "sample-palette.bmp"}) {
        CImageBuffer buf;
        buf.Load(dir.File(std::string("samples/") + name));
        EXPECT_FALSE(buf.IsEmpty()) << name;
    }
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

TEST(CliConvert, ThroughPxfAndBackIsLossless)
{
    test::TempDir dir;
    WriteGradient(dir.File("in.bmp"), 37, 23);
    ASSERT_EQ(Call(CmdConvert, {"convert", Q(dir.File("in.bmp")), Q(dir.File("mid.pxf"))}).status, 0);
    ASSERT_EQ(Call(CmdConvert, {"convert", Q(dir.File("mid.pxf")), Q(dir.File("out.bmp"))}).status, 0);
    EXPECT_EQ(test::ReadAll(dir.File("in.bmp")), test::ReadAll(dir.File("out.bmp")));
    CliRun info = Call(CmdInfo, {"info", Q(dir.File("mid.pxf"))});
    EXPECT_EQ(info.out, dir.File("mid.pxf") + "\t37\t23\t16M\n");
}

}  // namespace
}  // namespace pix
