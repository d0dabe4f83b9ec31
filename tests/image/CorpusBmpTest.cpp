// Every bitmap of the shared corpus loads, or is refused, as its manifest
// row expects. Skipped when the corpus is absent.
#include <gtest/gtest.h>


#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(CorpusBmp, EveryFileAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int checked = 0;
    for (const test::ManifestRow& row : test::ReadManifest(corpus, {"bmp/"})) {
        SCOPED_TRACE(row.path);
        CImageBuffer buf;
        buf.Load((corpus / row.path).string());
        unsigned w = 0, h = 0;
        if (test::ExpectedSize(row, w, h)) {
            EXPECT_EQ(buf.Width(), w);
            EXPECT_EQ(buf.Height(), h);
            EXPECT_FALSE(buf.IsEmpty());
        } else if (row.expected == "refused") {
            EXPECT_TRUE(buf.IsEmpty());
        }
        ++checked;
    }
    EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace pix
