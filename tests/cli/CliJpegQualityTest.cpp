// convert --quality: JPEG output at the quality asked for, and the checks
// on the option.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/CliCommands.h"
#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "image/JpegCodec.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

int Convert(QStringList args, std::string* err = nullptr)
{
    std::ostringstream out, errStream;
    args.prepend(QStringLiteral("convert"));
    const int status = CmdConvert(args, CliStreams{out, errStream});
    if (err)
        *err = errStream.str();
    return status;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

TEST(CliConvertQuality, WritesJpegAtTheQualityGivenAndSeventyFiveWithout)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer picture;
    ASSERT_TRUE(picture.Create(40, 30));
    for (uint32_t y = 0; y < 30; ++y)
        for (uint32_t x = 0; x < 40; ++x)
            picture.SetPixel(x, y, static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 8),
                             static_cast<uint8_t>(x ^ y));
    picture.Save(dir.File("in.bmp"), prompter);
    // What the writer itself makes at each quality, from the same pixels.
    for (int q : {0, 75, 100})
        ASSERT_TRUE(WriteJpeg(picture, dir.File("want" + std::to_string(q) + ".jpg"), q, prompter));

    for (int q : {0, 100}) {
        const std::string out = dir.File("q" + std::to_string(q) + ".jpg");
        ASSERT_EQ(Convert({Q(dir.File("in.bmp")), Q(out), "--quality", QString::number(q)}), 0);
        EXPECT_EQ(test::ReadAll(out), test::ReadAll(dir.File("want" + std::to_string(q) + ".jpg"))) << q;
    }
    ASSERT_EQ(Convert({Q(dir.File("in.bmp")), Q(dir.File("default.jpeg"))}), 0);
    EXPECT_EQ(test::ReadAll(dir.File("default.jpeg")), test::ReadAll(dir.File("want75.jpg")));
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(CliConvertQuality, RefusesQualitiesOutOfRangeAndNonJpegTargets)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer picture;
    ASSERT_TRUE(picture.Create(4, 4));
    picture.Save(dir.File("in.bmp"), prompter);
    std::string err;
    for (const char* bad : {"-1", "101", "high", "7.5"}) {
        EXPECT_EQ(Convert({Q(dir.File("in.bmp")), Q(dir.File("o.jpg")), "--quality", bad}, &err), 2) << bad;
        EXPECT_NE(err.find("--quality"), std::string::npos) << bad;
    }
    EXPECT_EQ(Convert({Q(dir.File("in.bmp")), Q(dir.File("o.png")), "--quality", "50"}, &err), 2);
    EXPECT_NE(err.find("JPEG"), std::string::npos);
    // A JPEG that cannot be written reports the writer's message.
    EXPECT_EQ(Convert({Q(dir.File("in.bmp")), Q(dir.File("no/dir/o.jpg")), "--quality", "50"}, &err), 1);
    EXPECT_NE(err.find("Write Error"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("o.jpg")));
}

}  // namespace
}  // namespace pix
