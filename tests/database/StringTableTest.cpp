#include "database/StringTable.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pix {
namespace {

// Ids are dense, in order of first appearance, and every text stays as it
// was while the slots grow and the arena adds blocks, small and large.
TEST(StringTable, IdsAndTextsSurviveGrowth)
{
    std::vector<std::string> texts = {"",
                                      "abcdefgh",
                                      "abcdefghi",
                                      std::string("abcdefgh\0", 9),
                                      std::string("a\0", 2),
                                      "a",
                                      std::string(300000, 'y'),
                                      std::string(size_t{3} << 20, 'x')};
    for (int i = 0; i < 200000; ++i)
        texts.push_back("/pictures/" + std::to_string(i) + ".jpg");
    CStringTable table;
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(table.Intern(texts[i]), i) << texts[i];
    for (size_t i = 0; i < texts.size(); ++i) {
        ASSERT_EQ(table.Intern(texts[i]), i) << texts[i];
        ASSERT_EQ(table.Find(texts[i]), i) << texts[i];
        ASSERT_EQ(table.Text(static_cast<uint32_t>(i)), texts[i]);
    }
    EXPECT_EQ(table.Size(), texts.size());
    for (const std::string& absent : {std::string("a\0\0", 3), std::string("/pictures/200000.jpg"), std::string("b")})
        EXPECT_EQ(table.Find(absent), CStringTable::kNone);
}

}  // namespace
}  // namespace pix
