#include <gtest/gtest.h>

#include <filesystem>

#include "render/DesktopThumbnailCache.h"
#include "render/ThumbnailPainter.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

namespace fs = std::filesystem;
using Cache = DesktopThumbnailCache;

TEST(DesktopThumbnailCache, EntryNamesFollowTheFileUri)
{
    // The URIs as `gio info` prints them; the hash by md5sum.
    EXPECT_EQ(Cache::FileUri("/tmp/uri test/a b;c#d?e[f]g%h&i=j+k,l@m:n!o~p$q(r)s*t'u"),
              "file:///tmp/uri%20test/a%20b%3Bc%23d%3Fe%5Bf%5Dg%25h&i=j+k,l@m:n!o~p$q(r)s*t'u");
    EXPECT_EQ(Cache::FileUri("/tmp/x/../\xC3\xBC \xC3\xA9"), "file:///tmp/%C3%BC%20%C3%A9");
    const Cache cache("/c/thumbnails");
    EXPECT_EQ(cache.EntryPath("file:///home/user/MyDocs/.images/1.jpeg", 128),
              "/c/thumbnails/normal/2f2f479d1522b0b7b7b89905698f0427.png");
    EXPECT_EQ(cache.EntryPath("file:///a.jpg", 256).substr(0, 20), "/c/thumbnails/large/");
}

// The painted list picture as red, green, blue bytes.
using Picture = std::vector<uint8_t>;

// The picture in the same place (the mask colour around it), its pixels
// within resampling of each other: on average two levels.
bool Close(const Picture& a, const Picture& b)
{
    auto mask = [](const Picture& p, size_t i) { return p[i] == 0x00 && p[i + 1] == 0x80 && p[i + 2] == 0x60; };
    size_t total = 0, misplaced = 0;
    for (size_t i = 0; i < a.size() && a.size() == b.size(); ++i) {
        misplaced += i % 3 == 0 && mask(a, i) != mask(b, i);
        total += static_cast<size_t>(std::abs(a[i] - b[i]));
    }
    return a.size() == b.size() && misplaced == 0 && total <= 2 * a.size();
}

TEST(DesktopThumbnailCache, ListPicturesComeFromValidEntriesOnly)
{
    test::TempDir dir;
    const Cache cache(dir.File("thumbnails"));
    PaintedThumbnailMaker cached({}, cache), plain;
    const std::string photo = dir.File("p.jpg");
    ASSERT_TRUE(test::SmoothGradient(700, 505).Save(photo).Ok());
    const auto original = cache.Identify(photo);
    ASSERT_TRUE(original);
    const std::string entry = cache.EntryPath(original->uri, 128);

    // Cold and warm: the fresh picture, but for resampling; the entry by the
    // rules, in the folder of its size.
    for (uint32_t side : {80u, 200u, 80u})
        EXPECT_TRUE(Close(cached.MakeThumbnail(photo, side, side, true), plain.MakeThumbnail(photo, side, side, true)));
    EXPECT_EQ(fs::status(entry).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    const QImage written(QString::fromStdString(entry));
    EXPECT_EQ(written.text("Thumb::URI").toStdString(), original->uri);
    EXPECT_EQ(written.text("Thumb::MTime").toLongLong(), original->mtime);
    EXPECT_TRUE(fs::exists(cache.EntryPath(original->uri, 256)));
    const Picture fresh = plain.MakeThumbnail(photo, 80, 80, true);

    // Entries that must not be used: each is rebuilt by a decode.
    QImage red(128, 92, QImage::Format_RGB888);
    red.fill(Qt::red);
    Cache::Original stale = *original, foreign = *original;
    stale.mtime += 1;
    foreign.uri += "x";
    auto redPicture = [&] { return cached.MakeThumbnail(photo, 80, 80, true)[3 * (40 * 80 + 40)] == 255; };
    cache.Store(*original, 128, red, 700, 505);
    fs::remove(cache.EntryPath(original->uri, 256));
    ASSERT_TRUE(redPicture());  // a valid entry is used, not the file
    std::vector<std::function<void()>> spoil{
        [&] { cache.Store(stale, 128, red, 700, 505); },
        [&] { cache.Store(*original, 128, red.scaled(128, 128), 700, 505); },
        [&] { cache.Store(*original, 128, red, 700, 404); },
        [&] { cache.Store(foreign, 128, red, 700, 505), fs::rename(cache.EntryPath(foreign.uri, 128), entry); },
        [&] { cache.Store(*original, 128, red, 700, 505), fs::resize_file(entry, fs::file_size(entry) - 12); },
        [&] { test::WriteAll(entry, {0x89, 'P', 'N', 'G'}); },
    };
    for (size_t i = 0; i < spoil.size(); ++i) {
        spoil[i]();
        EXPECT_TRUE(Close(cached.MakeThumbnail(photo, 80, 80, true), fresh)) << i;
        EXPECT_FALSE(cache.Find(*original, 80, 700, 505, 80, 58).isNull()) << i;  // rebuilt
    }
}

TEST(DesktopThumbnailCache, FailEntriesSpareUnreadableFilesUntilTheyChange)
{
    test::TempDir dir;
    const Cache cache(dir.File("thumbnails"));
    PaintedThumbnailMaker cached({}, cache);
    const std::string file = dir.File("broken.png");
    test::WriteAll(file, {'n', 'o'});
    EXPECT_FALSE(cached.PaintPicture(file, 80, 80));
    EXPECT_TRUE(fs::exists(cache.FailPath(cache.Identify(file)->uri)));
    // A picture now, but at the same time: not read again.
    const auto time = fs::last_write_time(file);
    test::WriteSolidPicture(dir.File("good.png"), 40, 30, 1, 2, 3);
    fs::rename(dir.File("good.png"), file);
    fs::last_write_time(file, time);
    EXPECT_FALSE(cached.PaintPicture(file, 80, 80));
    fs::last_write_time(file, time + std::chrono::seconds(5));
    EXPECT_TRUE(cached.PaintPicture(file, 80, 80));
}

}  // namespace
}  // namespace pix
