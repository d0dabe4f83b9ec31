#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "CliTestSupport.h"
#include "cli/CliMain.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Loaded;
using test::Q;

TEST(CliInfo, PrintsSizeAndColoursAndFailsOnUnreadableFiles)
{
    test::TempDir dir;
    const std::string a = test::WritePicture(test::Gradient(7, 5), dir.File("a.bmp"));
    test::WriteAll(dir.File("junk.bmp"), {'B', 'M', 1, 2});
    CliRun ok = Call(CmdInfo, {"info", Q(a)});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, a + "\t7\t5\t16M\n");

    CliRun bad = Call(CmdInfo, {"info", Q(a), Q(dir.File("junk.bmp"))});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, a + "\t7\t5\t16M\n");  // the good file is still listed
    EXPECT_NE(bad.err.find("junk.bmp"), std::string::npos);

    EXPECT_EQ(Call(CmdInfo, {"info"}).status, 2);
}

TEST(CliConvert, ThroughMetafileAndPxfKeepsThePixels)
{
    test::TempDir dir;
    const std::string in = test::WritePicture(test::Gradient(33, 17), dir.File("in.bmp"));
    for (const char* mid : {"mid.wmf", "mid.pxf"}) {
        ASSERT_EQ(Call(CmdConvert, {"convert", Q(in), Q(dir.File(mid))}).status, 0) << mid;
        CliRun back = Call(CmdConvert, {"convert", Q(dir.File(mid)), Q(dir.File("out.bmp"))});
        ASSERT_EQ(back.status, 0) << back.err;
        EXPECT_TRUE(test::SamePixels(Loaded(in), Loaded(dir.File("out.bmp")))) << mid;
    }
    EXPECT_EQ(test::ReadAll(in), test::ReadAll(dir.File("out.bmp")));  // pxf is lossless to the byte
    EXPECT_EQ(Call(CmdInfo, {"info", Q(dir.File("mid.pxf"))}).out, dir.File("mid.pxf") + "\t33\t17\t16M\n");

    // With a hint the metafile is rendered at that size.
    CliRun hinted = Call(CmdConvert, {"convert", Q(dir.File("mid.wmf")), Q(dir.File("small.bmp")), "--hint", "10x10"});
    ASSERT_EQ(hinted.status, 0) << hinted.err;
    const CImageBuffer small = Loaded(dir.File("small.bmp"));
    EXPECT_EQ(small.Width(), 10u);
    EXPECT_EQ(small.Height(), 5u);
}

TEST(CliConvert, ReportsBadArgumentsAndFailures)
{
    test::TempDir dir;
    const QString in = Q(test::WritePicture(test::Gradient(4, 4), dir.File("in.bmp")));
    EXPECT_EQ(Call(CmdConvert, {"convert", in}).status, 2);
    EXPECT_EQ(Call(CmdConvert, {"convert", in, Q(dir.File("o.bmp")), "--hint", "big"}).status, 2);
    EXPECT_EQ(Call(CmdConvert, {"convert", Q(dir.File("none.bmp")), Q(dir.File("o.bmp"))}).status, 1);

    CliRun unknown = Call(CmdConvert, {"convert", in, Q(dir.File("o.tiff"))});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_NE(unknown.err.find("unknown image type"), std::string::npos);

    CliRun unwritable = Call(CmdConvert, {"convert", in, Q(dir.File("no/dir/o.bmp"))});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("Can't open file for writing"), std::string::npos);
}

TEST(CliSamples, WritesOneReadablePicturePerWritableFormat)
{
    test::TempDir dir;
    CliRun run = Call(CmdSamples, {"samples", Q(dir.File("samples"))});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* name : {"sample.bmp", "sample.wmf", "sample-palette.bmp"})
        EXPECT_FALSE(Loaded(dir.File(std::string("samples/") + name)).IsEmpty()) << name;
}

TEST(CliStart, OnlyDrawingCommandLinesNeedTheWindowSystem)
{
    test::TempDir dir;
    for (const char* sub : {"plain", "drawn"})
        std::filesystem::create_directory(dir.File(sub));
    test::WriteAll(dir.File("plain/a.jpg"), {1});
    test::WriteAll(dir.File("drawn/b.WMF"), {1});
    const struct {
        std::vector<std::string> args;
        bool gui;
    } rows[] = {{{"crc", dir.File("plain/a.jpg")}, false},     {{"dupes", dir.File("plain")}, false},
                {{"convert", "a.png", "b.wmf"}, true},         {{"dupes", dir.File("drawn")}, true},
                {{"info", dir.File("drawn/b.WMF")}, true},     {{"sheet", dir.File("plain"), "-o", "x.pxc"}, true},
                {{"mosaic", "a.jpg"}, true},                   {{}, false}};
    for (const auto& row : rows) {
        std::vector<char*> argv{const_cast<char*>("pixadrome-cli")};
        for (const std::string& a : row.args)
            argv.push_back(const_cast<char*>(a.c_str()));
        EXPECT_EQ(CliNeedsGui(static_cast<int>(argv.size()), argv.data()), row.gui) << (row.args.empty() ? "" : row.args[0]);
    }
}

}  // namespace
}  // namespace pix
