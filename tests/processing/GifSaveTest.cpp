#include "processing/GifSave.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "processing/ColorReduction.h"
#include "ProcessingTestSupport.h"

namespace pix {
namespace {

TEST(GifSave, ReducesATrueColourPictureAndSavesItsIndices)
{
    RegisterReducingGifWriter();
    test::TempDir dir;
    const CImageBuffer original = test::SmoothGradient(97, 61);
    CImageBuffer buf = original;
    test::RecordingPrompter prompter;
    buf.Save(dir.File("g.gif"), prompter);
    EXPECT_TRUE(prompter.texts.empty());
    // The buffer gained its 256-colour form; its pixels stayed.
    ASSERT_TRUE(buf.HasIndexPlane());
    EXPECT_EQ(buf.ColorCount(), 256);
    EXPECT_TRUE(test::SamePixels(buf, original));

    CImageBuffer back;
    back.Load(dir.File("g.gif"));
    ASSERT_EQ(back.Width(), 97u);
    ASSERT_EQ(back.Height(), 61u);
    for (uint32_t top = 0; top < 61; ++top)
        for (uint32_t x = 0; x < 97; ++x) {
            const uint8_t i = buf.IndexPlane()[top * 97 + x];
            ASSERT_EQ(test::Top(back, x, top), (std::array<uint8_t, 3>{buf.Red()[i], buf.Green()[i], buf.Blue()[i]}));
        }

    // Saved again, the index plane is used as it stands: the same file.
    const auto first = test::ReadAll(dir.File("g.gif"));
    buf.Save(dir.File("again.gif"), prompter);
    EXPECT_EQ(test::ReadAll(dir.File("again.gif")), first);
}

TEST(GifSave, APictureOfFewColoursComesBackExactly)
{
    RegisterReducingGifWriter();
    test::TempDir dir;
    const std::array<int, 3> colours[7] = {{255, 255, 255}, {32, 64, 192}, {0, 0, 0},    {254, 255, 255},
                                           {128, 128, 128}, {200, 30, 40}, {31, 64, 192}};
    const CImageBuffer original = test::Picture(21, 5, [&](uint32_t x, uint32_t y) { return colours[(x + y) % 7]; });
    test::RecordingPrompter prompter;
    CImageBuffer eight = original;
    ASSERT_TRUE(ReduceColors(eight, {8, true}));
    CImageBuffer direct = original;  // reduced to 256 colours by the save
    for (CImageBuffer* buf : {&eight, &direct}) {
        buf->Save(dir.File("few.gif"), prompter);
        CImageBuffer back;
        back.Load(dir.File("few.gif"));
        EXPECT_TRUE(test::SamePixels(back, original));
    }
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(GifSave, ReportsWhenNoIndexPlaneCanBeMade)
{
    test::TempDir dir;
    CImageBuffer empty;
    test::RecordingPrompter prompter;
    WriteGifReducing(empty, dir.File("e.gif"), prompter);
    EXPECT_EQ(prompter.texts, std::vector<std::string>{"Failed to make 256 color image"});

    // Too wide for GIF: refused before any reduction is made.
    CImageBuffer wide;
    ASSERT_TRUE(wide.Create(70000, 1));
    test::RecordingPrompter wider;
    WriteGifReducing(wide, dir.File("w.gif"), wider);
    EXPECT_EQ(wider.ids, std::vector<MsgId>{MsgId::GifTooLarge});
    EXPECT_FALSE(wide.HasIndexPlane());
    // Neither file was made.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 0);
}

}  // namespace
}  // namespace pix
