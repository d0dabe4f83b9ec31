#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/Archive.h"
#include "common/SettingsStore.h"
#include "sheets/CThumbnailSettings.h"
#include "sheets/LogFont.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

LogFont MakeFont(const char* face, int32_t height, int32_t weight)
{
    LogFont f;
    f.height = height;
    f.weight = weight;
    f.italic = 1;
    f.charSet = 0xEE;
    f.pitchAndFamily = 0x22;
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

std::vector<uint8_t> Record(const CThumbnailSettings& s)
{
    ArchiveWriter out;
    s.Serialize(out);
    return out.Bytes();
}

// Records the order keys are written in.
class RecordingStore final : public SettingsStore {
public:
    std::vector<std::string> written;
    MemorySettingsStore inner;

    std::optional<std::string> ReadString(const std::string& s, const std::string& k) const override
    {
        return inner.ReadString(s, k);
    }
    void WriteString(const std::string& s, const std::string& k, const std::string& v) override
    {
        written.push_back(s + "/" + k);
        inner.WriteString(s, k, v);
    }
    std::optional<std::vector<uint8_t>> ReadBinary(const std::string& s, const std::string& k) const override
    {
        return inner.ReadBinary(s, k);
    }
    void WriteBinary(const std::string& s, const std::string& k, const std::vector<uint8_t>& v) override
    {
        written.push_back(s + "/" + k + "#" + std::to_string(v.size()));
        inner.WriteBinary(s, k, v);
    }
};

TEST(LogFont, SixtyByteRecordLayout)
{
    LogFont f = MakeFont("DejaVu Sans", -120, 700);
    f.width = 7;
    f.escapement = 900;
    f.orientation = -900;
    f.underline = 1;
    f.strikeOut = 1;
    f.outPrecision = 3;
    f.clipPrecision = 2;
    f.quality = 5;
    const auto bytes = f.ToBytes();
    ASSERT_EQ(bytes.size(), 60u);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8),
              (std::vector<uint8_t>{0x88, 0xFF, 0xFF, 0xFF, 7, 0, 0, 0}));
    EXPECT_EQ(bytes[12], 0x7C);  // orientation -900 = 0xFFFFFC7C
    EXPECT_EQ(bytes[15], 0xFF);
    EXPECT_EQ(bytes[16], 0xBC);  // weight 700 = 0x2BC
    EXPECT_EQ(bytes[17], 0x02);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 20, bytes.begin() + 28),
              (std::vector<uint8_t>{1, 1, 1, 0xEE, 3, 2, 5, 0x22}));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[28])), "DejaVu Sans");
    EXPECT_EQ(bytes[59], 0);

    auto back = LogFont::FromBytes(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, f);
    EXPECT_FALSE(LogFont::FromBytes(std::span(bytes).first(59)));
    std::vector<uint8_t> longer(bytes.begin(), bytes.end());
    longer.push_back(0);
    EXPECT_FALSE(LogFont::FromBytes(longer));

    // Bytes behind the face name's terminator survive a round trip.
    auto dirty = bytes;
    dirty[50] = 0xAB;
    EXPECT_EQ(LogFont::FromBytes(dirty)->ToBytes(), dirty);
    EXPECT_EQ(LogFont::FromBytes(dirty)->FaceName(), "DejaVu Sans");
}

TEST(LogFont, LongFaceNamesAreCutAtACharacterBoundary)
{
    LogFont f;
    // 30 ASCII bytes and a two-byte character: 32 bytes do not fit in 31.
    f.SetFaceName(std::string(30, 'a') + "\xC3\xA9");
    EXPECT_EQ(f.FaceName(), std::string(30, 'a'));
    f.SetFaceName(std::string(29, 'b') + "\xC3\xA9");
    EXPECT_EQ(f.FaceName(), std::string(29, 'b') + "\xC3\xA9");
    EXPECT_EQ(f.faceName[31], '\0');
}

TEST(CThumbnailSettings, StoreWithoutSectionGivesTheTableDefaults)
{
    MemorySettingsStore store;
    store.SetString("Other", "BgI", "1");
    CThumbnailSettings s = Unusual();
    const LogFont system = MakeFont("System Face", 100, 400);
    s.LoadFromRegistry(store, system);
    EXPECT_EQ(s.bgC, 0x608000u);
    EXPECT_EQ(s.bgL, 0xE0EAF3u);
    EXPECT_EQ(s.bgR, 0x3D6C98u);
    EXPECT_EQ(s.bgT, 0xF4E7DFu);
    EXPECT_EQ(s.bgB, 0x9F5835u);
    EXPECT_EQ(s.bgH, 1);
    EXPECT_EQ(s.bgV, 1);
    EXPECT_EQ(s.bgI, 0);
    EXPECT_EQ(s.bgImgOpacity, 128);
    EXPECT_EQ(s.bgImg, "");
    EXPECT_EQ(s.bgImgPlc, 0);
    EXPECT_EQ(s.pagMargL, 0);
    EXPECT_EQ(s.pagMargT, 0);
    EXPECT_EQ(s.tmbMargL, 4);
    EXPECT_EQ(s.tmbMargT, 4);
    EXPECT_EQ(s.fx, "Shadow");
    EXPECT_EQ(s.fxArea, 100);
    EXPECT_EQ(s.tmbSiz, 80);
    EXPECT_EQ(s.maxPerPage, 0);
    EXPECT_EQ(s.rows, 0);
    EXPECT_EQ(s.cols, 0);
    EXPECT_EQ(s.label, "[FileName]");
    EXPECT_EQ(s.title, "Title goes here");
    EXPECT_EQ(s.footer, "Footer goes here");
    EXPECT_EQ(s.tsFont, system);
    EXPECT_EQ(s.titleFont, system);
    EXPECT_EQ(s.footerFont, system);
    EXPECT_EQ(s.tsCol, 0x000000u);
    EXPECT_EQ(s.titleCol, 0x808000u);
    EXPECT_EQ(s.footerCol, 0xFFFF00u);

    // A default-constructed format is the same, with the process default font.
    CThumbnailSettings::SetDefaultFont(system);
    EXPECT_EQ(CThumbnailSettings(), s);
    CThumbnailSettings::SetDefaultFont(FallbackLogFont());
}

TEST(CThumbnailSettings, BackgroundPictureIsOffWithoutAPath)
{
    MemorySettingsStore store;
    store.SetInt("Thumbnails", "BgI", 1);
    CThumbnailSettings s;
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
    EXPECT_EQ(s.tsFont, system);
    EXPECT_EQ(s.titleFont, system);
    EXPECT_EQ(s.footerFont, stored);
}

TEST(CThumbnailSettings, SaveToRegistryWritesEveryKeyInOrderAndLoadsBack)
{
    RecordingStore store;
    const CThumbnailSettings s = Unusual();
    s.SaveToRegistry(store);
    const std::vector<std::string> expected{
        "BgC", "BgL", "BgR", "BgT", "BgB", "BgH", "BgV", "BgI", "BgImg", "BgImgPlc",
        "BgImgOpacity", "PagMargL", "PagMargT", "TmbMargL", "TmbMargT", "FX", "FXArea", "TmbSiz", "MaxPerPage",
        "Rows", "Cols", "TSFont#60", "TitleFont#60", "FooterFont#60", "Title", "Footer", "Label", "TSCol",
        "TitleCol", "FooterCol"};
    ASSERT_EQ(store.written.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(store.written[i], "Thumbnails/" + expected[i]) << i;

    CThumbnailSettings back;
    back.LoadFromRegistry(store);
    EXPECT_EQ(back, s);

    // Colours with the top byte set survive the store's signed integers.
    CThumbnailSettings odd = s;
    odd.bgC = 0xFF000001u;
    odd.SaveToRegistry(store);
    back.LoadFromRegistry(store);
    EXPECT_EQ(back.bgC, 0xFF000001u);
}

// A record as each version writes it: the version (none for 0), entries
// 2-23, the entries of the version, the fonts.
std::vector<uint8_t> RecordOfVersion(const CThumbnailSettings& s, int version)
{
    ArchiveWriter out;
    if (version < 0)
        out.I32(version);
    out.U32(s.bgB);
    out.U32(s.bgC);
    out.I32(s.bgH);
    out.I32(s.bgI);
    out.String(s.bgImg);
    out.I32(s.bgImgOpacity);
    out.I32(s.bgImgPlc);
    out.U32(s.bgL);
    out.U32(s.bgR);
    out.U32(s.bgT);
    out.I32(s.bgV);
    out.String(s.footer);
    out.U32(s.footerCol);
    out.String(s.fx);
    out.I32(s.fxArea);
    out.I32(s.pagMargL);
    out.I32(s.pagMargT);
    out.String(s.title);
    out.U32(s.titleCol);
    out.I32(s.tmbMargL);
    out.I32(s.tmbMargT);
    out.U32(s.tsCol);
    if (version <= -1)
        out.I32(s.tmbSiz);
    if (version <= -2)
        out.I32(s.maxPerPage);
    if (version <= -3)
        out.String(s.label);
    if (version <= -4) {
        out.I32(s.rows);
        out.I32(s.cols);
    }
    for (const LogFont* font : {&s.titleFont, &s.footerFont, &s.tsFont}) {
        const auto raw = font->ToBytes();
        out.Raw(raw.data(), raw.size());
    }
    return out.Bytes();
}

TEST(CThumbnailSettings, RecordIsVersionMinusFourWithAllEntriesInRecordOrder)
{
    const CThumbnailSettings s = Unusual();
    const auto bytes = Record(s);
    EXPECT_EQ(bytes, RecordOfVersion(s, -4));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4), (std::vector<uint8_t>{0xFC, 0xFF, 0xFF, 0xFF}));
    CThumbnailSettings back;
    ArchiveReader in(bytes);
    ASSERT_TRUE(back.Serialize(in));
    EXPECT_EQ(back, s);
    EXPECT_TRUE(in.AtEnd());
}

TEST(CThumbnailSettings, OlderRecordsReadWithTheValuesTheyLack)
{
    const CThumbnailSettings written = Unusual();
    for (int version : {0, -1, -2, -3}) {
        // Start from values that reading must replace.
        CThumbnailSettings s = Unusual();
        s.tmbSiz = 33;
        s.maxPerPage = 44;
        s.label = "stale";
        s.rows = 6;
        s.cols = 7;
        const auto bytes = RecordOfVersion(written, version);
        ArchiveReader in(bytes);
        ASSERT_TRUE(s.Serialize(in)) << version;
        EXPECT_TRUE(in.AtEnd()) << version;
        EXPECT_EQ(s.tmbSiz, version <= -1 ? written.tmbSiz : 128) << version;
        EXPECT_EQ(s.maxPerPage, version <= -2 ? written.maxPerPage : 0) << version;
        EXPECT_EQ(s.label, version <= -3 ? written.label : "[FileName]") << version;
        EXPECT_EQ(s.rows, 0) << version;
        EXPECT_EQ(s.cols, 0) << version;
        EXPECT_EQ(s.bgB, written.bgB) << version;
        EXPECT_EQ(s.tsCol, written.tsCol) << version;
        EXPECT_EQ(s.title, written.title) << version;
        EXPECT_EQ(s.titleFont, written.titleFont) << version;
        EXPECT_EQ(s.tsFont, written.tsFont) << version;
    }
}

TEST(CThumbnailSettings, CutRecordsAreRefusedAndChangeNothing)
{
    const auto bytes = Record(Unusual());
    for (size_t n = 0; n < bytes.size(); ++n) {
        CThumbnailSettings s;
        ArchiveReader in{std::span(bytes).first(n)};
        EXPECT_FALSE(s.Serialize(in)) << n;
        EXPECT_TRUE(in.Failed()) << n;
        EXPECT_EQ(s, CThumbnailSettings()) << n;
    }
}

TEST(CThumbnailSettings, FormatFilesRoundTripAndReportFailures)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    const CThumbnailSettings s = Unusual();
    const std::string path = dir.File("look.tfm");
    ASSERT_TRUE(s.SaveFormatFile(path, prompter));
    EXPECT_EQ(test::ReadAll(path), Record(s));
    CThumbnailSettings other;
    ASSERT_TRUE(other.LoadFormatFile(path, prompter));
    EXPECT_EQ(other, s);
    EXPECT_TRUE(prompter.texts.empty());

    const std::string unwritable = dir.File("missing/look.tfm");
    EXPECT_FALSE(s.SaveFormatFile(unwritable, prompter));
    const std::string missing = dir.File("none.tfm");
    EXPECT_FALSE(other.LoadFormatFile(missing, prompter));

    // A damaged file leaves the format as it was.
    auto cut = Record(CThumbnailSettings());
    cut.resize(cut.size() - 1);
    const std::string damaged = dir.File("cut.tfm");
    test::WriteAll(damaged, cut);
    EXPECT_FALSE(other.LoadFormatFile(damaged, prompter));
    EXPECT_EQ(other, s);

    EXPECT_EQ(prompter.texts, (std::vector<std::string>{"Could not write " + unwritable, "Could not read " + missing,
                                                        damaged + "\nis damaged or not a thumbnail format."}));
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing")));
}

}  // namespace
}  // namespace pix
