#include "image/FormatTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "CodecTestHelpers.h"
#include "common/Prompter.h"
#include "image/BmpCodec.h"
#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(FormatTable, ChoosesByTheLastFourCharactersUpperCased)
{
    const std::pair<const char*, std::string_view> cases[] = {
        {"photo.JPEG", "jpeg"}, {"photo.jpeg", "jpeg"}, {"a.jPe", "jpeg"}, {"a.Dib", "bmp"},
        {".pxf", "pxf"},        {"scan.TIFF", "tiff"},  {"scan.jfif", "jpeg"},
        {"xjpeg", "jpeg"},  // the key needs no dot
        {"bmp", ""},            {"noext", ""},          {"a.pn", ""},       {"a.jpgx", ""},
    };
    for (auto [path, name] : cases) {
        const FormatRow* row = FormatForPath(path);
        EXPECT_EQ(row ? row->name : "", name) << path;
    }
    for (auto [ext, known] : {std::pair{"JPG", true}, {"Tiff", true}, {"pe", false}, {"jpgx", false}, {"", false}})
        EXPECT_EQ(IsPictureExtension(ext), known) << ext;
    // A file under a key no format has loads nothing, whatever it holds;
    // the old picture goes all the same. (Saving one: the failed writes.)
    test::TempDir dir;
    test::WriteAll(dir.File("y.tga"), {'B', 'M'});
    CImageBuffer buf = test::Gradient(2, 2);
    EXPECT_EQ(buf.Load(dir.File("y.tga")), LoadResult::UnknownType);
    EXPECT_TRUE(buf.IsEmpty());
}

// A format is one row: once registered, its extensions choose it, the open
// dialogs list it after the others and among all pictures, and the save
// dialogs list it only once it has a writer. Registering it again by its
// name keeps its place.
TEST(FormatTable, ARegisteredRowIsReadListedAndReplacedInPlace)
{
    test::TempDir dir;
    ASSERT_TRUE(test::Gradient(5, 3).Save(dir.File("a.bmp")).Ok());
    std::filesystem::copy_file(dir.File("a.bmp"), dir.File("a.XYZW"));
    FormatRow row{"xyz", "xyz;xyzw", "XYZ pictures (*.xyz)", "XYZ picture (*.xyz)", ReadBmp};
    RegisterFormat(row);
    CImageBuffer back;
    EXPECT_EQ(back.Load(dir.File("a.XYZW")), LoadResult::Loaded);
    EXPECT_EQ(back.Width(), 5u);
    EXPECT_EQ(back.Save(dir.File("b.xyz")).Why(), MsgId::NoValidFileType);
    const std::string open = OpenFilter();
    EXPECT_TRUE(open.ends_with("|XYZ pictures (*.xyz)|*.xyz;*.xyzw||")) << open;
    EXPECT_NE(open.find(";*.xyz;*.xyzw|Pixadrome contact sheets (*.pxc)|*.pxc|All files (*.*)|*.*|"), std::string::npos);
    EXPECT_TRUE(ImagesFilter().ends_with("|XYZ pictures (*.xyz)|*.xyz;*.xyzw||"));
    EXPECT_EQ(SaveImageFilter().find("xyz"), std::string::npos);

    row.write = WriteBmp;
    RegisterFormat(row);
    EXPECT_TRUE(SaveImageFilter().ends_with("|AVIF image (*.avif)|*.avif|XYZ picture (*.xyz)|*.xyz;*.xyzw||"))
        << SaveImageFilter();
    EXPECT_TRUE(back.Save(dir.File("b.xyz")).Ok());
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
            {"four-bit.DIB", test::Indexed(w, h, 16), true},
            {"true-colour.BMP", test::Gradient(w, h)},
            {"palette.png", test::Indexed(w, h, 5), true},
            {"true-colour.png", test::Gradient(w, h)},
            {"palette.gif", test::Indexed(w, h, 256)},
            {"photo.jpg", test::Gradient(w, h), false, false},
            {"true-colour.tif", test::Gradient(w, h)},
            {"palette.tif", test::Indexed(w, h, 7)},
            {"smooth.PXF", test::SmoothGradient(w, h)},
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
            const bool pxf = FormatForPath(path)->name == "pxf";
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
