#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <tuple>

#include "CliTestSupport.h"
#include "database/ContentKey.h"
#include "image/CImageBuffer.h"
#include "sheets/CThumbnailSettings.h"
#include "sheets/ThumbnailSheet.h"

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
    CliRun run = Call(CmdCrc, {"crc", Q(dir.File("nine")), Q(dir.File("missing")), Q(dir.File("empty"))});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, ContentKey(dir.File("nine")) + "\t" + dir.File("nine") + "\n" + ContentKey(dir.File("empty")) +
                           "\t" + dir.File("empty") + "\n");
    EXPECT_NE(run.err.find("missing"), std::string::npos);
    EXPECT_EQ(Call(CmdCrc, {"crc", Q(dir.File("nine"))}).status, 0);
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
    // Red above blue, and the same turned a quarter: blue left of red.
    CImageBuffer upright = test::SolidPicture(16, 16, 200, 0, 0), turned = upright;
    for (uint32_t i = 0; i < 16; ++i)
        for (uint32_t j = 0; j < 8; ++j) {
            upright.SetPixel(i, j, 0, 0, 200);
            turned.SetPixel(j, i, 0, 0, 200);
        }
    const std::string halves = test::WritePicture(upright, elsewhere.File("halves.bmp"));
    const std::string halvesTurned = test::WritePicture(turned, elsewhere.File("turned.bmp"));

    // dupes prints one block per group, a file named first leading (tolerance
    // 0 puts everything with it); similar the matches of the reference.
    const struct {
        int (*cmd)(const QStringList&, CliStreams);
        QStringList args;
        std::string out;
        const char* err;
    } rows[] = {
        {CmdDupes, {"dupes", folder}, redA + "\n" + redB + "\n\n" + blueC + "\n" + blueD + "\n", ""},
        {CmdDupes, {"dupes", Q(green), folder, "--tolerance", "0"},
         green + "\n" + redA + "\n" + redB + "\n" + blueC + "\n" + blueD + "\n", ""},
        {CmdDupes, {"dupes", Q(redA), Q(green)}, "", "No matches found."},
        // Only groups a new picture leads: the red pair of the library stays out.
        {CmdDupes, {"dupes", "--new", Q(blueC), "--library", folder}, blueC + "\n" + blueD + "\n", ""},
        {CmdDupes, {"dupes", "--new", Q(green), "--new", Q(ref), folder}, ref + "\n" + blueC + "\n" + blueD + "\n", ""},
        {CmdDupes, {"dupes", "--new", Q(green), "--library", folder}, "", "No matches found."},
        {CmdDupes, {"dupes", Q(halves), Q(halvesTurned)}, "", "No matches found."},
        {CmdDupes, {"dupes", Q(halves), Q(halvesTurned), "--turned"}, halves + "\n" + halvesTurned + "\n", ""},
        {CmdSimilar, {"similar", Q(ref), folder}, blueC + "\n" + blueD + "\n", ""},
        {CmdSimilar, {"similar", Q(ref), Q(redA), Q(blueD), "--tolerance", "99"}, blueD + "\n", ""},
        {CmdSimilar, {"similar", Q(ref), Q(redA)}, "", "No similar image found."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args.join(' ').toStdString());
        const CliRun r = Call(row.cmd, row.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, row.out);
        EXPECT_NE(r.err.find(row.err), std::string::npos);
    }
}

TEST(CliSearch, AVerdictKeepsAPairApartAndJsonTellsTheCopyToKeep)
{
    test::TempDir dir;
    const std::string big = WriteFlat(dir, "big.bmp", 40, 30, 200, 0, 0);
    const std::string small = WriteFlat(dir, "small.png", 20, 15, 200, 0, 0);
    const std::string same = WriteFlat(dir, "same.bmp", 20, 15, 200, 0, 0);
    const QString db = Q(dir.File("db/my.db"));
    CliRun r = Call(CmdDupes, {"dupes", Q(small), Q(big), "--json", "--db", db});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonArray groups = QJsonDocument::fromJson(QByteArray::fromStdString(r.out))["groups"].toArray();
    ASSERT_EQ(groups.size(), 1);
    EXPECT_EQ(groups[0]["keeper"].toInt(), 1);
    const QJsonObject first = groups[0]["members"][0].toObject();
    EXPECT_EQ(first["path"].toString().toStdString(), small);
    EXPECT_EQ(first["width"].toInt(), 20);
    EXPECT_EQ(first["format"].toString(), "png");
    EXPECT_EQ(first["bytes"].toInteger(), static_cast<qint64>(std::filesystem::file_size(small)));

    ASSERT_EQ(Call(CmdVerdict, {"verdict", "not-duplicates", Q(big), Q(small), "--db", db}).status, 0);
    r = Call(CmdVerdict, {"verdict", "list", "--db", db});
    EXPECT_EQ(r.out, ContentKey(small) + "\t" + std::to_string(std::filesystem::file_size(small)) + "\t" +
                         ContentKey(big) + "\t" + std::to_string(std::filesystem::file_size(big)) + "\n");
    // The pair stays apart, also under another name; a third copy still joins.
    std::filesystem::rename(big, dir.File("renamed.bmp"));
    r = Call(CmdDupes, {"dupes", Q(small), Q(dir.File("renamed.bmp")), Q(same), "--db", db});
    EXPECT_EQ(r.out, small + "\n" + same + "\n");
    r = Call(CmdSimilar, {"similar", Q(small), Q(dir.File("renamed.bmp")), Q(same), "--db", db});
    EXPECT_EQ(r.out, same + "\n");
    EXPECT_EQ(Call(CmdVerdict, {"verdict", "not-duplicates", Q(big), Q(small), "--db", db}).status, 1);
    EXPECT_EQ(Call(CmdVerdict, {"verdict", "maybe", "--db", db}).status, 2);
}

TEST(CliSearch, TheSignatureCacheIsKeptBesideTheDatabaseOrInTheUserCacheFolder)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("pics"));
    const std::string a = WriteFlat(dir, "pics/a.bmp", 8, 8, 200, 0, 0);
    const std::string b = WriteFlat(dir, "pics/b.png", 9, 9, 200, 0, 0);
    const std::string user = qEnvironmentVariable("XDG_CACHE_HOME").toStdString() + "/pixadrome/pixadrome.sig";
    std::filesystem::remove(user);
    using Row = std::tuple<QStringList, std::string, bool>;  // arguments, cache file, written
    for (const auto& [args, cache, written] : {
             Row{{"dupes", "--no-cache"}, user, false},
             Row{{"dupes", "--db", Q(dir.File("db/my.db"))}, dir.File("db/pixadrome.sig"), true},
             Row{{"similar", Q(a), "--db", Q(a + "/my.db")}, a + "/pixadrome.sig", false},  // cannot be written
             Row{{"similar", Q(a)}, user, true},
         }) {
        const CliRun r = Call(args[0] == "dupes" ? CmdDupes : CmdSimilar, args + QStringList{Q(dir.File("pics"))});
        EXPECT_EQ(r.out, a + "\n" + b + "\n") << r.err;
        EXPECT_EQ(std::filesystem::exists(cache), written) << args.join(' ').toStdString();
    }
}

TEST(CliDb, RegisterAttributesLocateAndCleanPersist)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("pics"));
    const std::string a = dir.File("pics/a.jpg");
    const std::string b = dir.File("pics/b.jpg");
    test::WriteAll(a, {'a'});
    test::WriteAll(b, {'b'});
    const QString db = Q(dir.File("t.db"));

    auto run = [&](const QStringList& args) { return Call(CmdDb, QStringList{"db", "--db", db} + args); };
    auto r = run({"register", Q(dir.File("pics"))});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ContentKey(a) + "\t" + a + "\n" + ContentKey(b) + "\t" + b + "\n");
    EXPECT_EQ(run({"attr", "tick", Q(a), "Colour", "Red"}).status, 0);
    EXPECT_EQ(run({"attr", "find", "Colour", "Red"}).out, a + "\n");

    // Every change reached the file: a moved file is found by its content.
    const std::string moved = dir.File("pics/c.jpg");
    std::filesystem::rename(a, moved);
    EXPECT_EQ(run({"locate", Q(moved)}).out, "Scanned 1 files  Found 1 in database  Updated 1 paths\n");
    std::filesystem::remove(b);
    r = run({"clean"});
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "missing\t" + b);
    EXPECT_EQ(run({"dump"}).out,
              ContentKey(moved) + "\tAttributes\tColour\tRed\n" + ContentKey(moved) + "\tpath\t" + moved + "\n");
}

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

    std::filesystem::create_directory(dir.File("web"));
    r = sheet("web/index.html");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("web/p2.bmp_small.jpg")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("web/notes.txt_small.jpg")));
}

}  // namespace
}  // namespace pix
