#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"
#include "common/Prompter.h"
#include "image/CImageBuffer.h"
#include "sheets/CThumbnailSettings.h"
#include "sheets/ThumbnailSheet.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::Call;
using test::Q;

struct Photos {
    test::TempDir dir;
    Photos()
    {
        std::filesystem::create_directory(dir.File("in"));
        for (int i = 0; i < 3; ++i) {
            CImageBuffer buf;
            EXPECT_TRUE(buf.Create(60 + 10 * i, 40));
            test::RecordingPrompter prompter;
            buf.Save(dir.File("in/p" + std::to_string(i) + ".bmp"), prompter);
        }
        test::WriteAll(dir.File("in/notes.txt"), {'x'});
    }
};

TEST(CliSheet, SheetFilesPicturesAndWebPages)
{
    Photos photos;
    auto r = Call(CmdSheet, {"sheet", Q(photos.dir.File("in")), "-o", Q(photos.dir.File("s.pxc"))});
    ASSERT_EQ(r.status, 0) << r.err;
    ThumbnailSheet sheet;
    ASSERT_TRUE(sheet.Load(photos.dir.File("s.pxc")));
    ASSERT_EQ(sheet.Count(), 4u);
    EXPECT_EQ(sheet.Labels().at(0), "notes.txt");
    EXPECT_EQ(sheet.Files().at(1), photos.dir.File("in/p0.bmp"));
    EXPECT_EQ(sheet.Thumbnails().Cx(), 80u);

    // Two per page: two numbered page pictures of the asked size.
    CThumbnailSettings format;
    format.maxPerPage = 2;
    test::RecordingPrompter prompter;
    ASSERT_TRUE(format.SaveFormatFile(photos.dir.File("two.tfm"), prompter));
    r = Call(CmdSheet, {"sheet", Q(photos.dir.File("in")), "-o", Q(photos.dir.File("page.png")), "--format",
                        Q(photos.dir.File("two.tfm")), "--size", "320x200"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, photos.dir.File("page1.png") + "\n" + photos.dir.File("page2.png") + "\n");
    CImageBuffer page;
    page.Load(photos.dir.File("page2.png"));
    EXPECT_EQ(page.Width(), 320u);

    r = Call(CmdSheet, {"sheet", Q(photos.dir.File("in")), "-o", Q(photos.dir.File("web/index.html"))});
    EXPECT_EQ(r.status, 1);  // the folder does not exist: nothing written
    std::filesystem::create_directory(photos.dir.File("web"));
    r = Call(CmdSheet, {"sheet", Q(photos.dir.File("in")), "-o", Q(photos.dir.File("web/index.html"))});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(photos.dir.File("web/p2.bmp_small.jpg")));
    EXPECT_FALSE(std::filesystem::exists(photos.dir.File("web/notes.txt_small.jpg")));

    EXPECT_EQ(Call(CmdSheet, {"sheet", Q(photos.dir.File("in"))}).status, 2);
    EXPECT_EQ(Call(CmdSheet, {"sheet", Q(photos.dir.File("in")), "-o", "x.pxc", "--size", "0x5"}).status, 2);
    test::WriteAll(photos.dir.File("bad.tfm"), {1, 2, 3});
    r = Call(CmdSheet, {"sheet", Q(photos.dir.File("in")), "-o", Q(photos.dir.File("t.pxc")), "--format",
                        Q(photos.dir.File("bad.tfm"))});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(photos.dir.File("t.pxc")));
}

}  // namespace
}  // namespace pix
