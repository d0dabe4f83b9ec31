#include <gtest/gtest.h>

#include "common/Archive.h"

#include <algorithm>

namespace pix {
namespace {

TEST(Archive, StringLengthPrefixesAndCountsRoundTrip)
{
    struct Case {
        size_t length;
        std::vector<uint8_t> prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {300, {0xFF, 0x2C, 0x01}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
    };
    for (const auto& c : cases) {
        ArchiveWriter w;
        const std::string text(c.length, 'x');
        w.String(text);
        ASSERT_EQ(w.Bytes().size(), c.prefix.size() + c.length);
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), w.Bytes().begin())) << c.length;
        ArchiveReader r(w.Bytes());
        std::string back;
        ASSERT_TRUE(r.String(back));
        EXPECT_EQ(back, text);
        EXPECT_TRUE(r.AtEnd());
    }

    ArchiveWriter counts;
    counts.Count(0xFFFE);
    counts.Count(0xFFFF);
    EXPECT_EQ(counts.Bytes(), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}));
    ArchiveReader r(counts.Bytes());
    EXPECT_EQ(r.Count(), 0xFFFEu);
    EXPECT_EQ(r.Count(), 0xFFFFu);
    EXPECT_FALSE(r.Failed());
}

TEST(Archive, SixteenBitStringsAreConvertedToUtf8)
{
    // 0xFF 0xFFFE marks 16-bit text; "é€" and a surrogate pair (U+1F600).
    const std::vector<uint8_t> bytes{0xFF, 0xFE, 0xFF, 0x04, 0xE9, 0x00, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE};
    ArchiveReader r(bytes);
    std::string text;
    ASSERT_TRUE(r.String(text));
    EXPECT_EQ(text, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");
}

TEST(Archive, DamagedInputFailsWithoutAllocatingFromItsCounts)
{
    // A string claiming 4 GB, a list claiming 2^32-1 strings, a cut string.
    const std::vector<std::vector<uint8_t>> damaged{
        {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a'},
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0},
        {0x05, 'a', 'b'},
        {0xFF},
    };
    for (const auto& bytes : damaged) {
        ArchiveReader r(bytes);
        std::string text;
        EXPECT_FALSE(r.String(text));
        EXPECT_TRUE(r.Failed());
    }
    const std::vector<uint8_t> list{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    ArchiveReader r(list);
    std::vector<std::string> strings;
    EXPECT_FALSE(r.StringList(strings));
}

TEST(Archive, ObjectTagsAcceptOneClassIntroducedOnce)
{
    ArchiveWriter w;
    w.NewClassTag(1, "CStrList");
    w.ClassReferenceTag(1);
    w.U16(0x7FFF);
    w.U32(0x80000001u);
    ArchiveReader r(w.Bytes());
    int seen = 0;
    EXPECT_TRUE(r.ObjectTag("CStrList", 1, seen));
    EXPECT_TRUE(r.ObjectTag("CStrList", 1, seen));
    EXPECT_TRUE(r.ObjectTag("CStrList", 1, seen));
    EXPECT_EQ(seen, 1);

    // Another name or schema, a reference before the class was introduced,
    // a null object, a back reference and an unknown class.
    using Write = void (*)(ArchiveWriter&);
    const std::pair<Write, int> bad[] = {
        {[](ArchiveWriter& b) { b.NewClassTag(1, "CObList"); }, 0},
        {[](ArchiveWriter& b) { b.NewClassTag(2, "CStrList"); }, 0},
        {[](ArchiveWriter& b) { b.ClassReferenceTag(1); }, 0},
        {[](ArchiveWriter& b) { b.U16(0); }, 1},
        {[](ArchiveWriter& b) { b.U16(2); }, 1},
        {[](ArchiveWriter& b) { b.ClassReferenceTag(2); }, 1},
    };
    for (size_t i = 0; i < std::size(bad); ++i) {
        ArchiveWriter b;
        bad[i].first(b);
        ArchiveReader reader(b.Bytes());
        int s = bad[i].second;
        EXPECT_FALSE(reader.ObjectTag("CStrList", 1, s)) << i;
        EXPECT_TRUE(reader.Failed()) << i;
    }
}

}  // namespace
}  // namespace pix
