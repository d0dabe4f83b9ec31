#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/SettingsStore.h"
#include "sheets/LogFont.h"
#include "SheetTestSupport.h"

namespace pix {
namespace {

LogFont MakeFont(const char* face, int32_t height, int32_t weight)
{
    LogFont f{.height = height, .weight = weight, .italic = 1, .charSet = 0xEE, .pitchAndFamily = 0x22};
    f.SetFaceName(face);
    return f;
}

// A format in which every field differs from the store's defaults.
CThumbnailSettings Unusual()
{
    CThumbnailSettings s;
    s.bgC = 0x010203;
    s.bgL = 0x040506;
    s.bgR = 0x070809;
    s.bgT = 0x0A0B0C;
    s.bgB = 0x0D0E0F;
    s.bgH = 0;
    s.bgV = 0;
    s.bgI = 1;
    s.bgImgOpacity = 200;
    s.bgImg = "/pictures/back.png";
    s.bgImgPlc = 2;
    s.pagMargL = 11;
    s.pagMargT = 12;
    s.tmbMargL = 13;
    s.tmbMargT = 14;
    s.fx = "Soft edges";
    s.fxArea = 300;
    s.tmbSiz = 96;
    s.maxPerPage = 20;
    s.rows = 5;
    s.cols = 4;
    s.label = "[FileName] [Width]x[Height]";
    s.title = "Holiday\r\n[PageNo]";
    s.footer = "page [PageNo] of [PagesTotal]";
    s.tsFont = MakeFont("Label Face", 90, 400);
    s.titleFont = MakeFont("Title Face", 240, 700);
    s.footerFont = MakeFont("Footer Face", 80, 300);
    s.tsCol = 0x112233;
    s.titleCol = 0x445566;
    s.footerCol = 0x778899;
    return s;
}

using test::RecordOf;

TEST(CThumbnailSettings, StoreWithoutSectionGivesTheDefaultFormat)
{
    // Every field is replaced, and the fonts are the system font.
    MemorySettingsStore store;
    store.SetString("Other", "BgI", "1");
    CThumbnailSettings s = Unusual();
    const LogFont system = MakeFont("System Face", 100, 400);
    s.LoadFromRegistry(store, system);
    CThumbnailSettings::SetDefaultFont(system);
    EXPECT_EQ(CThumbnailSettings(), s);
    CThumbnailSettings::SetDefaultFont(FallbackLogFont());

    // The background picture is off without a path.
    store.SetInt("Thumbnails", "BgI", 1);
    s.LoadFromRegistry(store);
    EXPECT_EQ(s.bgI, 0);
    store.SetString("Thumbnails", "BgImg", "/p/back.jpg");
    s.LoadFromRegistry(store);
    EXPECT_EQ(s.bgI, 1);
}

TEST(CThumbnailSettings, FontValuesAreTakenOnlyWhenExactlySixtyBytes)
{
    MemorySettingsStore store;
    const LogFont stored = MakeFont("Stored", 140, 700);
    const auto bytes = stored.ToBytes();
    store.WriteBinary("Thumbnails", "TSFont", std::vector<uint8_t>(bytes.begin(), bytes.end() - 1));
    std::vector<uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0);
    store.WriteBinary("Thumbnails", "TitleFont", longer);
    store.WriteBinary("Thumbnails", "FooterFont", std::vector<uint8_t>(bytes.begin(), bytes.end()));
    const LogFont system = MakeFont("System Face", 100, 400);
    CThumbnailSettings s;
    s.LoadFromRegistry(store, system);
    EXPECT_EQ(std::tuple(s.tsFont, s.titleFont, s.footerFont), std::tuple(system, system, stored));
}

TEST(CThumbnailSettings, SaveToRegistryLoadsBack)
{
    MemorySettingsStore store;
    CThumbnailSettings s = Unusual();
    // Colours with the top byte set survive the store's signed integers.
    s.bgC = 0xFF000001u;
    s.SaveToRegistry(store);
    CThumbnailSettings back;
    back.LoadFromRegistry(store);
    EXPECT_EQ(back, s);
}

// The record of Unusual(): version -4, entries 2-23 (bgB, bgC, bgH, bgI,
// bgImg, bgImgOpacity, bgImgPlc, bgL, bgR, bgT, bgV, footer, footerCol, fx,
// fxArea, pagMargL, pagMargT, title, titleCol, tmbMargL, tmbMargT, tsCol),
// tmbSiz, maxPerPage, label, rows, cols, then the title, footer and label
// fonts.
constexpr const char* kUnusualRecord =
    "FCFFFFFF0F0E0D00030201000000000001000000122F70696374757265732F6261636B2E706E67C80000000200000006"
    "050400090807000C0B0A00000000001D70616765205B506167654E6F5D206F66205B5061676573546F74616C5D998877"
    "000A536F66742065646765732C0100000B0000000C00000011486F6C696461790D0A5B506167654E6F5D665544000D00"
    "00000E0000003322110060000000140000001B5B46696C654E616D655D205B57696474685D785B4865696768745D0500"
    "000004000000F0000000000000000000000000000000BC020000010000EE000000225469746C65204661636500000000"
    "000000000000000000000000000000000000500000000000000000000000000000002C010000010000EE00000022466F"
    "6F74657220466163650000000000000000000000000000000000000000005A0000000000000000000000000000009001"
    "0000010000EE000000224C6162656C204661636500000000000000000000000000000000000000000000";

TEST(CThumbnailSettings, RecordIsVersionMinusFourWithAllEntriesInRecordOrder)
{
    const CThumbnailSettings s = Unusual();
    const auto bytes = RecordOf(s);
    EXPECT_EQ(bytes, test::FromHex(kUnusualRecord));
    CThumbnailSettings back;
    ArchiveReader in(bytes);
    ASSERT_TRUE(back.Serialize(in));
    EXPECT_EQ(back, s);
    EXPECT_TRUE(in.AtEnd());
}

TEST(CThumbnailSettings, OlderRecordsReadWithTheValuesTheyLack)
{
    // Older versions are the current record without the version's later
    // entries (version 0 has no version number at all).
    const auto current = test::FromHex(kUnusualRecord);
    const size_t fonts = 3 * 60;
    const size_t label = 1 + Unusual().label.size();
    const size_t added[] = {4, 4, label, 8};  // what versions -1 … -4 add
    size_t end = current.size() - fonts - (4 + 4 + label + 8);
    for (int version : {0, -1, -2, -3}) {
        ArchiveWriter head;
        if (version < 0) {
            head.I32(version);
            end += added[-version - 1];
        }
        const auto entries = current.begin() + 4;
        const auto bytes = test::Join({head.Bytes(), {entries, entries + static_cast<ptrdiff_t>(end - 4)},
                                       {current.end() - static_cast<ptrdiff_t>(fonts), current.end()}});
        // Start from values that reading must replace.
        CThumbnailSettings s;
        s.tmbSiz = 33;
        s.maxPerPage = 44;
        s.label = "stale";
        s.rows = 6;
        s.cols = 7;
        CThumbnailSettings expected = Unusual();
        expected.rows = expected.cols = 0;
        if (version > -3)
            expected.label = "[FileName]";
        if (version > -2)
            expected.maxPerPage = 0;
        if (version > -1)
            expected.tmbSiz = 128;
        ArchiveReader in(bytes);
        ASSERT_TRUE(s.Serialize(in)) << version;
        EXPECT_TRUE(in.AtEnd()) << version;
        EXPECT_EQ(s, expected) << version;
    }
}

TEST(CThumbnailSettings, FormatFilesRoundTripAndReportFailures)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    const CThumbnailSettings s = Unusual();
    const std::string path = dir.File("look.tfm");
    // The file is the record.
    ASSERT_TRUE(s.SaveFormatFile(path, prompter));
    EXPECT_EQ(test::ReadAll(path), RecordOf(s));
    EXPECT_TRUE(prompter.texts.empty());
    CThumbnailSettings other;
    ASSERT_TRUE(other.LoadFormatFile(path, prompter));
    EXPECT_EQ(other, s);

    const std::string unwritable = dir.File("missing/look.tfm");
    EXPECT_FALSE(s.SaveFormatFile(unwritable, prompter));
    const std::string missing = dir.File("none.tfm");
    EXPECT_FALSE(other.LoadFormatFile(missing, prompter));

    // A damaged file leaves the format as it was. (The tfm fuzz seeds hold
    // records cut short everywhere else.)
    auto cut = RecordOf(CThumbnailSettings());
    cut.resize(cut.size() - 1);
    const std::string damaged = dir.File("cut.tfm");
    test::WriteAll(damaged, cut);
    EXPECT_FALSE(other.LoadFormatFile(damaged, prompter));
    EXPECT_EQ(other, s);

    EXPECT_EQ(prompter.texts, (std::vector<std::string>{"Could not write " + unwritable, "Could not read " + missing,
                                                        damaged + "\nis damaged or not a thumbnail format."}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

// A face name longer than the record holds is cut before a whole
// character, and the record keeps its closing zero.
TEST(LogFont, LongFaceNamesAreCutAtAWholeCharacter)
{
    const std::string a30(30, 'a');
    const struct {
        std::string name, kept;
    } rows[] = {{a30 + "bcd", a30 + "b"}, {a30 + "\u00e9x", a30}, {"Sans", "Sans"}};
    for (const auto& row : rows) {
        LogFont f;
        f.SetFaceName(row.name);
        EXPECT_EQ(f.FaceName(), row.kept);
        EXPECT_EQ(f.ToBytes().back(), 0);
    }
}

}  // namespace
}  // namespace pix
