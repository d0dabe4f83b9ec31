#include "image/FormatTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>

#include "CodecTestHelpers.h"
#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(FormatTable, ChoosesByTheLastFourCharactersUpperCased)
{
    EXPECT_EQ(FormatForPath("photo.JPEG"), ImageFormat::Jpeg);
    EXPECT_EQ(FormatForPath("photo.jpeg"), ImageFormat::Jpeg);
    EXPECT_EQ(FormatForPath("a.jPe"), ImageFormat::Jpeg);
    EXPECT_EQ(FormatForPath("a.Dib"), ImageFormat::Bmp);
    EXPECT_EQ(FormatForPath(".pxf"), ImageFormat::Pxf);
    EXPECT_EQ(FormatForPath("scan.TIFF"), ImageFormat::Tiff);
    EXPECT_EQ(FormatForPath("scan.jfif"), ImageFormat::Jpeg);
    EXPECT_EQ(FormatForPath("bmp"), std::nullopt);
    EXPECT_EQ(FormatForPath("noext"), std::nullopt);
    EXPECT_EQ(FormatForPath("xjpeg"), ImageFormat::Jpeg);  // the key needs no dot
    // A file under a key no format has loads nothing, whatever it holds;
    // the old picture goes all the same. (Saving one: the failed writes.)
    test::TempDir dir;
    test::WriteAll(dir.File("y.tga"), {'B', 'M'});
    CImageBuffer buf = test::Gradient(2, 2);
    buf.Load(dir.File("y.tga"));
    EXPECT_TRUE(buf.IsEmpty());
}

// Every extension in the extension list and in every filter string is a
// key of the table, and every key appears in the extension list.
TEST(FormatTable, ExtensionListAndFiltersMatchTheTable)
{
    const std::string list = "." + std::string(kExtensionList) + ".";
    for (const FormatKey& k : FormatKeys()) {
        std::string ext = "." + std::string(k.key.substr(k.key[0] == '.' ? 1 : 0)) + ".";
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        EXPECT_NE(list.find(ext), std::string::npos) << k.key;
    }
    for (size_t at = 0; at + 1 < list.size(); at = list.find('.', at + 1))
        EXPECT_TRUE(FormatForPath("x" + list.substr(at, list.find('.', at + 1) - at)).has_value()) << at;
    for (std::string_view filter : {kOpenFilter, kImagesFilter, kSaveSheetFilter, kSaveImageFilter}) {
        ASSERT_TRUE(filter.ends_with("||"));
        for (size_t pos = filter.find("*."); pos != std::string_view::npos; pos = filter.find("*.", pos + 1)) {
            const std::string pattern(filter.substr(pos + 1, filter.find_first_of(";|,) ", pos) - pos - 1));
            const bool other = pattern == ".*" || pattern == ".pxc" || pattern == ".html" || pattern == ".htm";
            EXPECT_TRUE(other || FormatForPath("x" + pattern).has_value()) << pattern;
        }
    }
    // The first filter of the open dialog lists every key of the table.
    const std::string images = std::string(kOpenFilter.substr(0, kOpenFilter.find('|', 17))) + ";";
    for (size_t at = 0; at + 1 < list.size(); at = list.find('.', at + 1)) {
        const std::string ext = list.substr(at + 1, list.find('.', at + 1) - at - 1);
        EXPECT_NE(images.find("*." + ext + ";"), std::string::npos) << ext;
    }
}

// What every writer writes loads back at its size, lossless formats to the
// same pixels and with the index plane where the format keeps one, and the
// size query (all formats have one but PXF) answers the size from the
// headers.
TEST(FormatTable, WrittenFilesLoadBackAndTheQueryAnswersTheirSize)
{
    test::TempDir dir;
    for (auto [w, h] : {std::pair<uint32_t, uint32_t>{37, 23}, {1, 300}, {300, 1}}) {
        struct Case {
            const char* name;
            CImageBuffer picture;
            bool keepsPlane = false;
            bool exact = true;
        } cases[] = {
            {"one-bit.bmp", test::Indexed(w, h, 2), true},
            {"four-bit.DIB", test::Indexed(w, h, 16), true},
            {"eight-bit.bmp", test::Indexed(w, h, 200), true},
            {"true-colour.BMP", test::Gradient(w, h)},
            {"palette.png", test::Indexed(w, h, 5), true},
            {"true-colour.png", test::Gradient(w, h)},
            {"palette.gif", test::Indexed(w, h, 256)},
            {"photo.jpg", test::Gradient(w, h), false, false},
            {"true-colour.tif", test::Gradient(w, h)},
            {"true-colour.tiff", test::Gradient(w, h)},
            {"photo.JFIF", test::Gradient(w, h), false, false},
            {"palette.tif", test::Indexed(w, h, 7)},
            {"smooth.PXF", test::SmoothGradient(w, h)},
            {"palette.pxf", test::Indexed(w, h, 4)},
        };
        for (Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.name << " " << w << "x" << h);
            const std::string path = dir.File(c.name);
            ASSERT_TRUE(c.picture.Save(path).Ok());
            CImageBuffer back;
            back.Load(path);
            ASSERT_EQ(back.Width(), w);
            ASSERT_EQ(back.Height(), h);
            EXPECT_TRUE(!c.exact || test::SamePixels(back, c.picture));
            EXPECT_EQ(back.IndexPlane(), c.keepsPlane ? c.picture.IndexPlane() : std::vector<uint8_t>{});
            EXPECT_EQ(back.ColorCount(), c.keepsPlane ? c.picture.ColorCount() : 0);
            uint32_t qw = 0, qh = 0;
            const bool pxf = FormatForPath(path) == ImageFormat::Pxf;
            EXPECT_EQ(QueryImageSize(path, qw, qh), !pxf);
            EXPECT_TRUE(pxf || (qw == w && qh == h)) << qw << "x" << qh;
        }
    }
}

// A writer that cannot write (no such folder, the disk fills up part way,
// a picture the format cannot hold) leaves an old file of the name as it
// was and no temporary file, and says why; a name no format has writes
// nothing.
TEST(FormatTable, FailedWritesKeepTheOldFile)
{
    const CImageBuffer noise = test::Noise(300, 300, 1);
    struct Case {
        const char* name;
        CImageBuffer picture;
        std::vector<MsgId> ids;  // no folder, then the full disk
    } cases[] = {
        {"a.png", noise, {MsgId::ImageWriteFailed, MsgId::ImageWriteFailed}},
        {"a.tif", noise, {MsgId::ImageWriteFailed, MsgId::ImageWriteFailed}},
        {"a.jpg", noise, {MsgId::JpegWriteError, MsgId::JpegWriteError}},
        {"a.pxf", noise, {MsgId::PxfWriteFailed, MsgId::PxfWriteFailed}},
        {"a.bmp", noise, {MsgId::BmpCantOpenForWriting, MsgId::BmpWriteError}},
        {"b.bmp", test::Indexed(300, 300, 2), {MsgId::BmpPaletteCantOpen, MsgId::BmpSizeMismatch}},
        {"a.gif", test::Indexed(300, 300, 256), {MsgId::GifCantOpenForWriting, MsgId::GifWriteError}},
        // This layer's GIF writer cannot reduce colours.
        {"b.gif", noise, {MsgId::GifNeeds256Colors, MsgId::GifNeeds256Colors}},
        {"c.gif", test::Indexed(70000, 1, 2), {MsgId::GifTooLarge, MsgId::GifTooLarge}},
        {"a.tga", noise, {MsgId::NoValidFileType, MsgId::NoValidFileType}},
        {"noext", noise, {MsgId::NoValidFileType, MsgId::NoValidFileType}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string path = dir.File(c.name);
        test::WriteAll(path, {'o', 'l', 'd'});
        std::vector<MsgId> ids;
        const Outcome noFolder = c.picture.Save(dir.File(std::string("missing/") + c.name));
        ASSERT_FALSE(noFolder.Ok());
        ids.push_back(noFolder.Why());
        {
            test::FileSizeLimit limit(2048);
            const Outcome fullDisk = c.picture.Save(path);
            ASSERT_FALSE(fullDisk.Ok());
            ids.push_back(fullDisk.Why());
        }
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(test::ReadAll(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary file
    }
}

}  // namespace
}  // namespace pix
