// Bitmaps of the shared corpus that come with a reference rendering decode
// to the reference's pixels. Skipped when the corpus is absent.
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

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
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    int compared = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        std::string col;
        while (std::getline(ss, col, '\t'))
            cols.push_back(col);
        if (cols.size() < 6 || cols[0].rfind("bmp/", 0) != 0 || cols[5].empty() ||
            cols[4].rfind("loads", 0) != 0)
            continue;
        // Files whose manifest note says the picture is shifted or cut
        // short are not expected to match their reference.
        const std::string note = cols.size() > 6 ? cols[6] : "";
        if (note.find("shifted") != std::string::npos || note.find("cut short") != std::string::npos)
            continue;
        // Run-length files that skip pixels leave them undefined; the
        // references paint them in their own way.
        if (cols[0].find("rletrns") != std::string::npos || cols[0].find("rlecut") != std::string::npos)
            continue;
        SCOPED_TRACE(cols[0]);
        CImageBuffer buf;
        buf.Load((corpus / cols[0]).string());
        QImage ref(QString::fromStdString((corpus / cols[5]).string()));
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
