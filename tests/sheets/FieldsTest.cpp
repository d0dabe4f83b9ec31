#include <gtest/gtest.h>

#include "database/ContentKey.h"
#include "sheets/Fields.h"
#include "sheets/SheetTestSupport.h"
#include "support/ImageTestSupport.h"
#include "support/PhotoExif.h"

namespace pix {
namespace {

using test::SheetOf;

TEST(Fields, ReplacementIgnoresCaseAndDoesNotRescanInsertedText)
{
    std::string text = "[FileName] and [filename] and [FILENAME";
    ReplaceField(text, "[FileName]", "[FileName]x");
    EXPECT_EQ(text, "[FileName]x and [FileName]x and [FILENAME");

    EXPECT_EQ(ShortFileSize(1000), "1000 Byte");
    EXPECT_EQ(ShortFileSize(5000), "4.8 KB");
    EXPECT_EQ(ShortFileSize(10240), "10 KB");
    EXPECT_EQ(ShortFileSize(1572864), "1.5 MB");
    EXPECT_EQ(ShortFileSize(10 * 1048576 - 1), "9.9 MB");
    EXPECT_EQ(ShortFileSize(5ull << 40), "5242880.0 MB");  // no overflow in s × 10 + 5
}

TEST(Fields, ItemFieldsInTheirOrder)
{
    ThumbnailSheet sheet = SheetOf({"C:\\p\\x.jpg", "C:\\p\\y.jpg", "C:\\p\\a.b.jpg"}, "[ItemNo]: [FILENAME]");
    EXPECT_EQ(ExpandLabelFields(sheet, 2), "3: a.b.jpg");
    sheet.Settings().label = "[FileTitle]|[FilePath]|[Label]";
    sheet.SetLabel(2, "mine");
    EXPECT_EQ(ExpandLabelFields(sheet, 2), "a|C:\\p\\a.b.jpg|mine");
    sheet.Settings().label = "[FileTitle]";
    EXPECT_EQ(ExpandLabelFields(SheetOf({"/p/.hidden"}, "[FileTitle]"), 0), ".hidden");

    // A name holding a field is put in once; later fields still apply to it.
    ThumbnailSheet odd = SheetOf({"/p/[FileName][ItemNo].jpg"}, "[FileName]");
    EXPECT_EQ(ExpandLabelFields(odd, 0), "[FileName]1.jpg");

    // Status fields of a missing file, and sizes of a format without a size query.
    ThumbnailSheet missing = SheetOf({"/nowhere/gone.pxf"}, "[FileSize] [ShortFileSize] [CRC32] [Width]x[Height]");
    EXPECT_EQ(ExpandLabelFields(missing, 0), "? ? ? ?x?");

    test::TempDir dir;
    test::WriteSolidPicture(dir.File("wide.bmp"), 40, 20, 1, 2, 3);
    EXPECT_EQ(ExpandLabelFields(SheetOf({dir.File("wide.bmp")}, "[Width]x[HEIGHT]"), 0), "40x20");
    test::WriteAll(dir.File("nine.pxf"), {'1', '2', '3', '4', '5', '6', '7', '8', '9'});
    ThumbnailSheet nine = SheetOf({dir.File("nine.pxf")}, "[FileSize]/[ShortFileSize]/[CRC32]/[FileModified]");
    const std::string text = ExpandLabelFields(nine, 0);
    EXPECT_EQ(text.substr(0, text.rfind('/')), "9/9 Byte/181989FC");
    EXPECT_GT(text.size() - text.rfind('/'), 5u);  // some date and time
}

TEST(Fields, PhotoFieldsTellHowThePhotoWasTaken)
{
    test::TempDir dir;
    const std::string photo = dir.File("photo.jpg");
    const std::string plain = dir.File("plain.jpg");
    test::WriteSolidPicture(photo, 8, 8, 1, 2, 3);
    test::WriteSolidPicture(plain, 8, 8, 1, 2, 3);
    ASSERT_TRUE(test::WriteExif(photo, {{"Exif.Image.Make", "Canon"},
                                        {"Exif.Image.Model", "Canon EOS 5D"},
                                        {"Exif.Photo.LensModel", "EF35mm f/2"},
                                        {"Exif.Photo.ExposureTime", "1/125"},
                                        {"Exif.Photo.FNumber", "28/10"},
                                        {"Exif.Photo.ISOSpeedRatings", "200"},
                                        {"Exif.Photo.FocalLength", "35/1"},
                                        {"Exif.Photo.DateTimeOriginal", "2021:06:05 14:30:00"}}));
    const char* fields = "[Camera]|[Lens]|[Exposure]|[Aperture]|[ISO]|[FocalLength]|[DateTaken]";
    const std::string text = ExpandLabelFields(SheetOf({photo}, fields), 0);
    EXPECT_EQ(text.substr(0, text.rfind('|')), "Canon EOS 5D|EF35mm f/2|1/125 s|f/2.8|200|35 mm");
    EXPECT_NE(text.find("2021"), std::string::npos) << text;
    EXPECT_EQ(ExpandLabelFields(SheetOf({plain}, fields), 0), "||||||");
}

TEST(Fields, PageFields)
{
    PageFieldValues v{2, 6, 14, "holiday.pxc"};
    EXPECT_EQ(ExpandPageFields("[PageNo]/[PagesTotal] [FileTitle] [ItemsTotal] [FirstItemNo]-[LastItemNo]", v),
              "2/3 holiday 14 7-12");
    v.page = 3;
    EXPECT_EQ(ExpandPageFields("[lastitemno]", v), "14");
    EXPECT_EQ(ExpandPageFields("[PagesTotal] [LastItemNo]", {1, 0, 5, ""}), "1 5");
    EXPECT_EQ(HtmlLineBreaks("a\r\nb\nc"), "a<BR>\nb<BR>\nc");
}

}  // namespace
}  // namespace pix
