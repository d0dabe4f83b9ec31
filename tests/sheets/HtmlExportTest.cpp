#include <gtest/gtest.h>

#include <filesystem>

#include "image/CImageBuffer.h"
#include "sheets/HtmlExport.h"
#include "sheets/ThumbnailSheet.h"
#include "sheets/SheetTestSupport.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

using test::SheetOf;

void WriteGrey(const std::string& path, uint32_t w, uint32_t h) { test::WriteSolidPicture(path, w, h, 0, 0, 0); }

std::string Text(const std::string& path)
{
    const auto bytes = test::ReadAll(path);
    return {bytes.begin(), bytes.end()};
}

TEST(HtmlExport, RelativeLinks)
{
    EXPECT_EQ(MakeRelativeUrl("C:\\web\\a\\", "C:\\web\\b\\x.jpg"), "../b/x.jpg");
    EXPECT_EQ(MakeRelativeUrl("C:\\web\\a\\", "C:\\web\\a\\x.jpg"), "x.jpg");
    EXPECT_EQ(MakeRelativeUrl("C:\\web\\a\\", "D:\\x.jpg"), "file:///D|/x.jpg");
    EXPECT_EQ(MakeRelativeUrl("C:\\web\\a\\", "C:\\web\\ab\\x.jpg"), "../ab/x.jpg");
    EXPECT_EQ(MakeRelativeUrl("/srv/web/a/", "/srv/pics/2024/x.jpg"), "../../pics/2024/x.jpg");
    EXPECT_EQ(MakeRelativeUrl("/srv/web/a", "/srv/web/a/t/x.jpg"), "t/x.jpg");
    EXPECT_EQ(MakeRelativeUrl("C:\\web\\", "/srv/x.jpg"), "/srv/x.jpg");  // no drive: its folder
    EXPECT_EQ(NumberedPagePath("C:\\out\\sheet.html", 2), "C:\\out\\sheet2.html");
}

TEST(HtmlExport, OnePageMarkupAndItsPicture)
{
    test::TempDir dir;
    std::filesystem::create_directories(dir.File("pics"));
    std::filesystem::create_directories(dir.File("thumbs"));
    WriteGrey(dir.File("pics/photo.bmp"), 40, 20);
    const ThumbnailSheet sheet = SheetOf({dir.File("pics/photo.bmp")});
    HtmlPage page;
    page.width = 100;
    page.height = 80;
    page.pagePath = dir.File("page.html");
    page.thumbnailFolder = dir.File("thumbs/");
    page.suffix = "_small.jpg";
    test::RecordingProgress progress;
    const auto written = ExportHtml(sheet, "sheet.pxc", page.pagePath, page, progress);
    ASSERT_EQ(written, std::vector<std::string>{page.pagePath});
    // Cells of 81 pixels, spacing 2 × 3, shadow 75 / 16 = 4 pixels wide.
    const std::string expected =
        "<HTML>\r\n<HEAD>\r\n<TITLE>sheet</TITLE>\r\n<META NAME=\"GENERATOR\" CONTENT=\"Pixadrome\">\r\n"
        "</HEAD>\r\n<BODY BGCOLOR=\"#008060\">\r\n<CENTER><H1><FONT COLOR=\"#008080\">\r\nTitle goes here\r\n"
        "</FONT></H1></CENTER>\r\n<TABLE ALIGN=CENTER CELLSPACING=\"0\" CELLPADDING=\"4%\">\r\n<TR>\r\n"
        "<TD VALIGN=CENTER HALIGN=CENTER>\r\n<CENTER><A href=\"pics/photo.bmp\"><IMG "
        "SRC=\"thumbs/photo.bmp_small.jpg\" WIDTH=\"44\" HEIGHT=\"24\" BORDER=\"0\" ALT=\"photo\"></A><BR>\r\n"
        "photo.bmp</CENTER>\r\n</TD>\r\n</TR>\r\n</TABLE>\r\n<CENTER><H2><FONT COLOR=\"#00FFFF\">\r\n"
        "Footer goes here\r\n</FONT></H2></CENTER>\r\n</BODY>\r\n</HTML>";
    EXPECT_EQ(Text(page.pagePath), expected);
    EXPECT_EQ(progress.texts, std::vector<std::string>{"Processing photo.bmp"});
    CImageBuffer thumb;
    thumb.Load(dir.File("thumbs/photo.bmp_small.jpg"));
    EXPECT_EQ(thumb.Width(), 44u);
    EXPECT_EQ(thumb.Height(), 24u);
}

TEST(HtmlExport, PagesOfFourWithoutTitleAndUnreadableFiles)
{
    test::TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(dir.File("f" + std::to_string(i) + ".txt"));
        test::WriteAll(files.back(), {'x'});
    }
    ThumbnailSheet sheet = SheetOf(files);
    sheet.Settings().title.clear();
    sheet.Settings().footer.clear();
    sheet.Settings().label.clear();
    HtmlPage layout;
    layout.itemsPerPage = 4;
    layout.thumbnailFolder = dir.File("");
    layout.suffix = "_small.jpg";
    test::RecordingProgress progress;
    const auto written = ExportHtml(sheet, "Contact Sheet1", dir.File("sheet.html"), layout, progress);
    EXPECT_EQ(written, (std::vector<std::string>{dir.File("sheet1.html"), dir.File("sheet2.html"),
                                                 dir.File("sheet3.html")}));
    const std::string last = Text(dir.File("sheet3.html"));
    EXPECT_NE(last.find("<TITLE>Thumbnails</TITLE>"), std::string::npos);
    EXPECT_EQ(last.find("<H1>"), std::string::npos);
    EXPECT_NE(last.find("<CENTER><A href=\"f9.txt\">f9.txt</A><BR>\r\n</TD>"), std::string::npos);
    EXPECT_EQ(last.find("f7.txt"), std::string::npos);
    EXPECT_EQ(progress.texts.size(), 10u);
}

}  // namespace
}  // namespace pix
