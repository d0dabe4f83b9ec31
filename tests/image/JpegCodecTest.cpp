#include "image/JpegCodec.h"

#include <gtest/gtest.h>

#include "CodecTestHelpers.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

// What cjpeg, libjpeg's own encoder, makes of the picture's rows at a
// quality held to baseline tables, or progressive with full-colour
// sampling.
std::vector<uint8_t> CjpegEncode(const CImageBuffer& picture, int quality, bool progressive = false)
{
    test::TempDir dir;
    const std::string header =
        "P6\n" + std::to_string(picture.Width()) + " " + std::to_string(picture.Height()) + "\n255\n";
    std::vector<uint8_t> ppm(header.begin(), header.end());
    const std::vector<uint8_t> rgb = test::TopDownRgb(picture);
    ppm.insert(ppm.end(), rgb.begin(), rgb.end());
    test::WriteAll(dir.File("in.ppm"), ppm);
    std::vector<std::string> command = {"cjpeg", "-quality", std::to_string(quality), "-outfile", dir.File("out.jpg")};
    if (progressive)
        command.insert(command.end(), {"-progressive", "-sample", "1x1"});
    else
        command.push_back("-baseline");
    command.push_back(dir.File("in.ppm"));
    EXPECT_EQ(test::RunProgram(command), 0);
    return test::ReadAll(dir.File("out.jpg"));
}

TEST(JpegScale, SmallestLibraryScaleStillCoveringTheHintInOneDirection)
{
    struct Case {
        uint32_t w, h, hw, hh;
        int denom;
    } cases[] = {
        {4000, 3000, 0, 0, 1},        // no hints: full size
        {4000, 3000, 500, 1000, 8},   // width exactly 8 times the hint
        {4000, 3000, 501, 376, 4},    // just short of 1/8 both ways
        {4000, 3000, 1000, 3000, 4},  // width exactly 4 times
        {4000, 3000, 1001, 751, 2},
        {4000, 3000, 2000, 5000, 2},  // width exactly twice
        {4000, 3000, 2001, 1501, 1},
        {100, 100, 0, 80, 8},         // one hint 0: every scale covers it
    };
    for (const Case& c : cases)
        EXPECT_EQ(JpegScaleDenominator(c.w, c.h, c.hw, c.hh), c.denom)
            << c.w << "x" << c.h << " hints " << c.hw << "x" << c.hh;
}

TEST(JpegWriter, BytesAreThoseOfLibjpegsOwnEncoder)
{
    // The writer hands the buffer's own rows to libjpeg; the file must be
    // the one cjpeg makes of the rows top down in red, green, blue, at
    // every quality held to baseline tables.
    if (!test::HaveProgram("cjpeg"))
        GTEST_SKIP() << "cjpeg is not installed";
    test::TempDir dir;
    const CImageBuffer buf = test::Gradient(45, 31);
    for (int quality : {0, 30, 75, 100}) {
        SCOPED_TRACE(quality);
        const std::string path = dir.File("q" + std::to_string(quality) + ".jpg");
        ASSERT_TRUE(WriteJpeg(buf, path, quality));
        EXPECT_EQ(test::ReadAll(path), CjpegEncode(buf, quality));
    }
    // Save of a JPEG name writes quality 75.
    ASSERT_TRUE(buf.Save(dir.File("saved.JPEG")).Ok());
    EXPECT_EQ(test::ReadAll(dir.File("saved.JPEG")), test::ReadAll(dir.File("q75.jpg")));
}

TEST(JpegReader, ATruncatedScanStillLoadsAndTheLimitsRefuseWhatIsTooLarge)
{
    if (!test::HaveProgram("cjpeg"))
        GTEST_SKIP() << "cjpeg is not installed";
    const uint32_t w = 64, h = 48;
    const auto p = CjpegEncode(test::Gradient(w, h), 75, true);
    CImageBuffer buf;
    auto load = [&buf](const std::vector<uint8_t>& bytes, uint64_t maxPixels = kMaxPixels) -> const CImageBuffer& {
        buf = test::Gradient(3, 3);  // a previous picture that must go
        ReadJpegBytes(bytes, 0, 0, buf, maxPixels);
        return buf;
    };
    // Cut inside the scans: libjpeg only warns and fills in the rest.
    EXPECT_EQ(load({p.begin(), p.begin() + static_cast<long>(p.size() * 2 / 3)}).Width(), w);
    EXPECT_TRUE(load(p, w * h - 1).IsEmpty());
    EXPECT_EQ(load(p, w * h).Width(), w);

    // Within the pixel cap, but a progressive file this size (full-colour
    // sampling) needs 1.5 GB of coefficients: over libjpeg's memory limit.
    const size_t sof = test::FindSegment(p, 0xC2);
    ASSERT_GT(sof, 0u);
    std::vector<uint8_t> large = p;
    for (size_t at : {sof + 5, sof + 7}) {  // height, width: 16384
        large[at] = 0x40;
        large[at + 1] = 0;
    }
    EXPECT_TRUE(load(large).IsEmpty());

    // The first scan repeated: libjpeg only warns about the bogus
    // progression, so only the scan limit stops a flood of them.
    const size_t sos = test::FindSegment(p, 0xDA);
    ASSERT_GT(sos, 0u);
    size_t end = sos + 2;
    while (end + 1 < p.size() && !(p[end] == 0xFF && p[end + 1] != 0 && (p[end + 1] & 0xF8) != 0xD0))
        ++end;  // to the next marker that is not a restart
    const auto scanBegin = p.begin() + static_cast<long>(sos), scanEnd = p.begin() + static_cast<long>(end);
    auto flood = [&](int copies) {
        std::vector<uint8_t> f(p.begin(), scanEnd);
        for (int i = 0; i < copies; ++i)
            f.insert(f.end(), scanBegin, scanEnd);
        f.insert(f.end(), scanEnd, p.end());
        return f;
    };
    EXPECT_EQ(load(flood(400)).Width(), w);  // some hundreds of scans still load
    EXPECT_TRUE(load(flood(600)).IsEmpty());
}

}  // namespace
}  // namespace pix
