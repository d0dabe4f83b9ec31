// reduce, and convert to and from GIF.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include "cli/CliCommands.h"
#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "render/RenderFormats.h"
#include "CliTestSupport.h"
#include "support/TestSupport.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Q;

void Write(const CImageBuffer& buf, const std::string& path)
{
    CImageBuffer copy = buf;
    test::RecordingPrompter prompter;
    copy.Save(path, prompter);
    ASSERT_TRUE(prompter.texts.empty());
}

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

double Psnr(const CImageBuffer& a, const CImageBuffer& b)
{
    double sum = 0;
    for (uint32_t y = 0; y < a.Height(); ++y)
        for (uint32_t i = 0; i < a.Width() * 3; ++i) {
            const double d = double(a.Row(y)[i]) - double(b.Row(y)[i]);
            sum += d * d;
        }
    return 10 * std::log10(255.0 * 255.0 * 3.0 * a.Width() * a.Height() / sum);
}

TEST(CliGif, ConvertsToAndFromGif)
{
    test::TempDir dir;
    const CImageBuffer original = test::SmoothGradient(120, 90);
    Write(original, dir.File("in.bmp"));
    CliRun to = Call(CmdConvert, {"convert", Q(dir.File("in.bmp")), Q(dir.File("mid.gif"))});
    ASSERT_EQ(to.status, 0) << to.err;
    CImageBuffer gif;
    gif.Load(dir.File("mid.gif"));
    ASSERT_EQ(gif.Width(), 120u);
    EXPECT_LE(Colours(gif).size(), 256u);
    EXPECT_GT(Psnr(original, gif), 24.0);  // a hard picture: some 10^5 colours, fine texture

    CliRun back = Call(CmdConvert, {"convert", Q(dir.File("mid.gif")), Q(dir.File("out.bmp"))});
    ASSERT_EQ(back.status, 0) << back.err;
    CImageBuffer bmp;
    bmp.Load(dir.File("out.bmp"));
    ASSERT_EQ(bmp.Height(), 90u);
    EXPECT_EQ(std::memcmp(bmp.Bits(), gif.Bits(), gif.BitsSize()), 0);

    CliRun info = Call(CmdInfo, {"info", Q(dir.File("mid.gif"))});
    EXPECT_EQ(info.out, dir.File("mid.gif") + "\t120\t90\t16M\n");  // GIFs load as true colour
}

TEST(CliReduce, ReducesWithTheOptionsGiven)
{
    test::TempDir dir;
    const CImageBuffer original = test::SmoothGradient(100, 60);
    Write(original, dir.File("in.bmp"));

    // Into a bitmap: a palette bitmap of N colours, the pixels written back.
    CliRun run = Call(CmdReduce, {"reduce", Q(dir.File("in.bmp")), Q(dir.File("r16.bmp")), "--colors", "16"});
    ASSERT_EQ(run.status, 0) << run.err;
    CImageBuffer r16;
    r16.Load(dir.File("r16.bmp"));
    ASSERT_TRUE(r16.HasIndexPlane());
    EXPECT_EQ(r16.ColorCount(), 16);
    EXPECT_LE(Colours(r16).size(), 16u);
    EXPECT_GT(Colours(r16).size(), 8u);

    // Into a GIF: the reduced picture, not reduced again.
    ASSERT_EQ(Call(CmdReduce, {"reduce", Q(dir.File("in.bmp")), Q(dir.File("r16.gif")), "--colors", "16"}).status, 0);
    CImageBuffer gif;
    gif.Load(dir.File("r16.gif"));
    EXPECT_EQ(Colours(gif), Colours(r16));

    // --preserve and --nearest reach the reduction: preserved colours are
    // cell corners.
    ASSERT_EQ(Call(CmdReduce, {"reduce", Q(dir.File("in.bmp")), Q(dir.File("p.bmp")), "--colors", "40", "--preserve",
                               "--nearest"})
                  .status,
              0);
    CImageBuffer p;
    p.Load(dir.File("p.bmp"));
    for (uint32_t c : Colours(p))
        EXPECT_EQ(c & 0x0307'07u, 0u);

    // --prefer: at -16 a grey ramp cannot be split.
    CImageBuffer ramp;
    ASSERT_TRUE(ramp.Create(256, 2));
    for (uint32_t x = 0; x < 256; ++x)
        for (uint32_t y = 0; y < 2; ++y)
            ramp.SetPixel(x, y, uint8_t(x), uint8_t(x), uint8_t(x));
    Write(ramp, dir.File("ramp.bmp"));
    ASSERT_EQ(Call(CmdReduce, {"reduce", Q(dir.File("ramp.bmp")), Q(dir.File("flat.bmp")), "--colors", "8",
                               "--prefer", "-16"})
                  .status,
              0);
    CImageBuffer flat;
    flat.Load(dir.File("flat.bmp"));
    EXPECT_EQ(Colours(flat).size(), 1u);

    // The seed: the same seed gives the same file, another seed another.
    auto seeded = [&](const char* seed, const char* name) {
        EXPECT_EQ(Call(CmdReduce, {"reduce", Q(dir.File("in.bmp")), Q(dir.File(name)), "--colors", "64", "--seed",
                                   seed})
                      .status,
                  0);
        return test::ReadAll(dir.File(name));
    };
    EXPECT_EQ(seeded("7", "s7a.bmp"), seeded("7", "s7b.bmp"));
    EXPECT_NE(seeded("7", "s7a.bmp"), seeded("8", "s8.bmp"));
}

TEST(CliReduce, RefusesBadArguments)
{
    test::TempDir dir;
    Write(test::SmoothGradient(8, 8), dir.File("in.bmp"));
    const QString in = Q(dir.File("in.bmp"));
    const QString out = Q(dir.File("out.bmp"));
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, out}).status, 2);
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, out, "--colors", "1"}).status, 2);
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, out, "--colors", "257"}).status, 2);
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, out, "--colors", "many"}).status, 2);
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, out, "--colors", "9", "--prefer", "17"}).status, 2);
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, out, "--colors", "9", "--prefer", "2", "--preserve"}).status, 2);
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, out, "--colors", "9", "--seed", "-1"}).status, 2);
    EXPECT_EQ(Call(CmdReduce, {"reduce", in, "--colors", "9"}).status, 2);
    CliRun missing = Call(CmdReduce, {"reduce", Q(dir.File("none.bmp")), out, "--colors", "9"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("none.bmp"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bmp")));
}

}  // namespace
}  // namespace pix
