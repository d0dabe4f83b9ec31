#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "image/BmpCodec.h"
#include "image/BmpRowWriter.h"
#include "image/CImageBuffer.h"
#include "image/PackedDib.h"
#include "platform/SaneScanner.h"
#include "platform/ScanPage.h"
#include "support/ImageTestSupport.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

// A page as scanimage writes it (PNM), read with the device's row length:
// the data divided evenly among the rows, a row's first pixels taken
// (memory rows bottom-up).
CImageBuffer ReadScanimagePage(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic, comment;
    uint32_t width = 0, height = 0, maxval = 1;
    in >> magic >> std::ws;
    while (in.peek() == '#')
        std::getline(in, comment);
    in >> width >> height;
    if (magic != "P4")
        in >> maxval;
    in.get();
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    CImageBuffer page;
    if (height == 0 || !page.Create(width, height))
        return page;
    const size_t stride = data.size() / height;
    const size_t sample = maxval > 255 ? 2 : 1;  // 16 bits: big-endian, the high byte first
    for (uint32_t y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint8_t*>(data.data() + (height - 1 - y) * stride);
        for (uint32_t x = 0; x < width; ++x) {
            if (magic == "P4") {
                const uint8_t v = (row[x / 8] & (0x80 >> (x % 8))) ? 0 : 255;
                page.SetPixel(x, y, v, v, v);
            } else if (magic == "P5") {
                page.SetPixel(x, y, row[x * sample], row[x * sample], row[x * sample]);
            } else {
                const uint8_t* p = row + 3 * x * sample;
                page.SetPixel(x, y, p[0], p[sample], p[2 * sample]);
            }
        }
    }
    return page;
}

// Streams colour pages into a bitmap file.
struct FileSink final : ScanRowSink {
    std::string path;
    BmpRowWriter writer;
    bool BeginPage(int width, int height) override { return writer.Open(path, uint32_t(width), uint32_t(height)); }
    uint8_t* Row(int y) override { return writer.Row(uint32_t(y)); }
};

// Scans one page with the options; the status and the page as a picture
// (none when the page went to sink).
int ScanPicture(const Options& options, CImageBuffer& picture, int pages = 1, ScanRowSink* sink = nullptr)
{
    SaneScanner scanner;
    EXPECT_TRUE(scanner.Initialise());
    EXPECT_TRUE(scanner.Open("test:0"));
    for (const auto& [name, value] : options)
        EXPECT_EQ(scanner.SetOption(name, value), SaneScanner::OptionResult::Set) << name << '=' << value;
    ScanPageBuilder builder;
    builder.StreamTo(sink);
    int status = kScanGood;
    for (int page = 0; page < pages && status == kScanGood; ++page) {
        std::string error;
        status = scanner.Start();
        if (status == kScanGood)
            status = scanner.ReadPage(builder, error);
    }
    if (status == kScanGood && builder.Streamed()) {
        EXPECT_TRUE(static_cast<FileSink*>(sink)->writer.Commit());
    } else if (status == kScanGood) {
        EXPECT_TRUE(ReadPackedDib(builder.TakePackedDib(), picture));
    } else {
        // The test device's reader thread dies with its allocator lock held
        // when cancelled while it starts up; let it get to its first write.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    scanner.Cancel();
    return status;
}

TEST(Scanning, PagesMatchWhatScanimageWrites)
{
    test::UseSaneTestDevices();
    test::TempDir dir;
    const Options base{{"test-picture", "Color pattern"}, {"resolution", "75"}};
    const std::vector<Options> cases{
        {{"mode", "Color"}},
        {{"mode", "Gray"}},
        {{"mode", "Gray"}, {"depth", "1"}},
        {{"mode", "Color"}, {"depth", "16"}},
        {{"mode", "Color"}, {"three-pass", "yes"}},
        {{"mode", "Color"}, {"hand-scanner", "yes"}},
        {{"mode", "Color"}, {"ppl-loss", "7"}},
        {{"mode", "Color"}, {"read-limit", "yes"}, {"read-limit-size", "13"}},
        {{"mode", "Gray"}, {"fuzzy-parameters", "yes"}},
    };
    for (const Options& extra : cases) {
        Options options = extra;
        options.insert(options.end(), base.begin(), base.end());
        std::string command = "scanimage -d test:0 --format=pnm -o " + dir.File("ref.pnm");
        for (const auto& [name, value] : options)
            command += " --" + name + "='" + value + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const CImageBuffer reference = ReadScanimagePage(dir.File("ref.pnm"));
        CImageBuffer ours;
        ASSERT_EQ(ScanPicture(options, ours), kScanGood) << command;
        EXPECT_TRUE(test::SamePixels(ours, reference)) << command;
    }
}

// A colour page of known height goes to the file as it is read, which then
// holds the bytes Save writes; other pages are kept whole.
TEST(Scanning, StreamedPagesMatchSavedOnes)
{
    test::UseSaneTestDevices();
    test::TempDir dir;
    for (const Options& options : {Options{{"mode", "Color"}}, Options{{"mode", "Color"}, {"three-pass", "yes"}},
                                   Options{{"mode", "Color"}, {"hand-scanner", "yes"}}}) {
        CImageBuffer kept;
        ASSERT_EQ(ScanPicture(options, kept), kScanGood);
        ASSERT_TRUE(WriteBmpTrueColor(kept, dir.File("kept.bmp")).Ok());
        FileSink sink;
        sink.path = dir.File("streamed.bmp");
        std::filesystem::remove(sink.path);
        CImageBuffer picture;
        ASSERT_EQ(ScanPicture(options, picture, 1, &sink), kScanGood);
        const bool streams = options.size() == 1;
        EXPECT_EQ(picture.IsEmpty(), streams) << options.back().first;
        if (streams) {
            EXPECT_EQ(test::ReadAll(sink.path), test::ReadAll(dir.File("kept.bmp")));
        }
    }
    // A page cut short replaces nothing.
    const std::vector<uint8_t> before = test::ReadAll(dir.File("kept.bmp"));
    BmpRowWriter writer;
    ASSERT_TRUE(writer.Open(dir.File("kept.bmp"), 5, 3));
    EXPECT_NE(writer.Row(2), nullptr);
    EXPECT_NE(writer.Row(0), nullptr);
    EXPECT_EQ(writer.Row(3), nullptr);
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(test::ReadAll(dir.File("kept.bmp")), before);
}

TEST(Scanning, FeederBatchesFailuresAndCancels)
{
    test::UseSaneTestDevices();
    CImageBuffer picture;
    // The feeder holds ten pages, then reports it is empty.
    {
        SaneScanner scanner;
        ASSERT_TRUE(scanner.Initialise());
        ASSERT_TRUE(scanner.Open(""));
        ASSERT_EQ(scanner.SetOption("source", "Automatic Document Feeder"), SaneScanner::OptionResult::Set);
        ScanPageBuilder builder;
        std::string error;
        int pages = 0;
        while (scanner.Start() == kScanGood && scanner.ReadPage(builder, error) == kScanGood)
            pages += !builder.TakePackedDib().empty();
        EXPECT_EQ(pages, 10);
        EXPECT_EQ(scanner.State(), 4);
        EXPECT_EQ(scanner.SetOption("no-such-option", "1"), SaneScanner::OptionResult::Unknown);
        EXPECT_EQ(scanner.SetOption("resolution", "many"), SaneScanner::OptionResult::Refused);
    }
    for (const char* value : {"SANE_STATUS_CANCELLED", "SANE_STATUS_JAMMED"})
        EXPECT_NE(ScanPicture({{"read-return-value", value}}, picture), kScanGood) << value;
    EXPECT_TRUE(picture.IsEmpty());

    // A cancel in the middle of a page leaves no page, and the next scan works.
    SaneScanner scanner;
    ASSERT_TRUE(scanner.Initialise());
    EXPECT_FALSE(scanner.Open("test:9"));
    EXPECT_EQ(scanner.State(), 3);
    ASSERT_TRUE(scanner.Open("test:0"));
    for (const auto& [name, value] : Options{{"mode", "Color"}, {"resolution", "300"}, {"read-limit", "yes"},
                                             {"read-limit-size", "4096"}, {"read-delay", "yes"},
                                             {"read-delay-duration", "50000"}})
        ASSERT_EQ(scanner.SetOption(name, value), SaneScanner::OptionResult::Set) << name;
    ScanPageBuilder builder;
    std::string error;
    ASSERT_EQ(scanner.Start(), kScanGood);
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        scanner.Cancel();
    });
    EXPECT_NE(scanner.ReadPage(builder, error), kScanGood);
    canceller.join();
    EXPECT_TRUE(builder.TakePackedDib().empty());
    scanner.Cancel();
    ASSERT_EQ(scanner.SetOption("read-delay", "no"), SaneScanner::OptionResult::Set);
    ASSERT_EQ(scanner.Start(), kScanGood);
    EXPECT_EQ(scanner.ReadPage(builder, error), kScanGood);
    EXPECT_FALSE(builder.TakePackedDib().empty());
}

}  // namespace
}  // namespace pix
