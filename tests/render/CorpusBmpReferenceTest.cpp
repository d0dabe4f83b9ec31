// Bitmaps of the shared corpus that come with a reference rendering decode
// to the reference's pixels. Skipped when the corpus is absent.
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>

#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

TEST(CorpusBmpReference, DecodedPixelsMatchTheReferences)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int compared = 0;
    for (const test::ManifestRow& row : test::ReadManifest(corpus, {"bmp/"})) {
        if (row.reference.empty() || row.expected.rfind("loads", 0) != 0)
            continue;
        // Files whose manifest note says the picture is shifted or cut
        // short are not expected to match their reference.
        if (row.note.find("shifted") != std::string::npos || row.note.find("cut short") != std::string::npos)
            continue;
        // Run-length files that skip pixels leave them undefined; the
        // references paint them in their own way.
        if (row.path.find("rletrns") != std::string::npos || row.path.find("rlecut") != std::string::npos)
            continue;
        SCOPED_TRACE(row.path);
        CImageBuffer buf;
        buf.Load((corpus / row.path).string());
        QImage ref(QString::fromStdString((corpus / row.reference).string()));
        ASSERT_FALSE(ref.isNull());
        ref = ref.convertToFormat(QImage::Format_ARGB32);
        QImage ours = ToQImage(buf);
        ASSERT_EQ(ours.size(), ref.size());
        int mismatches = 0;
        for (int y = 0; y < ref.height(); ++y)
            for (int x = 0; x < ref.width(); ++x) {
                QRgb r = ref.pixel(x, y);
                if (qAlpha(r) != 255)
                    continue;
                // Some references round palette entries differently by one.
                QRgb o = ours.pixel(x, y);
                if (std::abs(qRed(o) - qRed(r)) > 1 || std::abs(qGreen(o) - qGreen(r)) > 1 ||
                    std::abs(qBlue(o) - qBlue(r)) > 1)
                    ++mismatches;
            }
        EXPECT_EQ(mismatches, 0);
        ++compared;
    }
    EXPECT_GT(compared, 20);
}

}  // namespace
}  // namespace pix
