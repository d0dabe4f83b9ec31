// reduce, and convert to and from GIF.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "CliTestSupport.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Loaded;
using test::Q;

std::set<uint32_t> Colours(const CImageBuffer& buf)
{
    std::set<uint32_t> set;
    for (uint32_t y = 0; y < buf.Height(); ++y)
        for (uint32_t x = 0; x < buf.Width(); ++x) {
            uint8_t r, g, b;
            buf.GetPixel(x, y, r, g, b);
            set.insert((uint32_t{r} << 16) | (uint32_t{g} << 8) | b);
        }
    return set;
}

TEST(CliGif, ConvertsToAndFromGif)
{
    test::TempDir dir;
    const QString in = Q(test::WritePicture(test::SmoothGradient(120, 90), dir.File("in.bmp")));
    CliRun to = Call(CmdConvert, {"convert", in, Q(dir.File("mid.gif"))});
    ASSERT_EQ(to.status, 0) << to.err;
    const CImageBuffer gif = Loaded(dir.File("mid.gif"));
    ASSERT_EQ(gif.Width(), 120u);
    EXPECT_LE(Colours(gif).size(), 256u);
    EXPECT_GT(Colours(gif).size(), 128u);

    CliRun back = Call(CmdConvert, {"convert", Q(dir.File("mid.gif")), Q(dir.File("out.bmp"))});
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_TRUE(test::SamePixels(Loaded(dir.File("out.bmp")), gif));
    CliRun info = Call(CmdInfo, {"info", Q(dir.File("mid.gif"))});
    EXPECT_EQ(info.out, dir.File("mid.gif") + "\t120\t90\t16M\n");  // GIFs load as true colour
}

TEST(CliReduce, ReducesWithTheOptionsGiven)
{
    test::TempDir dir;
    const QString in = Q(test::WritePicture(test::SmoothGradient(100, 60), dir.File("in.bmp")));
    auto reduce = [&](const QString& from, const char* out, QStringList options) {
        CliRun r = Call(CmdReduce, QStringList{"reduce", from, Q(dir.File(out))} + options);
        EXPECT_EQ(r.status, 0) << r.err;
        return Loaded(dir.File(out));
    };

    // Into a bitmap: a palette bitmap of N colours, the pixels written back.
    const CImageBuffer r16 = reduce(in, "r16.bmp", {"--colors", "16"});
    ASSERT_TRUE(r16.HasIndexPlane());
    EXPECT_EQ(r16.ColorCount(), 16);
    EXPECT_LE(Colours(r16).size(), 16u);
    EXPECT_GT(Colours(r16).size(), 8u);
    // Into a GIF: the reduced picture, not reduced again.
    EXPECT_EQ(Colours(reduce(in, "r16.gif", {"--colors", "16"})), Colours(r16));

    // --preserve and --nearest reach the reduction: preserved colours are
    // cell corners.
    for (uint32_t c : Colours(reduce(in, "p.bmp", {"--colors", "40", "--preserve", "--nearest"})))
        EXPECT_EQ(c & 0x0307'07u, 0u);

    // --prefer: at -16 a grey ramp cannot be split.
    CImageBuffer ramp;
    ASSERT_TRUE(ramp.Create(256, 2));
    for (uint32_t x = 0; x < 256; ++x)
        for (uint32_t y = 0; y < 2; ++y)
            ramp.SetPixel(x, y, uint8_t(x), uint8_t(x), uint8_t(x));
    const QString rampPath = Q(test::WritePicture(ramp, dir.File("ramp.bmp")));
    EXPECT_EQ(Colours(reduce(rampPath, "flat.bmp", {"--colors", "8", "--prefer", "-16"})).size(), 1u);

    // The seed: the same seed gives the same file, another seed another.
    auto seeded = [&](const char* seed, const char* name) {
        reduce(in, name, {"--colors", "64", "--seed", seed});
        return test::ReadAll(dir.File(name));
    };
    EXPECT_EQ(seeded("7", "s7a.bmp"), seeded("7", "s7b.bmp"));
    EXPECT_NE(seeded("7", "s7a.bmp"), seeded("8", "s8.bmp"));
}

TEST(CliReduce, RefusesBadArguments)
{
    test::TempDir dir;
    const QString in = Q(test::WritePicture(test::SmoothGradient(8, 8), dir.File("in.bmp")));
    const QString out = Q(dir.File("out.bmp"));
    const QStringList bad[] = {{},
                               {"--colors", "1"},
                               {"--colors", "257"},
                               {"--colors", "many"},
                               {"--colors", "9", "--prefer", "17"},
                               {"--colors", "9", "--prefer", "2", "--preserve"},
                               {"--colors", "9", "--seed", "-1"}};
    for (const QStringList& options : bad)
        EXPECT_EQ(Call(CmdReduce, QStringList{"reduce", in, out} + options).status, 2) << options.join(' ').toStdString();
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, "--colors", "9"}).status, 2);
    CliRun missing = Call(CmdReduce, {"reduce", Q(dir.File("none.bmp")), out, "--colors", "9"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.bmp"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")));
}

}  // namespace
}  // namespace pix
