#include <gtest/gtest.h>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "support/TestSupport.h"

namespace pix::test {

namespace {

void ExpectConsistent(const CImageBuffer& buf)
{
    EXPECT_EQ(buf.Stride(), StrideFor(buf.Width()));
    EXPECT_EQ(buf.BitsSize(), static_cast<size_t>(buf.Stride()) * buf.Height());
    if (buf.HasIndexPlane()) {
        EXPECT_EQ(buf.IndexPlane().size(), static_cast<size_t>(buf.Width()) * buf.Height());
    }
}

}  // namespace

void RunCorpusFolder(const std::filesystem::path& corpus, std::string_view folder, const CorpusChecks& checks)
{
    const std::vector<ManifestRow> rows = ReadManifest(corpus, {folder});
    ASSERT_FALSE(rows.empty()) << "no manifest rows under " << folder;
    // The manifest tells the pictures as stored: neither turned nor
    // converted from their profiles.
    const LoadOptions before = CurrentLoadOptions();
    SetLoadOptions({.upright = false, .colourManaged = false});
    struct Restore {
        LoadOptions options;
        ~Restore() { SetLoadOptions(options); }
    } restore{before};
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.path);
        const std::string file = (corpus / row.path).string();
        CImageBuffer buf;
        buf.Load(file);
        if (!buf.IsEmpty())
            ExpectConsistent(buf);
        unsigned w = 0, h = 0;
        if (checks.exempt && checks.exempt(row)) {
            // judged by extra alone
        } else if (ExpectedSize(row, w, h)) {
            EXPECT_FALSE(buf.IsEmpty());
            EXPECT_EQ(buf.Width(), w);
            EXPECT_EQ(buf.Height(), h);
        } else if (row.expected == "refused") {
            EXPECT_TRUE(buf.IsEmpty());
        }
        if (checks.extra)
            checks.extra(row, file, buf);
    }
}

void ExpectSizeQueryAgrees(const std::string& file, const CImageBuffer& buf, bool exact)
{
    uint32_t w = 0, h = 0;
    const bool answered = QueryImageSize(file, w, h);
    if (!buf.IsEmpty()) {
        EXPECT_TRUE(answered) << "no size from the headers";
        EXPECT_EQ(w, buf.Width());
        EXPECT_EQ(h, buf.Height());
    } else if (exact) {
        EXPECT_FALSE(answered) << w << "x" << h << " from the headers of a file the reader refuses";
    }
}

}  // namespace pix::test
