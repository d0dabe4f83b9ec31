#include "image/FormatTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

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
    EXPECT_EQ(FormatForPath("scan.tiff"), std::nullopt);
    EXPECT_EQ(FormatForPath("scan.jfif"), std::nullopt);
    EXPECT_EQ(FormatForPath("bmp"), std::nullopt);
    EXPECT_EQ(FormatForPath("noext"), std::nullopt);
    EXPECT_EQ(FormatForPath("xjpeg"), ImageFormat::Jpeg);  // the key needs no dot
}

// Every extension in the extension list and in every filter string is a
// key of the table, and every key appears in the extension list.
TEST(FormatTable, ExtensionListAndFiltersMatchTheTable)
{
    std::set<std::string> listed;
    std::string ext;
    for (char c : std::string(kExtensionList) + ".") {
        if (c == '.') {
            listed.insert(ext);
            ext.clear();
        } else {
            ext += c;
        }
    }
    for (const FormatKey& k : FormatKeys()) {
        std::string lower;
        for (char c : k.key)
            if (c != '.')
                lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(listed.count(lower)) << k.key;
    }
    for (const std::string& e : listed)
        EXPECT_TRUE(FormatForPath("x." + e).has_value()) << e;

    for (std::string_view filter : {kOpenFilter, kImagesFilter, kSaveSheetFilter, kSaveImageFilter}) {
        ASSERT_TRUE(filter.ends_with("||"));
        size_t pos = 0;
        while ((pos = filter.find("*.", pos)) != std::string_view::npos) {
            size_t end = filter.find_first_of(";|,) ", pos);
            std::string pattern(filter.substr(pos + 1, end - pos - 1));
            pos = end;
            if (pattern == ".*" || pattern == ".pxc" || pattern == ".html" || pattern == ".htm")
                continue;
            EXPECT_TRUE(FormatForPath("x" + pattern).has_value()) << pattern;
        }
    }
    EXPECT_EQ(kOpenFilter.substr(0, kOpenFilter.find('|', 17)).find("pxf"), std::string_view::npos);
}

TEST(FormatTable, UnknownKeysAndUnregisteredCodecsLeaveBufferAndDiskAlone)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer buf;
    ASSERT_TRUE(buf.Create(2, 2));
    buf.Save(dir.File("x.tiff"), prompter);
    buf.Save(dir.File("x"), prompter);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_TRUE(prompter.texts.empty());

    test::WriteAll(dir.File("y.tiff"), {'B', 'M'});
    buf.Load(dir.File("y.tiff"));
    EXPECT_TRUE(buf.IsEmpty());
}

}  // namespace
}  // namespace pix
