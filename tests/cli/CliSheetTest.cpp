#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"
#include "sheets/CThumbnailSettings.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {
namespace {

using test::Call;
using test::Q;

TEST(CliSheet, SheetFilesPicturesAndWebPages)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("in"));
    for (uint32_t i = 0; i < 3; ++i)
        test::WriteSolidPicture(dir.File("in/p" + std::to_string(i) + ".bmp"), 60 + 10 * i, 40, 0, 0, 0);
    test::WriteAll(dir.File("in/notes.txt"), {'x'});
    const QString in = Q(dir.File("in"));
    auto sheet = [&](const char* out, QStringList options = {}) {
        return Call(CmdSheet, QStringList{"sheet", in, "-o", Q(dir.File(out))} + options);
    };

    auto r = sheet("s.pxc");
    ASSERT_EQ(r.status, 0) << r.err;
    ThumbnailSheet made;
    ASSERT_TRUE(made.Load(dir.File("s.pxc")));
    ASSERT_EQ(made.Count(), 4u);
    EXPECT_EQ(made.Labels().at(0), "notes.txt");
    EXPECT_EQ(made.Files().at(1), dir.File("in/p0.bmp"));
    EXPECT_EQ(made.Thumbnails().Cx(), 80u);

    // Two per page: two numbered page pictures of the asked size.
    CThumbnailSettings format;
    format.maxPerPage = 2;
    test::RecordingPrompter prompter;
    ASSERT_TRUE(format.SaveFormatFile(dir.File("two.tfm"), prompter));
    r = sheet("page.png", {"--format", Q(dir.File("two.tfm")), "--size", "320x200"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, dir.File("page1.png") + "\n" + dir.File("page2.png") + "\n");
    EXPECT_EQ(test::Loaded(dir.File("page2.png")).Width(), 320u);

    EXPECT_EQ(sheet("web/index.html").status, 1);  // the folder does not exist: nothing written
    std::filesystem::create_directory(dir.File("web"));
    r = sheet("web/index.html");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("web/p2.bmp_small.jpg")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("web/notes.txt_small.jpg")));

    EXPECT_EQ(Call(CmdSheet, {"sheet", in}).status, 2);
    EXPECT_EQ(sheet("x.pxc", {"--size", "0x5"}).status, 2);
    test::WriteAll(dir.File("bad.tfm"), {1, 2, 3});
    EXPECT_EQ(sheet("t.pxc", {"--format", Q(dir.File("bad.tfm"))}).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.File("t.pxc")));
}

}  // namespace
}  // namespace pix
