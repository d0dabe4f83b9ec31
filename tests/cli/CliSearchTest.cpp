#include <gtest/gtest.h>

#include "CliTestSupport.h"

namespace pix {
namespace {

using test::Call;
using test::CliRun;
using test::Q;

std::string WriteFlat(const test::TempDir& dir, const char* name, uint32_t w, uint32_t h, uint8_t r, uint8_t g, uint8_t b)
{
    return test::WriteSolidPicture(dir.File(name), w, h, r, g, b);
}

TEST(CliSearch, CrcPrintsKeyAndPathAndFailsOnUnreadableFiles)
{
    test::TempDir dir;
    test::WriteAll(dir.File("nine"), {'1', '2', '3', '4', '5', '6', '7', '8', '9'});
    test::WriteAll(dir.File("empty"), {});
    CliRun ok = Call(CmdCrc, {"crc", Q(dir.File("nine")), Q(dir.File("empty"))});
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(ok.out, "181989fc\t" + dir.File("nine") + "\n00000000\t" + dir.File("empty") + "\n");

    CliRun bad = Call(CmdCrc, {"crc", Q(dir.File("missing")), Q(dir.File("nine"))});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.out, "181989fc\t" + dir.File("nine") + "\n");
    EXPECT_NE(bad.err.find("missing"), std::string::npos);
    EXPECT_EQ(Call(CmdCrc, {"crc"}).status, 2);
}

TEST(CliSearch, SignaturePrintsTheBytesInHex)
{
    test::TempDir dir;
    const std::string flat = WriteFlat(dir, "flat.bmp", 20, 12, 200, 30, 7);
    CliRun r = Call(CmdSignature, {"signature", Q(flat)});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string expected;
    for (int k = 0; k < 64; ++k)
        expected += "c81e07";
    EXPECT_EQ(r.out, expected + "\n");
    EXPECT_EQ(Call(CmdSignature, {"signature", Q(flat), "--load-size", "32"}).out, r.out);

    test::WriteAll(dir.File("junk.png"), {'x'});
    EXPECT_EQ(Call(CmdSignature, {"signature", Q(dir.File("junk.png"))}).status, 1);
    EXPECT_EQ(Call(CmdSignature, {"signature", Q(flat), "--load-size", "big"}).status, 2);
    EXPECT_EQ(Call(CmdSignature, {"signature"}).status, 2);
}

TEST(CliSearch, DupesAndSimilarPrintTheMatchesWithFoldersSortedByName)
{
    test::TempDir dir;
    const std::string redB = WriteFlat(dir, "b_red.bmp", 30, 20, 200, 0, 0);
    const std::string blueD = WriteFlat(dir, "d_blue.bmp", 9, 9, 0, 0, 200);
    const std::string redA = WriteFlat(dir, "a_red.png", 16, 16, 200, 0, 0);
    const std::string blueC = WriteFlat(dir, "c_blue.bmp", 40, 8, 0, 0, 200);
    test::WriteAll(dir.File("notes.txt"), {'h', 'i'});
    test::TempDir elsewhere;
    const std::string green = WriteFlat(elsewhere, "green.bmp", 8, 8, 0, 200, 0);
    const std::string ref = WriteFlat(elsewhere, "ref.bmp", 64, 48, 0, 0, 200);
    const QString folder = Q(dir.Path().string());

    // dupes: one block per group.
    CliRun r = Call(CmdDupes, {"dupes", folder});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, redA + "\n" + redB + "\n\n" + blueC + "\n" + blueD + "\n");
    // A file named first leads; tolerance 0 puts everything with it.
    CliRun all = Call(CmdDupes, {"dupes", Q(green), folder, "--tolerance", "0"});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out, green + "\n" + redA + "\n" + redB + "\n" + blueC + "\n" + blueD + "\n");
    CliRun none = Call(CmdDupes, {"dupes", Q(redA), Q(green)});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_NE(none.err.find("No matches found."), std::string::npos);
    EXPECT_EQ(Call(CmdDupes, {"dupes", Q(redA), "--tolerance", "101"}).status, 2);
    EXPECT_EQ(Call(CmdDupes, {"dupes", Q(redA), "--window-limit", "-1"}).status, 2);
    EXPECT_EQ(Call(CmdDupes, {"dupes"}).status, 2);

    // similar: the matches of the reference.
    CliRun two = Call(CmdSimilar, {"similar", Q(ref), folder});
    ASSERT_EQ(two.status, 0) << two.err;
    EXPECT_EQ(two.out, blueC + "\n" + blueD + "\n");
    EXPECT_EQ(Call(CmdSimilar, {"similar", Q(ref), Q(redA), Q(blueD), "--tolerance", "99"}).out, blueD + "\n");
    CliRun unlike = Call(CmdSimilar, {"similar", Q(ref), Q(redA)});
    EXPECT_EQ(unlike.status, 0);
    EXPECT_EQ(unlike.out, "");
    EXPECT_NE(unlike.err.find("No similar image found."), std::string::npos);
    EXPECT_EQ(Call(CmdSimilar, {"similar", Q(dir.File("missing.bmp")), Q(redA)}).status, 1);
    EXPECT_EQ(Call(CmdSimilar, {"similar", Q(ref)}).status, 2);
}

}  // namespace
}  // namespace pix
