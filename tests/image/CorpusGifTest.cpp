// Every GIF of the shared corpus loads, or is refused, as its manifest row
// expects; the rows the manifest leaves open load safely either way.
// Skipped when the corpus is absent.
#include <gtest/gtest.h>


#include "image/CImageBuffer.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(CorpusGif, EveryFileAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int loaded = 0, refused = 0, unknown = 0;
    for (const test::ManifestRow& row : test::ReadManifest(corpus, {"gif/"})) {
        SCOPED_TRACE(row.path);
        CImageBuffer buf;
        buf.Load((corpus / row.path).string());
        EXPECT_FALSE(buf.HasIndexPlane());  // GIFs load as true colour
        if (!buf.IsEmpty()) {
            EXPECT_EQ(buf.Stride(), StrideFor(buf.Width()));
            EXPECT_EQ(buf.BitsSize(), static_cast<size_t>(buf.Stride()) * buf.Height());
        }
        unsigned w = 0, h = 0;
        if (test::ExpectedSize(row, w, h)) {
            EXPECT_FALSE(buf.IsEmpty());
            EXPECT_EQ(buf.Width(), w);
            EXPECT_EQ(buf.Height(), h);
            ++loaded;
        } else if (row.expected == "refused") {
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
