#include "processing/SlideScaler.h"
#include "processing/SlideLoader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/ImageTestSupport.h"

namespace pix {
namespace {

TEST(SlideScaler, FitsTheWidthElseTheHeightAtLeastOnePixel)
{
    const struct {
        SlideSize client, slide, fitted;
    } rows[] = {{{800, 500}, {4000, 3000}, {666, 500}},
                {{300, 200}, {1, 5000}, {1, 200}},
                {{300, 200}, {5000, 1}, {300, 1}},
                {{640, 480}, {320, 240}, {640, 480}}};
    for (const auto& row : rows)
        EXPECT_EQ(FitSlide(row.client.width, row.client.height, row.slide.width, row.slide.height), row.fitted)
            << row.slide.width << 'x' << row.slide.height;
}

TEST(SlideScaler, ACopyResizedIsWhatResizeMakes)
{
    const CImageBuffer source = test::Indexed(37, 23, 16);
    for (const SlideSize size : {SlideSize{10, 7}, SlideSize{90, 40}, SlideSize{37, 23}, SlideSize{0, 5}}) {
        CImageBuffer resized = source;
        resized.Resize(size.width, size.height);
        const CImageBuffer copy = source.ResizedCopy(size.width, size.height);
        EXPECT_TRUE(test::SamePixels(copy, resized)) << size.width;
        EXPECT_EQ(copy.HasIndexPlane(), resized.HasIndexPlane()) << size.width;
    }
}

// Twenty layouts in a row: the workers run one at a time and only the
// last one's picture is published.
TEST(SlideScaler, OnlyTheLastOfRapidRequestsPublishes)
{
    std::atomic<int> ready{0};
    SlideScaler scaler([&] { ++ready; });
    scaler.SetSlide(std::make_shared<const CImageBuffer>(test::Noise(4000, 3000, 7)));
    for (uint32_t i = 0; i < 20; ++i)
        scaler.Request({700 + i, 500});
    while (scaler.Workers() > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(ready, 1);
    scaler.Paint([](const SlideScaler::Frame& frame) {
        ASSERT_TRUE(frame.scaled);
        EXPECT_EQ(frame.scaled->Width(), 719u);
        EXPECT_EQ(frame.target, (SlideSize{719, 500}));
    });
}

// The scaler goes only after its worker, which then publishes nothing.
TEST(SlideScaler, DestroyingItMidResampleWaitsForTheWorker)
{
    std::atomic<int> ready{0};
    auto scaler = std::make_unique<SlideScaler>([&] { ++ready; });
    scaler->SetSlide(std::make_shared<const CImageBuffer>(test::Noise(4000, 3000, 3)));
    scaler->Request({3000, 2000});
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    scaler.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ready, 0);
}

}  // namespace
}  // namespace pix

namespace pix {
namespace {

// The slides wanted are decoded (a file that does not read as an empty
// buffer), dropped when no longer wanted, and decoded again when their
// file changed.
TEST(SlideLoader, DecodesWhatIsWantedAgainWhenItsFileChanges)
{
    test::TempDir dir;
    const std::string a = dir.File("a.bmp");
    ASSERT_TRUE(test::Gradient(10, 4).Save(a).Ok());
    std::atomic<int> decoded{0};
    SlideLoader loader([&] { ++decoded; });
    const auto wait = [&](const std::string& path) {
        SlideLoader::Picture p;
        for (int i = 0; i < 2000 && !(p = loader.Find(path)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return p;
    };
    loader.Want({a, dir.File("none.bmp")});
    ASSERT_TRUE(wait(a));
    EXPECT_EQ(wait(a)->Width(), 10u);
    ASSERT_TRUE(wait(dir.File("none.bmp")));
    EXPECT_TRUE(wait(dir.File("none.bmp"))->IsEmpty());

    ASSERT_TRUE(test::Gradient(12, 4).Save(a).Ok());
    std::filesystem::last_write_time(a, std::filesystem::last_write_time(a) + std::chrono::seconds(2));
    EXPECT_EQ(wait(a)->Width(), 12u);
    EXPECT_EQ(decoded, 3);
    loader.Want({});
    EXPECT_FALSE(loader.Find(a));
}

}  // namespace
}  // namespace pix
