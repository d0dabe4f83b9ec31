// Every bitmap of the shared corpus loads, or is refused, as its manifest
// row expects. Skipped when the corpus is absent.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(CorpusBmp, EveryFileAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // header
    int checked = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t'))
            cols.push_back(col);
        if (cols.size() < 5 || cols[0].rfind("bmp/", 0) != 0)
            continue;
        SCOPED_TRACE(cols[0]);
        CImageBuffer buf;
        buf.Load((corpus / cols[0]).string());
        const std::string& expected = cols[4];
        if (expected.rfind("loads ", 0) == 0) {
            unsigned w = 0, h = 0;
            ASSERT_EQ(std::sscanf(expected.c_str(), "loads %ux%u", &w, &h), 2);
            EXPECT_EQ(buf.Width(), w);
            EXPECT_EQ(buf.Height(), h);
            EXPECT_FALSE(buf.IsEmpty());
        } else if (expected == "refused") {
            EXPECT_TRUE(buf.IsEmpty());
        }
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace pix
