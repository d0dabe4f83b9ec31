// Bitmaps and GIFs of the shared corpus that come with a reference
// rendering decode to the reference's opaque pixels. Skipped when the
// corpus is absent.
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "image/CImageBuffer.h"
#include "render/ImageConversion.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

// Where the first image sits on the logical screen (the references show
// the whole screen).
QPoint FirstGifImageOffset(const std::vector<uint8_t>& f)
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

// Files whose manifest note says the picture is shifted or cut short are
// not expected to match their reference; run-length files that skip
// pixels leave them undefined, and the references paint them in their own
// way.
bool BmpReferenceApplies(const test::ManifestRow& row)
{
    for (const char* word : {"shifted", "cut short"})
        if (row.note.find(word) != std::string::npos)
            return false;
    return row.path.find("rletrns") == std::string::npos && row.path.find("rlecut") == std::string::npos;
}

void ExpectMatchesReference(const std::filesystem::path& corpus, const test::ManifestRow& row, const std::string& file,
                            const CImageBuffer& buf)
{
    const bool gif = row.path.starts_with("gif/");
    if (row.reference.empty() || row.expected.rfind("loads", 0) != 0 || (!gif && !BmpReferenceApplies(row)))
        return;
    QImage ref(QString::fromStdString((corpus / row.reference).string()));
    ASSERT_FALSE(ref.isNull());
    ref = ref.convertToFormat(QImage::Format_ARGB32);
    const QImage ours = ToQImage(buf);
    // Parts of a GIF's image off the screen are not in the reference; a
    // bitmap's reference is the whole picture.
    const QPoint offset = gif ? FirstGifImageOffset(test::ReadAll(file)) : QPoint();
    if (!gif) {
        ASSERT_EQ(ours.size(), ref.size());
    }
    // Some bitmap references round palette entries differently by one.
    const int leeway = gif ? 0 : 1;
    const int w = std::min(ours.width(), ref.width() - offset.x());
    const int h = std::min(ours.height(), ref.height() - offset.y());
    // Transparent GIF pixels keep their table colour here; the references
    // show them see-through.
    int opaque = 0, mismatches = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb r = ref.pixel(offset.x() + x, offset.y() + y);
            if (qAlpha(r) != 255)
                continue;
            ++opaque;
            const QRgb o = ours.pixel(x, y);
            if (std::abs(qRed(o) - qRed(r)) > leeway || std::abs(qGreen(o) - qGreen(r)) > leeway ||
                std::abs(qBlue(o) - qBlue(r)) > leeway)
                ++mismatches;
        }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(opaque, 0);
}

class CorpusReference : public ::testing::TestWithParam<const char*> {};

TEST_P(CorpusReference, DecodedPixelsMatchTheReferences)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    test::RunCorpusFolder(corpus, std::string(GetParam()) + "/",
                          {.extra = [&](const test::ManifestRow& row, const std::string& file, const CImageBuffer& buf) {
                              ExpectMatchesReference(corpus, row, file, buf);
                          }});
}

INSTANTIATE_TEST_SUITE_P(Render, CorpusReference, ::testing::Values("bmp", "gif"),
                         [](const auto& p) { return std::string(p.param); });

}  // namespace
}  // namespace pix
