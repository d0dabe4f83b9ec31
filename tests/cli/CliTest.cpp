#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "CliTestSupport.h"
#include "cli/CliFront.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "image/FormatTable.h"
#include "image/JpegCodec.h"
#include "support/ImageTestSupport.h"
#include "support/PhotoExif.h"

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
    const std::string p = test::WritePicture(test::Indexed(3, 2, 12), dir.File("p.bmp"));
    test::WriteAll(dir.File("junk.bmp"), {'B', 'M', 1, 2});
    CliRun run = Call(CmdInfo, {"info", Q(a), Q(dir.File("junk.bmp")), Q(p)});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, a + "\t7\t5\t16M\n" + p + "\t3\t2\t12\n");  // the good files are still listed
    EXPECT_NE(run.err.find("junk.bmp"), std::string::npos);
    EXPECT_EQ(Call(CmdInfo, {"info", Q(a)}).status, 0);

    const std::string photo = test::WriteSolidPicture(dir.File("photo.jpg"), 4, 4, 1, 2, 3);
    ASSERT_TRUE(test::WriteExif(photo, {{"Exif.Image.Model", "X100"}, {"Exif.Photo.ISOSpeedRatings", "400"}}));
    run = Call(CmdInfo, {"info", "--exif", Q(photo)});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\n\tCamera\tX100\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n\tISO\t400\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n\tLens\t\n"), std::string::npos) << run.out;
}

// Each output type is written by its own writer from the pixels read, and
// --quality reaches the JPEG writer (75 without it).
TEST(CliConvert, WritesWhatTheWriterWritesAndReadsWithTheHint)
{
    test::TempDir dir;
    const CImageBuffer picture = test::Gradient(33, 17);
    const QString in = Q(test::WritePicture(picture, dir.File("in.bmp")));
    const struct {
        const char* out;
        QStringList options;
        int quality;  // -1: not JPEG
    } rows[] = {{"o.gif", {}, -1},          {"o.wmf", {}, -1},   {"o.pxf", {}, -1},
                {"q0.jpg", {"--quality", "0"}, 0}, {"q100.jpg", {"--quality", "100"}, 100}, {"d.jpeg", {}, 75}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.out);
        CliRun r = Call(CmdConvert, QStringList{"convert", in, Q(dir.File(row.out))} + row.options);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string want = dir.File(std::string("want-") + row.out);
        ASSERT_TRUE(row.quality < 0 ? picture.Save(want) : WriteJpeg(picture, want, row.quality));
        EXPECT_EQ(test::ReadAll(dir.File(row.out)), test::ReadAll(want));
    }

    ASSERT_EQ(Call(CmdConvert, {"convert", Q(dir.File("o.pxf")), Q(dir.File("back.bmp"))}).status, 0);
    EXPECT_EQ(test::ReadAll(dir.File("back.bmp")), test::ReadAll(in.toStdString()));
    // With a hint the metafile is rendered at that size.
    ASSERT_EQ(Call(CmdConvert, {"convert", Q(dir.File("o.wmf")), Q(dir.File("small.bmp")), "--hint", "10x10"}).status, 0);
    const CImageBuffer small = Loaded(dir.File("small.bmp"));
    EXPECT_EQ(small.Width(), 10u);
    EXPECT_EQ(small.Height(), 5u);
}

// Bad arguments exit with 2, files that cannot be read or written with 1;
// either way the output is not written and stderr says why.
TEST(CliArguments, RefusalsExitWithTheirStatusAndWriteNothing)
{
    test::TempDir dir;
    const QString in = Q(test::WritePicture(test::Gradient(40, 40), dir.File("in.bmp")));
    std::filesystem::create_directory(dir.File("o"));  // where nothing may appear
    const QString out = Q(dir.File("o/out.bmp"));
    const QString jpg = Q(dir.File("o/out.jpg"));
    const QString none = Q(dir.File("none.bmp"));
    test::WriteAll(dir.File("junk.png"), {'x'});
    test::WriteAll(dir.File("bad.db"), {9, 9});
    test::WriteAll(dir.File("bad.tfm"), {1, 2, 3});
    const struct {
        int (*cmd)(const QStringList&, CliStreams);
        QStringList args;
        int status;
        const char* err;
    } rows[] = {
        {CmdInfo, {"info"}, 2, "info"},
        {CmdConvert, {"convert", in}, 2, "convert"},
        {CmdConvert, {"convert", in, out, "--hint", "big"}, 2, "--hint"},
        {CmdConvert, {"convert", none, out}, 1, "none.bmp: not a picture Pixadrome can read (cannot be opened)"},
        {CmdConvert, {"convert", Q(dir.File("junk.png")), out}, 1, "(damaged)"},
        {CmdConvert, {"convert", in, Q(dir.File("o/out.tga"))}, 1, "No valid filetype."},
        {CmdConvert, {"convert", in, Q(dir.File("o/no/out.bmp"))}, 1, "Can't open file for writing"},
        {CmdConvert, {"convert", in, Q(dir.File("o/no/out.png"))}, 1, "out.png: No such file or directory"},
        {CmdConvert, {"convert", in, Q(dir.File("o/no/out.jpg")), "--quality", "50"}, 1, "Write Error"},
        {CmdConvert, {"convert", in, jpg, "--quality", "-1"}, 2, "--quality"},
        {CmdConvert, {"convert", in, jpg, "--quality", "101"}, 2, "--quality"},
        {CmdConvert, {"convert", in, jpg, "--quality", "7.5"}, 2, "--quality"},
        {CmdConvert, {"convert", in, out, "--quality", "50"}, 2, "JPEG"},
        {CmdReduce, {"reduce", in, out}, 2, "--colors"},
        {CmdReduce, {"reduce", in, "--colors", "9"}, 2, "reduce"},
        {CmdReduce, {"reduce", in, out, "--colors", "1"}, 2, "--colors"},
        {CmdReduce, {"reduce", in, out, "--colors", "257"}, 2, "--colors"},
        {CmdReduce, {"reduce", in, out, "--colors", "many"}, 2, "--colors"},
        {CmdReduce, {"reduce", in, out, "--colors", "9", "--prefer", "17"}, 2, "--prefer"},
        {CmdReduce, {"reduce", in, out, "--colors", "9", "--prefer", "2", "--preserve"}, 2, "--prefer"},
        {CmdReduce, {"reduce", in, out, "--colors", "9", "--seed", "-1"}, 2, "--seed"},
        {CmdReduce, {"reduce", none, out, "--colors", "9"}, 1, "none.bmp"},
        {CmdEdit, {"edit", in, out, "flip-v", "spin"}, 2, "spin"},
        {CmdEdit, {"edit", in, out, "flip-v", "resize=0x5"}, 2, "resize"},
        {CmdEdit, {"edit", in, out, "flip-v", "correct=1,2,3"}, 2, "correct"},
        {CmdEdit, {"edit", in, out, "flip-v", "correct=0,0,0,0,0,999"}, 2, "correct"},
        {CmdMosaic, {"mosaic", in, "-o", out}, 1, "You must provide at least one source image."},
        {CmdMosaic, {"mosaic", in, "-o", out, "--rows", "2", "--cols", "2", "--as-is", in}, 1, "source"},
        {CmdCrc, {"crc"}, 2, "crc"},
        {CmdSignature, {"signature"}, 2, "signature"},
        {CmdSignature, {"signature", in, "--load-size", "big"}, 2, "load-size"},
        {CmdSignature, {"signature", Q(dir.File("junk.png"))}, 1, "junk.png"},
        {CmdDupes, {"dupes"}, 2, "dupes"},
        {CmdDupes, {"dupes", in, "--tolerance", "101"}, 2, "tolerance"},
        {CmdDupes, {"dupes", in, "--window-limit", "-1"}, 2, "window-limit"},
        {CmdSimilar, {"similar", in}, 2, "similar"},
        {CmdSimilar, {"similar", none, in}, 1, "none.bmp"},
        {CmdDb, {"db", "dump"}, 2, "--db"},
        {CmdDb, {"db", "--db", Q(dir.File("bad.db")), "dump"}, 1, "Not a Pixadrome database!"},
        {CmdSheet, {"sheet", Q(dir.Path().string())}, 2, "-o"},
        {CmdSheet, {"sheet", Q(dir.Path().string()), "-o", out, "--size", "0x5"}, 2, "--size"},
        {CmdSheet, {"sheet", Q(dir.Path().string()), "-o", out, "--format", Q(dir.File("bad.tfm"))}, 1, ""},
        {CmdSheet, {"sheet", Q(dir.Path().string()), "-o", Q(dir.File("o/no/index.html"))}, 1, "Could not write"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const CliRun r = Call(row.cmd, row.args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_NE(r.err.find(row.err), std::string::npos) << r.err;
        EXPECT_TRUE(std::filesystem::is_empty(dir.File("o")));
    }
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
    enum Runner { kCore, kDraw, kFront };
    const struct {
        std::vector<std::string> args;
        Runner runner;
    } rows[] = {{{"crc", dir.File("plain/a.jpg")}, kCore},     {{"dupes", dir.File("plain")}, kCore},
                {{"convert", "a.png", "b.wmf"}, kDraw},        {{"dupes", dir.File("drawn")}, kDraw},
                {{"info", dir.File("drawn/b.WMF")}, kDraw},    {{"sheet", dir.File("plain"), "-o", "x.pxc"}, kDraw},
                {{"mosaic", "a.jpg"}, kDraw},                  {{}, kCore},
                {{"scan", "-o", "p.bmp"}, kFront},             {{"scan", "-o", "p.wmf"}, kDraw},
                {{"scan", "--output=p.png"}, kCore},           {{"scan", "--out", "p.png"}, kCore}};
    for (const auto& row : rows) {
        std::vector<char*> argv{const_cast<char*>("pixadrome-cli")};
        for (const std::string& a : row.args)
            argv.push_back(const_cast<char*>(a.c_str()));
        const int argc = static_cast<int>(argv.size());
        const Runner runner = CliNeedsGui(argc, argv.data()) ? kDraw : CliRunsInFront(argc, argv.data()) ? kFront : kCore;
        EXPECT_EQ(runner, row.runner) << (row.args.empty() ? "" : row.args[0]);
    }
}

// Sheets read and write the desktop's thumbnail cache ($XDG_CACHE_HOME)
// unless told not to.
TEST(CliSheet, UsesTheDesktopThumbnailCacheUnlessToldNot)
{
    test::TempDir dir;
    QStringList args{"sheet", Q(test::WritePicture(test::Gradient(300, 200), dir.File("a.jpg"))), "-o",
                     Q(dir.File("s.pxc")), "--no-cache"};
    const std::string normal = qEnvironmentVariable("XDG_CACHE_HOME").toStdString() + "/thumbnails/normal";
    std::filesystem::remove_all(normal);
    ASSERT_EQ(Call(CmdSheet, args).status, 0);
    EXPECT_FALSE(std::filesystem::exists(normal));
    args.removeLast();
    ASSERT_EQ(Call(CmdSheet, args).status, 0);
    EXPECT_FALSE(std::filesystem::is_empty(normal));
}

// Feeder pages are numbered; a failed page or a refused option writes
// nothing.
TEST(CliScan, BatchesDropsFailedPagesAndTheFrontWritesEveryKindOfPageAsTheWritersDo)
{
    test::UseSaneTestDevices();
    test::TempDir dir;
    const CliRun list = Call(CmdScan, {"scan", "--list"});
    EXPECT_NE(list.out.find("test:0\t"), std::string::npos) << list.out;
    const QStringList colour{"--option", "mode=Color", "--option", "resolution=50"};
    const QStringList feeder{"scan", "-o", Q(dir.File("p%d.bmp")), "--batch", "--option",
                             "source=Automatic Document Feeder"};
    ASSERT_EQ(Call(CmdScan, feeder + colour).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("p10.bmp")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("p11.bmp")));

    for (const char* option : {"read-return-value=SANE_STATUS_JAMMED", "no-such-option=1"}) {
        const QStringList args = QStringList{"scan", "-o", Q(dir.File("bad.bmp")), "--option", option} + colour;
        const CliRun run = Call(CmdScan, args);
        EXPECT_EQ(run.status, 1) << option;
        EXPECT_FALSE(std::filesystem::exists(dir.File("bad.bmp"))) << option;
    }

    // The front writes grey and black-and-white pages as bitmaps by itself:
    // the pixels the full writers save.
    for (const char* depth : {"depth=8", "depth=1"}) {
        const std::vector<std::string> args{"scan", "-o", dir.File("front.bmp"), "--option", "mode=Gray",
                                            "--option", depth};
        std::ostringstream out, err;
        ASSERT_EQ(RunScan(args, {out, err}, SaveBitmapPage), 0) << depth << err.str();
        ASSERT_EQ(Call(CmdScan, {"scan", "-o", Q(dir.File("core.png")), "--option", "mode=Gray", "--option", depth}).status, 0);
        const CImageBuffer front = Loaded(dir.File("front.bmp")), core = Loaded(dir.File("core.png"));
        ASSERT_FALSE(front.IsEmpty()) << depth;
        EXPECT_TRUE(test::SamePixels(front, core)) << depth;
    }
}


TEST(CliScanDeathTest, WithoutTheScannerLibraryTheSourceManagerIsMissing)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("PIXADROME_SANE_LIBRARY", "/nonexistent/libsane.so.1", 1);
            const CliRun run = Call(CmdScan, {"scan", "-o", "never.bmp"});
            std::fputs(run.err.c_str(), stderr);
            std::_Exit(run.status);
        },
        ::testing::ExitedWithCode(1), "I can't open the source manager");
}

}  // namespace
}  // namespace pix
