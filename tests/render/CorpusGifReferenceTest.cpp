// GIFs of the shared corpus that come with a reference rendering of their
// first frame decode to the reference's opaque pixels. Skipped when the
// corpus is absent.
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

// Where the first image sits on the logical screen (the references show
// the whole screen).
QPoint FirstImageOffset(const std::vector<uint8_t>& f)
{
    size_t at = 13;
    if (f.size() < at)
        return {};
    if (f[10] & 0x80)
        at += 3u * (2u << (f[10] & 7));
    while (at < f.size()) {
        if (f[at] == ',' && at + 5 < f.size())
            return QPoint(f[at + 1] | (f[at + 2] << 8), f[at + 3] | (f[at + 4] << 8));
        if (f[at] == '!') {
            at += 2;
            while (at < f.size() && f[at] != 0)
                at += f[at] + 1u;
        }
        ++at;
    }
    return {};
}

TEST(CorpusGifReference, DecodedPixelsMatchTheReferences)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    int compared = 0;
    bool interlacedSeen = false;
    for (const test::ManifestRow& row : test::ReadManifest(corpus, {"gif/"})) {
        if (row.reference.empty() || row.expected.rfind("loads", 0) != 0)
            continue;
        SCOPED_TRACE(row.path);
        CImageBuffer buf;
        buf.Load((corpus / row.path).string());
        QImage ref(QString::fromStdString((corpus / row.reference).string()));
        ASSERT_FALSE(ref.isNull());
        ref = ref.convertToFormat(QImage::Format_ARGB32);
        QImage ours = ToQImage(buf);
        const QPoint offset = FirstImageOffset(test::ReadAll((corpus / row.path).string()));
        // Parts of the image off the screen are not in the reference.
        const int w = std::min(ours.width(), ref.width() - offset.x());
        const int h = std::min(ours.height(), ref.height() - offset.y());
        // Transparent pixels keep their table colour here; the references
        // show them see-through.
        int opaque = 0, mismatches = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const QRgb r = ref.pixel(offset.x() + x, offset.y() + y);
                if (qAlpha(r) != 255)
                    continue;
                ++opaque;
                if ((ours.pixel(x, y) & 0xFFFFFF) != (r & 0xFFFFFF))
                    ++mismatches;
            }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(opaque, 0);
        interlacedSeen |= row.note.find("interlaced") != std::string::npos;
        ++compared;
    }
    EXPECT_EQ(compared, 9);
    EXPECT_TRUE(interlacedSeen);
}

}  // namespace
}  // namespace pix
