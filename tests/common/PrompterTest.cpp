#include "common/Prompter.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(FormatMessage, FillsDirectivesInOrder)
{
    EXPECT_EQ(FormatMessage("Matches %d-%d", {3LL, 17LL}), "Matches 3-17");
    EXPECT_EQ(FormatMessage("%d%%", {75LL}), "75%");
    EXPECT_EQ(FormatMessage("%u byte", {1024LL}), "1024 byte");
    EXPECT_EQ(FormatMessage("Could not read %s", {std::string("/tmp/a b.tfm")}), "Could not read /tmp/a b.tfm");
    EXPECT_EQ(FormatMessage("%08x", {0x1abLL}), "000001ab");
    // Missing arguments format as zero or empty, never crash.
    EXPECT_EQ(FormatMessage("%d and %s.", {}), "0 and .");
    EXPECT_EQ(FormatMessage("50%", {}), "50%");
}

TEST(StreamPrompter, WritesOneLinePerMessage)
{
    std::ostringstream out;
    StreamPrompter prompter(out);
    EXPECT_EQ(prompter.Show(MsgId::BmpWriteError), Answer::Ok);
    EXPECT_EQ(out.str(), "fwrite error Giving up\n");
}

}  // namespace
}  // namespace pix
