#include <gtest/gtest.h>

#include "image/CImageBuffer.h"
#include "render/ThumbnailPainter.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

void WriteGrey(const std::string& path, uint32_t w, uint32_t h, uint8_t v) { test::WriteSolidPicture(path, w, h, v, v, v); }

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }
constexpr QRgb kMask = 0x008060u;

TEST(ThumbnailPainter, FitsWithoutEnlargingAndRaisesTheEdge)
{
    test::TempDir dir;
    WriteGrey(dir.File("small.bmp"), 40, 20, 100);
    PaintedThumbnailMaker maker;
    const QImage image = maker.Paint(dir.File("small.bmp"), 80, 80, true);
    // The 40 × 20 picture centred at (20, 30): the top-left corner raised
    // twice and capped, the top edge 100 + 128, the inside, the bottom edge
    // 100 - 128 floored, the top-right corner raised, then lowered.
    for (auto [x, y, rgb] : {std::tuple{19, 30, kMask}, {20, 29, kMask}, {20, 30, 0xFFFFFFu}, {30, 30, 0xE4E4E4u},
                             {30, 40, 0x646464u}, {30, 49, 0x000000u}, {59, 30, 0x646464u}, {60, 30, kMask}})
        EXPECT_EQ(At(image, x, y), rgb) << x << "," << y;

    EXPECT_EQ(std::pair(FitThumbnail(1000, 10, 80, 80).width, FitThumbnail(1000, 10, 80, 80).height), std::pair(80, 1));
    EXPECT_EQ(std::pair(FitThumbnail(10, 1000, 80, 80).width, FitThumbnail(10, 1000, 80, 80).height), std::pair(1, 80));

    // The list layout: top-down red, green, blue.
    const auto bytes = maker.MakeThumbnail(dir.File("small.bmp"), 80, 80, true);
    ASSERT_EQ(bytes.size(), 80u * 80u * 3u);
    EXPECT_EQ(bytes[3 * (40 * 80 + 30)], 100);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 3), (std::vector<uint8_t>{0x00, 0x80, 0x60}));
}

TEST(ThumbnailPainter, IconsAndTheSkippedPicture)
{
    test::TempDir dir;
    test::WriteAll(dir.File("notes.txt"), {'h', 'i'});
    WriteGrey(dir.File("real.bmp"), 40, 40, 100);
    QImage icon(32, 32, QImage::Format_RGB888);
    icon.fill(Qt::red);
    PaintedThumbnailMaker withIcons([&icon](const std::string&) { return icon; });
    QImage image = withIcons.Paint(dir.File("notes.txt"), 80, 80, true);
    EXPECT_EQ(At(image, 24, 24), 0xFF0000u);
    EXPECT_EQ(At(image, 55, 55), 0xFF0000u);
    EXPECT_EQ(At(image, 23, 24), kMask);

    // No icon, or loading not allowed: a black frame and "skipped" below the middle.
    PaintedThumbnailMaker plain;
    for (const QImage& skipped : {plain.Paint(dir.File("notes.txt"), 80, 80, true),
                                  withIcons.Paint(dir.File("real.bmp"), 80, 80, false)}) {
        EXPECT_EQ(At(skipped, 0, 0), 0u);
        EXPECT_EQ(At(skipped, 79, 79), 0u);
        EXPECT_EQ(At(skipped, 40, 20), kMask);
        int dark = 0, darkAbove = 0;
        for (int y = 1; y < 79; ++y)
            for (int x = 1; x < 79; ++x)
                if (qGray(skipped.pixel(x, y)) < 60)
                    (y < 40 ? darkAbove : dark)++;
        EXPECT_GT(dark, 20);
        EXPECT_EQ(darkAbove, 0);
    }
}

TEST(ThumbnailPrefetch, WorkersGiveThePaintersPicturesAndStopOnCancel)
{
    test::TempDir dir;
    std::vector<std::string> files;
    for (int i = 0; i < 7; ++i) {
        files.push_back(dir.File("p" + std::to_string(i) + ".bmp"));
        WriteGrey(files.back(), 30 + 13 * static_cast<uint32_t>(i), 20 + 7 * static_cast<uint32_t>(i),
                  static_cast<uint8_t>(20 * i));
    }
    files.insert(files.begin() + 3, dir.File("notes.txt"));
    test::WriteAll(dir.File("notes.txt"), {'x'});
    QImage icon(32, 32, QImage::Format_RGB888);
    icon.fill(Qt::blue);
    PaintedThumbnailMaker painter([&icon](const std::string&) { return icon; });
    test::RecordingProgress progress;

    for (unsigned workers : {0u, 2u, 3u}) {
        PrefetchingThumbnailMaker prefetch(painter, files, progress, workers);
        for (const auto& f : files)
            EXPECT_EQ(prefetch.MakeThumbnail(f, 40, 30, true), painter.MakeThumbnail(f, 40, 30, true)) << workers;
    }

    // A cancel after two files: the rest come without loading, as from the painter.
    PrefetchingThumbnailMaker cancelled(painter, files, progress, 2);
    for (size_t i = 0; i < files.size(); ++i) {
        const bool load = i < 2;
        EXPECT_EQ(cancelled.MakeThumbnail(files[i], 40, 30, load), painter.MakeThumbnail(files[i], 40, 30, load));
    }
    // Asked out of order, it still answers right.
    PrefetchingThumbnailMaker shuffled(painter, files, progress, 2);
    EXPECT_EQ(shuffled.MakeThumbnail(files[4], 40, 30, true), painter.MakeThumbnail(files[4], 40, 30, true));
    EXPECT_EQ(shuffled.MakeThumbnail(files[0], 40, 30, true), painter.MakeThumbnail(files[0], 40, 30, true));
}

}  // namespace
}  // namespace pix
