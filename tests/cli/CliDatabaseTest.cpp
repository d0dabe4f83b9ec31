#include <gtest/gtest.h>

#include <filesystem>

#include "CliTestSupport.h"
#include "database/ContentKey.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using test::Call;
using test::Q;

TEST(CliDb, RegisterAttributesLocateAndCleanPersist)
{
    test::TempDir dir;
    std::filesystem::create_directory(dir.File("pics"));
    const std::string a = dir.File("pics/a.jpg");
    const std::string b = dir.File("pics/b.jpg");
    test::WriteAll(a, {'a'});
    test::WriteAll(b, {'b'});
    const QString db = Q(dir.File("t.db"));

    auto run = [&](QStringList args) {
        args.prepend(db);
        args.prepend(QStringLiteral("--db"));
        args.prepend(QStringLiteral("db"));
        return Call(CmdDb, args);
    };
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

    test::WriteAll(dir.File("bad.db"), {9, 9});
    r = Call(CmdDb, {"db", "--db", Q(dir.File("bad.db")), "dump"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Not a Pixadrome database!"), std::string::npos);
    EXPECT_EQ(Call(CmdDb, {"db", "dump"}).status, 2);
}

}  // namespace
}  // namespace pix
