// Loads turn pictures upright and bring them from their profiles to sRGB.

#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CodecTestHelpers.h"
#include "image/CImageBuffer.h"
#include "image/ColourProfile.h"
#include "image/FormatTable.h"
#include "image/JpegCodec.h"
#include "image/PngCodec.h"
#include "image/TiffCodec.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

// Loads with the given options, as the program would after start-up.
struct Options {
    explicit Options(LoadOptions options) : before(CurrentLoadOptions()) { SetLoadOptions(options); }
    ~Options() { SetLoadOptions(before); }
    LoadOptions before;
};

// A picture of six colours named by letters, rows split by '/'.
CImageBuffer Letters(std::string_view rows)
{
    static constexpr uint8_t kRgb[6][3] = {{255, 0, 0},   {0, 255, 0},   {0, 0, 255},
                                           {255, 255, 0}, {0, 255, 255}, {255, 0, 255}};
    const auto width = static_cast<uint32_t>(rows.find('/'));
    const auto height = static_cast<uint32_t>((rows.size() + 1) / (width + 1));
    CImageBuffer buf;
    buf.Create(width, height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* c = kRgb[rows[y * (width + 1) + x] - 'A'];
            buf.SetPixel(x, height - 1 - y, c[0], c[1], c[2]);
        }
    return buf;
}

// Sets a tag of a TIFF file written by the program.
template <typename... Values>
void SetTiffTag(const std::string& path, uint32_t tag, Values... values)
{
    TIFF* tif = TIFFOpen(path.c_str(), "r+");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, tag, values...);
    TIFFRewriteDirectory(tif);
    TIFFClose(tif);
}

std::string PictureWithOrientation(const test::TempDir& dir, const std::string& type, uint8_t orientation)
{
    const CImageBuffer stored = Letters("ABC/DEF");
    const std::string path = dir.File(std::to_string(orientation) + "." + type);
    EXPECT_TRUE(stored.Save(path).Ok());
    if (type == "png")
        test::WriteAll(path, test::WithChunk(test::ReadAll(path), test::Chunk("eXIf", test::ExifBlock(orientation))));
    else
        SetTiffTag(path, TIFFTAG_ORIENTATION, uint16_t{orientation});
    return path;
}

TEST(UprightLoad, EachOrientationShowsThePictureAsItsTagSays)
{
    // How the stored "ABC/DEF" is shown under each orientation.
    static constexpr const char* kShown[9] = {"",         "ABC/DEF",  "CBA/FED",  "FED/CBA", "DEF/ABC",
                                              "AD/BE/CF", "DA/EB/FC", "FC/EB/DA", "CF/BE/AD"};
    test::TempDir dir;
    for (const std::string type : {"png", "tif"})
        for (uint8_t orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(type + " orientation " + std::to_string(orientation));
            const std::string path = PictureWithOrientation(dir, type, orientation);
            CImageBuffer loaded;
            ASSERT_EQ(loaded.Load(path), LoadResult::Loaded);
            EXPECT_EQ(test::TopDownRgb(loaded), test::TopDownRgb(Letters(kShown[orientation])));
            uint32_t w = 0, h = 0;
            EXPECT_TRUE(QueryImageSize(path, w, h));
            EXPECT_EQ(w, loaded.Width());
            EXPECT_EQ(h, loaded.Height());

            if (type == "png") {  // (TIFF files were always mirrored by libtiff)
                const Options asStored({.upright = false, .colourManaged = true});
                ASSERT_EQ(loaded.Load(path), LoadResult::Loaded);
                EXPECT_EQ(test::TopDownRgb(loaded), test::TopDownRgb(Letters("ABC/DEF")));
            }
        }
}

TEST(UprightLoad, HintsAreForTheUprightPicture)
{
    test::TempDir dir;
    CImageBuffer wide;
    wide.Create(400, 100);
    const std::string path = dir.File("turned.jpg");
    ASSERT_TRUE(WriteJpeg(wide, path, 90).Ok());
    test::WriteAll(path, test::WithExifOrientation(test::ReadAll(path), 6));

    uint32_t w = 0, h = 0;
    ASSERT_TRUE(QueryImageSize(path, w, h));
    EXPECT_EQ(w, 100u);
    EXPECT_EQ(h, 400u);
    ASSERT_TRUE(HintedImageSize(path, w, h, 50, 200));
    CImageBuffer loaded;
    ASSERT_EQ(loaded.Load(path, 50, 200), LoadResult::Loaded);
    EXPECT_EQ(loaded.Width(), w);
    EXPECT_EQ(loaded.Height(), h);
    EXPECT_GE(loaded.Height(), 200u);  // decoded large enough for the box
}

// An Adobe RGB (1998) profile.
std::vector<uint8_t> AdobeRgbProfile()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

CImageBuffer Gradient()
{
    CImageBuffer buf;
    buf.Create(16, 16);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            buf.SetPixel(x, y, static_cast<uint8_t>(x * 17), static_cast<uint8_t>(y * 17),
                         static_cast<uint8_t>(255 - (x + y) * 8));
    return buf;
}

std::vector<uint8_t> PngWithProfile(const std::string& path, const std::vector<uint8_t>& profile)
{
    std::vector<uint8_t> chunk = {'A', 'd', 'o', 'b', 'e', 0, 0};
    uLongf size = compressBound(static_cast<uLong>(profile.size()));
    std::vector<uint8_t> packed(size);
    compress(packed.data(), &size, profile.data(), static_cast<uLong>(profile.size()));
    chunk.insert(chunk.end(), packed.begin(), packed.begin() + static_cast<long>(size));
    return test::WithChunk(test::ReadAll(path), test::Chunk("iCCP", chunk));
}

TEST(ColourManagedLoad, EmbeddedProfilesGiveTheColoursLittleCmsOwnToolGives)
{
    if (!test::HaveProgram("tificc"))
        GTEST_SKIP() << "tificc is not installed";
    test::TempDir dir;
    const CImageBuffer picture = Gradient();
    const std::vector<uint8_t> profile = AdobeRgbProfile();
    const std::string tiff = dir.File("adobe.tif");
    ASSERT_TRUE(picture.Save(tiff).Ok());
    SetTiffTag(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile.size()), profile.data());
    ASSERT_EQ(test::RunProgram({"tificc", "-t0", tiff, dir.File("srgb.tif")}), 0);
    CImageBuffer reference;
    {
        const Options raw({.upright = true, .colourManaged = false});
        ASSERT_EQ(reference.Load(dir.File("srgb.tif")), LoadResult::Loaded);
    }
    ASSERT_GT(test::LargestDifference(reference, picture), 10);  // the profile matters

    const std::string png = dir.File("adobe.png");
    ASSERT_TRUE(picture.Save(png).Ok());
    test::WriteAll(png, PngWithProfile(png, profile));
    std::vector<uint8_t> broken = profile;
    broken.resize(broken.size() / 2);
    const std::string damaged = dir.File("damaged.png");
    ASSERT_TRUE(picture.Save(damaged).Ok());
    test::WriteAll(damaged, PngWithProfile(damaged, broken));

    const std::string jpeg = dir.File("adobe.jpg");
    ASSERT_TRUE(WriteJpeg(picture, jpeg, 100).Ok());
    std::vector<uint8_t> app2 = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
    app2.insert(app2.end(), profile.begin(), profile.end());
    test::WriteAll(jpeg, test::WithSegment(test::ReadAll(jpeg), 0xE2, app2));

    struct Case {
        std::string path;
        bool managed;
        const CImageBuffer& expected;
        int tolerance;  // the largest difference, or below 0 the mean one
    } const cases[] = {
        {tiff, true, reference, 1},
        {png, true, reference, 1},
        {jpeg, true, reference, -2},  // on average: the encoding loses
        {tiff, false, picture, 0},
        {png, false, picture, 0},
        {damaged, true, picture, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + (c.managed ? " managed" : " as stored"));
        const Options options({.upright = true, .colourManaged = c.managed});
        CImageBuffer loaded;
        ASSERT_EQ(loaded.Load(c.path), LoadResult::Loaded);
        if (c.tolerance >= 0)
            EXPECT_LE(test::LargestDifference(loaded, c.expected), c.tolerance);
        else
            EXPECT_LE(test::MeanDifference(loaded, c.expected), -c.tolerance);
    }
}

TEST(ColourManagedLoad, APhotoConvertedOnTwoThreadsMatchesRowByRow)
{
    const std::vector<uint8_t> profile = AdobeRgbProfile();
    CImageBuffer row, photo;
    ASSERT_TRUE(row.Create(1024, 1) && photo.Create(1024, 1024));
    for (uint32_t x = 0; x < 1024; ++x)
        row.SetPixel(x, 0, static_cast<uint8_t>(x), static_cast<uint8_t>(x / 4), static_cast<uint8_t>(255 - x / 4));
    for (uint32_t y = 0; y < 1024; ++y)
        std::copy(row.Row(0), row.Row(0) + 3 * 1024, photo.Row(y));
    ASSERT_TRUE(ConvertToSrgb(row, profile) && ConvertToSrgb(photo, profile));
    for (uint32_t y = 0; y < 1024; y += 73)
        ASSERT_TRUE(std::equal(row.Row(0), row.Row(0) + 3 * 1024, photo.Row(y))) << "row " << y;
}

}  // namespace
}  // namespace pix
