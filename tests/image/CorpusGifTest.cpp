// Every GIF of the shared corpus loads, or is refused, as its manifest row
// expects; the rows the manifest leaves open load safely either way.
// Skipped when the corpus is absent.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(CorpusGif, EveryFileAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);  // header
    int loaded = 0, refused = 0, unknown = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t'))
            cols.push_back(col);
        if (cols.size() < 5 || cols[0].rfind("gif/", 0) != 0)
            continue;
        SCOPED_TRACE(cols[0]);
        CImageBuffer buf;
        buf.Load((corpus / cols[0]).string());
        EXPECT_FALSE(buf.HasIndexPlane());  // GIFs load as true colour
        if (!buf.IsEmpty()) {
            EXPECT_EQ(buf.Stride(), StrideFor(buf.Width()));
            EXPECT_EQ(buf.BitsSize(), static_cast<size_t>(buf.Stride()) * buf.Height());
        }
        const std::string& expected = cols[4];
        if (expected.rfind("loads ", 0) == 0) {
            unsigned w = 0, h = 0;
            ASSERT_EQ(std::sscanf(expected.c_str(), "loads %ux%u", &w, &h), 2);
            EXPECT_FALSE(buf.IsEmpty());
            EXPECT_EQ(buf.Width(), w);
            EXPECT_EQ(buf.Height(), h);
            ++loaded;
        } else if (expected == "refused") {
            EXPECT_TRUE(buf.IsEmpty());
            ++refused;
        } else {
            ++unknown;
        }
    }
    EXPECT_EQ(loaded, 59);
    EXPECT_EQ(refused, 1);
    std::printf("[ corpus   ] gif: %d load, %d refused, %d unknown\n", loaded, refused, unknown);
}

}  // namespace
}  // namespace pix
