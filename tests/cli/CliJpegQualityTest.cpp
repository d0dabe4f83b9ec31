// convert --quality: JPEG output at the quality asked for, and the checks
// on the option.
#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"
#include "image/JpegCodec.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Q;

TEST(CliConvertQuality, WritesJpegAtTheQualityGivenAndSeventyFiveWithout)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    const CImageBuffer picture = test::Gradient(40, 30);
    const QString in = Q(test::WritePicture(picture, dir.File("in.bmp")));
    // What the writer itself makes at each quality, from the same pixels.
    auto want = [&](int q) {
        const std::string path = dir.File("want" + std::to_string(q) + ".jpg");
        EXPECT_TRUE(WriteJpeg(picture, path, q, prompter));
        return test::ReadAll(path);
    };
    for (int q : {0, 100}) {
        const std::string out = dir.File("q" + std::to_string(q) + ".jpg");
        ASSERT_EQ(Call(CmdConvert, {"convert", in, Q(out), "--quality", QString::number(q)}).status, 0);
        EXPECT_EQ(test::ReadAll(out), want(q)) << q;
    }
    ASSERT_EQ(Call(CmdConvert, {"convert", in, Q(dir.File("default.jpeg"))}).status, 0);
    EXPECT_EQ(test::ReadAll(dir.File("default.jpeg")), want(75));
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(CliConvertQuality, RefusesQualitiesOutOfRangeAndNonJpegTargets)
{
    test::TempDir dir;
    const QString in = Q(test::WritePicture(test::Gradient(4, 4), dir.File("in.bmp")));
    auto convert = [&](const std::string& out, const char* quality) {
        return Call(CmdConvert, {"convert", in, Q(dir.File(out)), "--quality", quality});
    };
    for (const char* bad : {"-1", "101", "high", "7.5"}) {
        CliRun r = convert("o.jpg", bad);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.err.find("--quality"), std::string::npos) << bad;
    }
    CliRun png = convert("o.png", "50");
    EXPECT_EQ(png.status, 2);
    EXPECT_NE(png.err.find("JPEG"), std::string::npos);
    // A JPEG that cannot be written reports the writer's message.
    CliRun unwritable = convert("no/dir/o.jpg", "50");
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.err.find("Write Error"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.jpg")));
}

}  // namespace
}  // namespace pix
