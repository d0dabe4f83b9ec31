// Metafile reading (sizing, playback, the corpus) and writing (layout,
// round trip, outside check with wmf2gd when present). Hostile bytes are
// the wmf fuzz target's: its seeds are in fuzz/corpus/wmf/.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "common/ByteReader.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "image/PackedDib.h"
#include "render/ScreenDpi.h"
#include "render/WmfPlayer.h"
#include "render/WmfWriter.h"
#include "support/ImageTestSupport.h"

namespace pix {
namespace {

// ---------------------------------------------------------------------------
// Building metafiles by hand.

// Words, then bytes (a bitmap or text).
std::vector<uint8_t> Params(const std::vector<int>& words, const std::vector<uint8_t>& bytes = {})
{
    std::vector<uint8_t> out;
    for (int w : words)
        PutU16(out, static_cast<uint16_t>(w));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

class MetafileBuilder {
public:
    // A record whose parameters are 16-bit words in file order.
    MetafileBuilder& Add(uint16_t function, const std::vector<int>& words) { return AddBytes(function, Params(words)); }

    MetafileBuilder& AddBytes(uint16_t function, std::vector<uint8_t> params)
    {
        if (params.size() % 2)
            params.push_back(0);
        const uint32_t words = static_cast<uint32_t>(3 + params.size() / 2);
        return AddRaw(words, function, params);
    }

    // A record with a size field of our choosing (for broken records).
    MetafileBuilder& AddRaw(uint32_t sizeWords, uint16_t function, const std::vector<uint8_t>& params)
    {
        PutU32(records_, sizeWords);
        PutU16(records_, function);
        records_.insert(records_.end(), params.begin(), params.end());
        maxRecord_ = std::max(maxRecord_, sizeWords);
        return *this;
    }

    MetafileBuilder& Objects(uint16_t count)
    {
        objects_ = count;
        return *this;
    }

    // Header (in memory, 9 words, version 3, the size in words, objects,
    // the largest record, no parameters), records and the end record.
    std::vector<uint8_t> Plain() const
    {
        const uint32_t words = static_cast<uint32_t>(9 + records_.size() / 2 + 3);
        std::vector<uint8_t> out = Params({1, 9, 0x0300, static_cast<int>(words & 0xFFFF), static_cast<int>(words >> 16),
                                           objects_, static_cast<int>(maxRecord_ & 0xFFFF),
                                           static_cast<int>(maxRecord_ >> 16), 0});
        out.insert(out.end(), records_.begin(), records_.end());
        PutU32(out, 3);
        PutU16(out, 0);
        return out;
    }

    // Key, handle, frame, units per inch, reserved, then the XOR of those
    // words as the checksum.
    std::vector<uint8_t> Placeable(int left, int top, int right, int bottom, int unitsPerInch) const
    {
        std::vector<int> words = {0xCDD7, 0x9AC6, 0, left, top, right, bottom, unitsPerInch, 0, 0};
        int checksum = 0;
        for (int w : words)
            checksum ^= w & 0xFFFF;
        words.push_back(checksum);
        std::vector<uint8_t> out = Params(words);
        const std::vector<uint8_t> body = Plain();
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    // Common records.
    MetafileBuilder& SolidBrush(QColor c) { return Add(wmf::kCreateBrushIndirect, {0, c.red() | (c.green() << 8), c.blue(), 0}); }
    MetafileBuilder& Pen(int style, int width, QColor c)
    {
        return Add(wmf::kCreatePenIndirect, {style, width, 0, c.red() | (c.green() << 8), c.blue()});
    }
    MetafileBuilder& NullPen() { return Pen(5, 0, Qt::black); }
    MetafileBuilder& Select(int index) { return Add(wmf::kSelectObject, {index}); }
    MetafileBuilder& Rectangle(int l, int t, int r, int b) { return Add(wmf::kRectangle, {b, r, t, l}); }
    MetafileBuilder& WindowOrg(int x, int y) { return Add(wmf::kSetWindowOrg, {y, x}); }
    MetafileBuilder& WindowExt(int cx, int cy) { return Add(wmf::kSetWindowExt, {cy, cx}); }
    MetafileBuilder& MapMode(int mode) { return Add(wmf::kSetMapMode, {mode}); }
    // A solid brush and a null pen selected in slots 0 and 1.
    MetafileBuilder& FillWith(QColor c) { return Objects(2).SolidBrush(c).Select(0).NullPen().Select(1); }

private:
    std::vector<uint8_t> records_;
    uint16_t objects_ = 0;
    uint32_t maxRecord_ = 3;
};

// A 24-bit packed DIB (rows stored from the bottom) from top-down rows of
// colours.
std::vector<uint8_t> Dib24(const std::vector<std::vector<QColor>>& rowsFromTop)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(static_cast<uint32_t>(rowsFromTop[0].size()), static_cast<uint32_t>(rowsFromTop.size())));
    for (uint32_t top = 0; top < buf.Height(); ++top)
        for (uint32_t x = 0; x < buf.Width(); ++x) {
            const QColor& c = rowsFromTop[top][x];
            buf.SetPixel(x, buf.Height() - 1 - top, c.red(), c.green(), c.blue());
        }
    return MakePackedDib(buf);
}

std::vector<uint8_t> FontRecord(int height, int escapement)
{
    const std::string face = "DejaVu Sans";
    std::vector<uint8_t> p = Params({height, 0, escapement, escapement, 400, 0, 0, 0, 0});
    p.insert(p.end(), face.begin(), face.end());
    p.push_back(0);
    return p;
}

std::vector<uint8_t> TextOutParams(const std::string& text, int x, int y)
{
    std::vector<uint8_t> p = Params({static_cast<int>(text.size())}, {text.begin(), text.end()});
    if (text.size() % 2)
        p.push_back(0);
    PutU16(p, static_cast<uint16_t>(y));
    PutU16(p, static_cast<uint16_t>(x));
    return p;
}

CImageBuffer Render(const std::vector<uint8_t>& file, uint32_t w = 0, uint32_t h = 0, const WmfLimits& limits = {})
{
    CImageBuffer buf;
    ReadWmfBytes(file, w, h, buf, limits);
    return buf;
}

// The pixel at column x, row top counted from the top of the picture.
QColor At(const CImageBuffer& buf, uint32_t x, uint32_t top)
{
    uint8_t r, g, b;
    buf.GetPixel(x, buf.Height() - 1 - top, r, g, b);
    return QColor(r, g, b);
}

bool AllWhite(const CImageBuffer& buf)
{
    for (uint32_t y = 0; y < buf.Height(); ++y)
        for (uint32_t x = 0; x < buf.Width(); ++x)
            if (At(buf, x, y) != QColor(Qt::white))
                return false;
    return true;
}

// Counts the pixels of a rectangle that are dark, or of the given colour.
int Count(const CImageBuffer& buf, int x0, int y0, int x1, int y1, std::optional<QColor> color = std::nullopt)
{
    int n = 0;
    for (int y = std::max(0, y0); y < std::min<int>(y1, static_cast<int>(buf.Height())); ++y)
        for (int x = std::max(0, x0); x < std::min<int>(x1, static_cast<int>(buf.Width())); ++x) {
            const QColor c = At(buf, static_cast<uint32_t>(x), static_cast<uint32_t>(y));
            n += color ? c == *color : c.lightness() < 100;
        }
    return n;
}

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kCyan(0, 255, 255);
const QColor kYellow(255, 255, 0);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

// Keeps the screen resolution a test changes from leaking into others.
struct DpiGuard {
    int saved = ScreenDpi();
    ~DpiGuard() { SetScreenDpi(saved); }
};

// ---------------------------------------------------------------------------
// Sizing: the loader's size from the headers and the caller's hints, and the
// size query, which must answer every full-size load from the headers alone.

using Size = std::pair<uint32_t, uint32_t>;

TEST(WmfSize, LoadsAndTheSizeQueryAgreeOnEverySize)
{
    DpiGuard guard;
    test::TempDir dir;
    const auto plain = MetafileBuilder().FillWith(kRed).Rectangle(0, 0, 10, 10).Plain();
    // A placeable file whose frame is filled red.
    auto framed = [](int left, int top, int right, int bottom, int unitsPerInch) {
        return MetafileBuilder().FillWith(kRed).Rectangle(left, top, right, bottom).Placeable(left, top, right, bottom,
                                                                                             unitsPerInch);
    };
    const auto frame400x300 = framed(0, 0, 400, 300, 96);
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        uint32_t hintWidth, hintHeight;
        int dpi;
        std::optional<Size> size;  // none: refused
        bool blank = false;        // nothing drawn
    } cases[] = {
        {"plain", plain, 0, 0, 96, Size{256, 256}},
        {"plain, hinted", plain, 100, 60, 96, Size{100, 60}},
        {"plain, one zero hint", plain, 0, 50, 96, std::nullopt},
        {"placeable, wider than the bound", framed(0, 0, 4000, 1000, 96), 0, 0, 96, Size{2000, 500}},
        {"placeable, taller than the bound", framed(0, 0, 1000, 3000, 96), 0, 0, 96, Size{666, 2000}},
        {"placeable, in twips", framed(-1440, 0, 1440, 720, 1440), 0, 0, 96, Size{192, 48}},
        {"placeable, at 144 dpi", framed(0, 0, 200, 100, 96), 0, 0, 144, Size{300, 150}},
        {"placeable, fitted into the hints", frame400x300, 200, 200, 96, Size{200, 150}},
        {"placeable, hints larger than the frame", frame400x300, 1000, 1000, 96, Size{400, 300}},
        {"placeable, one zero hint", frame400x300, 200, 0, 96, std::nullopt},
        // The metafile is then taken from the start of the file, where the
        // placeable header stands in the metafile header's place.
        {"no units per inch", framed(0, 0, 100, 100, 0), 0, 0, 96, Size{256, 256}, true},
        {"written by us", MakeWmfBytes(test::Noise(33, 17, 4)), 0, 0, 96, Size{33, 17}},
        // Refused frames and files; the wmf fuzz seeds hold more.
        {"inverted frame", MetafileBuilder().Placeable(100, 0, 0, 100, 96), 0, 0, 96, std::nullopt},
        {"frame narrower than a pixel once fitted", MetafileBuilder().Placeable(0, 0, 1, 30000, 96), 0, 0, 96, std::nullopt},
        {"declared size beyond the file", {plain.begin(), plain.end() - 2}, 0, 0, 96, std::nullopt},
    };
    // The wmf fuzz target checks the size from the first bytes against the
    // loader; here the query goes through the format table and the file.
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetScreenDpi(c.dpi);
        const CImageBuffer buf = Render(c.file, c.hintWidth, c.hintHeight);
        ASSERT_EQ(buf.IsEmpty(), !c.size);
        if (c.size) {
            EXPECT_EQ(Size(buf.Width(), buf.Height()), *c.size);
            EXPECT_EQ(AllWhite(buf), c.blank);
        }
        if (c.hintWidth != 0 || c.hintHeight != 0)
            continue;
        const std::string path = dir.File("query.wmf");
        test::WriteAll(path, c.file);
        uint32_t w = 0, h = 0;
        ASSERT_EQ(QueryImageSize(path, w, h), c.size.has_value());
        if (c.size) {
            EXPECT_EQ(Size(w, h), *c.size);
        }
    }
}

// ---------------------------------------------------------------------------
// Playback: metafiles whose records land on known device pixels.

// Device pixels [x0, x1) × [y0, y1), rows counted from the top, that must
// all be one colour.
struct Area {
    int x0, y0, x1, y1;
    QColor color;
};
Area Pixel(int x, int y, QColor color) { return {x, y, x + 1, y + 1, color}; }

struct Playback {
    const char* what;
    std::vector<uint8_t> file;
    std::vector<Area> expected;
    Size size{100, 100};  // the hints, which a placeable frame at 96 dpi fills too
};

void ExpectPlayback(const std::vector<Playback>& cases)
{
    for (const Playback& c : cases) {
        SCOPED_TRACE(c.what);
        const CImageBuffer buf = Render(c.file, c.size.first, c.size.second);
        ASSERT_EQ(Size(buf.Width(), buf.Height()), c.size);
        for (const Area& a : c.expected) {
            int wrong = 0;
            for (int y = a.y0; y < a.y1; ++y)
                for (int x = a.x0; x < a.x1; ++x)
                    wrong += At(buf, static_cast<uint32_t>(x), static_cast<uint32_t>(y)) != a.color;
            EXPECT_EQ(wrong, 0) << "area " << a.x0 << "," << a.y0 << " - " << a.x1 << "," << a.y1 << " not "
                                << a.color.name().toStdString();
        }
    }
}

TEST(WmfPlayback, MappingAndFraming)
{
    ExpectPlayback({
        // Window (100, 200) + (400, 200) onto 200 × 100: half a pixel per
        // unit, device rectangle (25, 25)-(75, 50); without a pen the right
        // and bottom edges stay out.
        {"anisotropic window",
         MetafileBuilder().MapMode(8).WindowOrg(100, 200).WindowExt(400, 200).FillWith(kRed).Rectangle(150, 250, 250, 300).Plain(),
         {{25, 25, 74, 49, kRed}, Pixel(24, 30, kWhite), Pixel(30, 24, kWhite), Pixel(74, 30, kWhite),
          Pixel(30, 49, kWhite)},
         {200, 100}},
        {"a negative window extent turns the y axis up",
         MetafileBuilder().WindowOrg(0, 100).WindowExt(100, -100).FillWith(kGreen).Rectangle(10, 90, 30, 70).Plain(),
         {{10, 10, 29, 29, kGreen}, Pixel(20, 75, kWhite)}},
        {"without a window the placeable frame maps onto the picture",
         MetafileBuilder().FillWith(kBlue).Rectangle(-50, -50, 0, 0).Placeable(-50, -50, 50, 50, 96),
         {{0, 0, 49, 49, kBlue}, Pixel(60, 60, kWhite)}},
        {"without window or frame the drawing's bounds fill the picture",
         MetafileBuilder().FillWith(kRed).Rectangle(1000, 1000, 2000, 2000).Objects(3).SolidBrush(kBlue).Select(2)
             .Rectangle(1500, 1500, 2000, 2000).Plain(),
         {Pixel(0, 0, kRed), Pixel(40, 40, kRed), Pixel(60, 60, kBlue)}},
        // Low metric: 254 units per inch, y up; the frame is one inch square
        // above the origin, 96 pixels at 96 dpi.
        {"metric map mode runs upwards inside the placeable frame",
         MetafileBuilder().MapMode(2).FillWith(kBlue).Rectangle(0, 0, 127, -127).Placeable(0, -254, 254, 0, 254),
         {{0, 0, 47, 47, kBlue}, Pixel(20, 70, kWhite), Pixel(70, 20, kWhite)}, {96, 96}},
    });
}

TEST(WmfPlayback, ObjectsStatesAndClipping)
{
    auto twoBrushes = [] {
        return MetafileBuilder().WindowExt(100, 100).Objects(3).SolidBrush(kRed).SolidBrush(kBlue).NullPen().Select(2);
    };
    ExpectPlayback({
        {"the pen outlines the last pixel inside",
         MetafileBuilder().WindowExt(100, 100).Objects(2).SolidBrush(kRed).Select(0).Pen(0, 0, kBlue).Select(1)
             .Rectangle(10, 20, 30, 40).Plain(),
         {Pixel(10, 30, kBlue), Pixel(29, 30, kBlue), Pixel(20, 20, kBlue), Pixel(20, 39, kBlue), {11, 21, 29, 39, kRed},
          Pixel(30, 30, kWhite), Pixel(20, 40, kWhite)}},
        // Slot 0: a palette (never drawn); slot 1: red. Deleting the palette
        // frees slot 0 for green.
        {"objects take the lowest empty slot even when not drawn",
         MetafileBuilder().WindowExt(100, 100).Objects(3).AddBytes(wmf::kCreatePalette, Params({0x0300, 1, 0, 0}))
             .SolidBrush(kRed).Add(wmf::kDeleteObject, {0}).SolidBrush(kGreen).NullPen().Select(2)
             .Select(1).Rectangle(0, 0, 50, 100).Select(0).Rectangle(50, 0, 100, 100).Plain(),
         {Pixel(20, 50, kRed), Pixel(70, 50, kGreen)}},
        {"RestoreDC brings back the saved brush",
         twoBrushes().Select(0).Add(wmf::kSaveDc, {}).Select(1).Rectangle(0, 0, 50, 100)
             .Add(wmf::kRestoreDc, {-1}).Rectangle(50, 0, 100, 100).Plain(),
         {Pixel(20, 50, kBlue), Pixel(70, 50, kRed)}},
        // Levels that were never saved, and extents of nothing, change nothing.
        {"impossible states and extents are passed over",
         twoBrushes().Select(0).Add(wmf::kSaveDc, {}).Select(1).Add(wmf::kRestoreDc, {-30000})
             .Add(wmf::kRestoreDc, {0}).Add(wmf::kRestoreDc, {2}).Add(wmf::kSetWindowExt, {0, 0})
             .Add(wmf::kScaleWindowExt, {0, 1, 0, 1}).Rectangle(0, 0, 50, 100).Plain(),
         {{0, 0, 49, 99, kBlue}, Pixel(70, 50, kWhite)}},
        {"clip rectangles limit painting",
         MetafileBuilder().WindowExt(100, 100).FillWith(kRed)
             .Add(wmf::kIntersectClipRect, {80, 80, 20, 20})  // bottom, right, top, left
             .Add(wmf::kExcludeClipRect, {60, 60, 40, 40}).Rectangle(0, 0, 101, 101).Plain(),
         {Pixel(10, 10, kWhite), Pixel(25, 25, kRed), Pixel(50, 50, kWhite), Pixel(79, 79, kRed), Pixel(85, 85, kWhite)}},
        // ROP2 XORPEN with a white brush: the first fill turns white to
        // black, the overlapping second turns the overlap back to white.
        {"the XOR pen inverts twice",
         MetafileBuilder().WindowExt(100, 100).FillWith(kWhite).Add(wmf::kSetRop2, {7}).Rectangle(0, 0, 61, 101)
             .Rectangle(40, 0, 101, 101).Plain(),
         {Pixel(20, 50, kBlack), Pixel(50, 50, kWhite), Pixel(80, 50, kBlack)}},
        // Blue everywhere, then stripes of a red brush under ROP2 BLACK, NOT,
        // NOP, NOTCOPYPEN and WHITE.
        {"ROP2 modes",
         twoBrushes().Select(1).Rectangle(0, 0, 101, 101).Select(0).Add(wmf::kSetRop2, {1}).Rectangle(0, 0, 20, 101)
             .Add(wmf::kSetRop2, {6}).Rectangle(20, 0, 40, 101).Add(wmf::kSetRop2, {11}).Rectangle(40, 0, 60, 101)
             .Add(wmf::kSetRop2, {4}).Rectangle(60, 0, 80, 101).Add(wmf::kSetRop2, {16}).Rectangle(80, 0, 101, 101)
             .Plain(),
         {Pixel(10, 50, kBlack), Pixel(30, 50, kYellow), Pixel(50, 50, kBlue), Pixel(70, 50, kCyan), Pixel(90, 50, kWhite)}},
        // A broken size field ends playback; the picture keeps its size and
        // what was drawn before. (The fuzz seeds hold the other broken records.)
        {"a record of size 0 ends playback",
         MetafileBuilder().WindowExt(100, 100).FillWith(kRed).Rectangle(0, 0, 50, 50).AddRaw(0, wmf::kRectangle, {})
             .Rectangle(50, 50, 100, 100).Plain(),
         {{0, 0, 49, 49, kRed}, Pixel(70, 70, kWhite)}},
    });
}

TEST(WmfPlayback, Shapes)
{
    // An outer square and an inner square of the same orientation.
    auto squares = [](int fillMode) {
        return MetafileBuilder().WindowExt(100, 100).FillWith(kRed).Add(wmf::kSetPolyFillMode, {fillMode})
            .Add(wmf::kPolyPolygon, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70}).Plain();
    };
    // Counter-clockwise from the start radial to the end radial.
    auto pie = [](int xStart, int yStart, int xEnd, int yEnd) {
        return MetafileBuilder().WindowExt(100, 100).FillWith(kBlue)
            .Add(wmf::kPie, {yEnd, xEnd, yStart, xStart, 100, 100, 0, 0}).Plain();
    };
    ExpectPlayback({
        {"ALTERNATE leaves the hole", squares(1), {Pixel(20, 50, kRed), Pixel(50, 50, kWhite)}},
        {"WINDING fills it", squares(2), {Pixel(20, 50, kRed), Pixel(50, 50, kRed)}},
        {"pie from 3 to 12 o'clock", pie(100, 50, 50, 0),
         {Pixel(70, 30, kBlue), Pixel(30, 30, kWhite), Pixel(30, 70, kWhite), Pixel(70, 70, kWhite)}},
        {"pie from 12 to 3 o'clock", pie(50, 0, 100, 50),
         {Pixel(70, 30, kWhite), Pixel(30, 30, kBlue), Pixel(30, 70, kBlue), Pixel(70, 70, kBlue)}},
        // y, x, count 0, ETO_OPAQUE, rectangle left, top, right, bottom.
        {"ExtTextOut's opaque rectangle has the background colour",
         MetafileBuilder().WindowExt(100, 100).Add(wmf::kSetBkColor, {0, 0xFF})
             .Add(wmf::kExtTextOut, {0, 0, 0, 2, 10, 20, 30, 40}).Plain(),
         {{10, 20, 30, 40, kBlue}, Pixel(30, 30, kWhite), Pixel(20, 40, kWhite)}},
    });
}

TEST(WmfPlayback, BitmapsAndRasterOperations)
{
    const auto dib3x2 = Dib24({{kRed, kGreen, kBlue}, {kBlack, QColor(128, 128, 128), kYellow}});
    const auto dib2x2 = Dib24({{kRed, kGreen}, {kBlue, kBlack}});
    // Old BITBLT's 24-bit Bitmap16: type, width 2, height 1, 6 bytes a row,
    // 1 plane and 24 bits, then blue, green, red per pixel.
    const auto bitmap16 = Params({0x0020, 0x00CC, 0, 0, 1, 2, 1, 1, 0, 2, 1, 6}, {1, 24, 0, 0, 255, 255, 0, 0});
    // Style BS_PATTERN (files carry a DIB anyway), RGB colours, and an 8 × 8
    // DIB of one plane of 1 bit, palette black and white; the stored rows
    // from the bottom alternate 0x00 and 0xFF, so the top row is white.
    std::vector<uint8_t> pattern = Params({3, 0});
    for (uint32_t v : {40u, 8u, 8u, 0x00010001u, 0u, 0u, 0u, 0u, 0u, 0u, 0x000000u, 0xFFFFFFu})
        PutU32(pattern, v);
    for (int row = 0; row < 8; ++row)
        PutU32(pattern, row % 2 ? 0xFFu : 0x00u);
    ExpectPlayback({
        {"PatBlt raster operations",
         MetafileBuilder().WindowExt(100, 100).Objects(1).SolidBrush(kRed).Select(0)
             .Add(wmf::kPatBlt, {0x0021, 0x00F0, 10, 10, 0, 0})   // PATCOPY
             .Add(wmf::kPatBlt, {0x0049, 0x005A, 10, 10, 0, 20})  // PATINVERT on white
             .Add(wmf::kPatBlt, {0x0009, 0x0055, 10, 10, 0, 40})  // DSTINVERT
             .Add(wmf::kPatBlt, {0x0042, 0x0000, 10, 10, 0, 60})  // BLACKNESS
             .Add(wmf::kPatBlt, {0x0021, 0x00F0, 10, 10, 20, 0})
             .Add(wmf::kPatBlt, {0x0062, 0x00FF, 10, 5, 20, 0})   // WHITENESS over red
             .Plain(),
         {{0, 0, 10, 10, kRed}, {20, 0, 30, 10, kCyan}, {40, 0, 50, 10, kBlack}, {60, 0, 70, 10, kBlack},
          {0, 20, 5, 30, kWhite}, {5, 20, 10, 30, kRed}}},
        {"DIB blits land upright and stretch",
         MetafileBuilder()
             // DIBBITBLT SRCCOPY: ySrc, xSrc, h, w, yDst, xDst.
             .AddBytes(wmf::kDibBitBlt, Params({0x0020, 0x00CC, 0, 0, 2, 3, 1, 2}, dib3x2))
             // DIBSTRETCHBLT SRCCOPY to 6 × 4: srcH, srcW, ySrc, xSrc, dstH, dstW, yDst, xDst.
             .AddBytes(wmf::kDibStretchBlt, Params({0x0020, 0x00CC, 2, 3, 0, 0, 4, 6, 8, 0}, dib3x2))
             .Placeable(0, 0, 16, 16, 96),
         {Pixel(2, 1, kRed), Pixel(3, 1, kGreen), Pixel(4, 1, kBlue), Pixel(2, 2, kBlack), Pixel(4, 2, kYellow),
          Pixel(5, 1, kWhite), Pixel(2, 3, kWhite), {0, 8, 2, 10, kRed}, {2, 8, 4, 10, kGreen}, {4, 10, 6, 12, kYellow},
          {0, 12, 6, 13, kWhite}}, {16, 16}},
        // One pixel from a bottom-up DIB: ySrc 0 is the bottom row.
        {"the source rectangle counts rows from the bottom",
         MetafileBuilder().AddBytes(wmf::kDibStretchBlt, Params({0x0020, 0x00CC, 1, 1, 0, 1, 2, 2, 0, 0}, dib2x2))
             .Placeable(0, 0, 4, 4, 96),
         {{0, 0, 2, 2, kBlack}}, {4, 4}},
        // (Function >> 8) + 3 = 12 words: ROP, ySrc, xSrc, reserved, h, w, yDst, xDst.
        {"a blit without bitmap paints with the brush",
         MetafileBuilder().Objects(1).SolidBrush(kGreen).Select(0)
             .Add(wmf::kDibBitBlt, {0x0021, 0x00F0, 0, 0, 0, 4, 4, 2, 2}).Placeable(0, 0, 10, 10, 96),
         {{2, 2, 6, 6, kGreen}, Pixel(6, 6, kWhite)}, {10, 10}},
        {"SRCINVERT combines with the picture",
         MetafileBuilder().AddBytes(wmf::kDibBitBlt, Params({0x0046, 0x0066, 0, 0, 1, 1, 0, 0}, Dib24({{kRed}})))
             .Placeable(0, 0, 2, 2, 96),
         {Pixel(0, 0, kCyan), Pixel(1, 1, kWhite)}, {2, 2}},
        // Four pixels per logical unit. SETDIBTODEV (colour use, scan count,
        // start scan, ySrc, xSrc, h, w, yDst, xDst) copies 2 × 2 device
        // pixels to (20, 20); DIBBITBLT's extent of 4 units (16 pixels)
        // takes the whole 2 × 2 bitmap.
        {"bitmap extents follow the record kind",
         MetafileBuilder().WindowExt(25, 25).AddBytes(wmf::kSetDibToDev, Params({0, 2, 0, 0, 0, 2, 2, 5, 5}, dib2x2))
             .AddBytes(wmf::kDibBitBlt, Params({0x0020, 0x00CC, 0, 0, 4, 4, 15, 15}, dib2x2)).Plain(),
         {Pixel(20, 20, kRed), Pixel(21, 21, kBlack), Pixel(22, 22, kWhite), {60, 60, 68, 68, kRed},
          {68, 68, 76, 76, kBlack}, Pixel(76, 76, kWhite)}},
        {"a device bitmap blit draws its rows", MetafileBuilder().AddBytes(wmf::kBitBlt, bitmap16).Placeable(0, 0, 4, 4, 96),
         {Pixel(1, 1, kRed), Pixel(2, 1, kBlue), Pixel(3, 1, kWhite)}, {4, 4}},
        {"a DIB pattern brush tiles from the top left",
         MetafileBuilder().WindowExt(20, 20).Objects(2).AddBytes(wmf::kDibCreatePatternBrush, pattern).Select(0)
             .NullPen().Select(1).Rectangle(0, 0, 20, 20).Plain(),
         {Pixel(3, 0, kWhite), Pixel(3, 1, kBlack), Pixel(3, 6, kWhite), Pixel(3, 7, kBlack), Pixel(3, 8, kWhite),
          Pixel(3, 11, kBlack)}, {20, 20}},
    });
}

TEST(WmfPlayback, Text)
{
    // Transparent text on the baseline at (100, 100).
    auto build = [](int escapement) {
        return MetafileBuilder().WindowExt(200, 200).Add(wmf::kSetBkMode, {1}).Objects(1)
            .AddBytes(wmf::kCreateFontIndirect, FontRecord(-20, escapement)).Select(0)
            .Add(wmf::kSetTextAlign, {24})
            .AddBytes(wmf::kTextOut, TextOutParams("HHHH", 100, 100)).Plain();
    };
    CImageBuffer buf = Render(build(0), 200, 200);
    EXPECT_GT(Count(buf, 100, 80, 160, 100), 40);  // right of and above the point
    EXPECT_EQ(Count(buf, 0, 0, 98, 200), 0);
    EXPECT_EQ(Count(buf, 0, 102, 200, 200), 0);

    buf = Render(build(900), 200, 200);  // 90°: the text runs upwards
    EXPECT_GT(Count(buf, 80, 40, 100, 100), 40);
    EXPECT_EQ(Count(buf, 102, 0, 200, 200), 0);

    // An opaque background fills the text cell: green behind "ii" at (10, 10).
    buf = Render(MetafileBuilder().WindowExt(200, 100).Add(wmf::kSetBkMode, {2}).Add(wmf::kSetBkColor, {0xFF00, 0})
                     .Objects(1).AddBytes(wmf::kCreateFontIndirect, FontRecord(-20, 0)).Select(0)
                     .AddBytes(wmf::kTextOut, TextOutParams("ii", 10, 10)).Plain(),
                 200, 100);
    EXPECT_GT(Count(buf, 10, 10, 20, 30, kGreen), 20);
    EXPECT_EQ(At(buf, 100, 60), kWhite);
}

TEST(WmfPlayback, TheWorkBudgetEndsLongPlaybacks)
{
    MetafileBuilder builder;
    builder.WindowExt(100, 100).Objects(3).SolidBrush(kRed).SolidBrush(kBlue).NullPen().Select(2).Select(0);
    builder.Rectangle(0, 0, 101, 101);
    for (int i = 0; i < 20000; ++i)
        builder.Add(wmf::kSaveDc, {}).Add(wmf::kRestoreDc, {-1});
    const auto file = builder.Select(1).Rectangle(0, 0, 101, 101).Plain();

    EXPECT_EQ(At(Render(file, 100, 100), 50, 50), kBlue);
    WmfLimits small;
    small.work = 10000;
    const CImageBuffer cut = Render(file, 100, 100, small);
    ASSERT_EQ(cut.Width(), 100u);
    EXPECT_EQ(At(cut, 50, 50), kRed);
}

// Extents and pens far beyond the picture: the mapping stays finite and the
// pen is held to a width the painter can draw, so the shapes still paint.
TEST(WmfPlayback, HugeExtentsAndPensStillPaint)
{
    MetafileBuilder scaled;
    scaled.WindowExt(64, 64).FillWith(kRed).Rectangle(0, 0, 0, 0);
    for (int i = 0; i < 70; ++i)  // far beyond where doubles overflow
        scaled.Add(wmf::kScaleViewportExt, {1, 32767, 1, 32767});
    const std::vector<int> scaleUp = {1, 32767, 1, 32767};
    ExpectPlayback({
        // One unit is the whole picture; the pen is 32767 units wide.
        {"huge shapes and a line under a huge pen",
         MetafileBuilder().WindowExt(1, 1).Objects(2).Pen(0, 32767, kBlue).Select(0).SolidBrush(kRed).Select(1)
             .Add(wmf::kEllipse, {32767, 32767, -32768, -32768})
             .Add(wmf::kArc, {-32768, 32767, 32767, -32768, 32767, 32767, -32768, -32768})
             .Add(wmf::kRoundRect, {32767, 32767, 32767, 32767, -32768, -32768})
             .Add(wmf::kScaleViewportExt, scaleUp).Add(wmf::kScaleViewportExt, scaleUp)
             .Add(wmf::kScaleViewportExt, scaleUp).Add(wmf::kLineTo, {32767, 32767}).Plain(),
         {{0, 0, 64, 64, kBlue}}, {64, 64}},
        {"a viewport scaled toward infinity", scaled.Rectangle(0, 0, 1, 1).Plain(), {{0, 0, 64, 64, kRed}}, {64, 64}},
    });
}

// ---------------------------------------------------------------------------
// Writing.

TEST(WmfWriter, LayoutOfPlaceableHeaderMetafileHeaderAndBlit)
{
    DpiGuard guard;
    SetScreenDpi(96);
    const CImageBuffer picture = test::Gradient(5, 3);
    const std::vector<uint8_t> head = {
        // Placeable header: key, handle, frame (0, 0, 5, 3) at 96 units per
        // inch, reserved, checksum (0xCDD7 ^ 0x9AC6 ^ 5 ^ 3 ^ 96).
        0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 5, 0, 3, 0, 96, 0, 0, 0, 0, 0, 0x77, 0x57,
        // Metafile header: in memory, 9 words, version 3, 67 words in all,
        // no objects, the largest record 55 words.
        1, 0, 9, 0, 0, 3, 67, 0, 0, 0, 0, 0, 55, 0, 0, 0, 0, 0,
        // DIBBITBLT of 55 words: SRCCOPY, source (0, 0), 3 high and 5 wide at (0, 0).
        55, 0, 0, 0, 0x40, 0x09, 0x20, 0, 0xCC, 0, 0, 0, 0, 0, 3, 0, 5, 0, 0, 0, 0, 0,
        // The DIB's header: 40 bytes, 5 × 3, one plane of 24 bits.
        40, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0};
    const std::vector<uint8_t> end = {3, 0, 0, 0, 0, 0};
    const auto bytes = MakeWmfBytes(picture);
    ASSERT_EQ(bytes.size(), head.size() + picture.BitsSize() + end.size());
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + head.size()), head);
    // The rows as the buffer holds them, bottom-up and padded.
    EXPECT_EQ(0, std::memcmp(bytes.data() + head.size(), picture.Bits(), picture.BitsSize()));
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 6, bytes.end()), end);
}

TEST(WmfWriter, SavedFilesLoadBackPixelForPixel)
{
    test::TempDir dir;
    DpiGuard guard;
    const std::string path = dir.File("picture.WMF");
    for (int dpi : {96, 120}) {
        SetScreenDpi(dpi);
        for (auto [w, h] : {std::pair{1u, 1u}, {3u, 2u}, {5u, 7u}, {33u, 17u}, {101u, 3u}, {640u, 480u}}) {
            SCOPED_TRACE(::testing::Message() << w << "x" << h << " at " << dpi);
            CImageBuffer picture = test::Noise(w, h, w * 31 + h);
            ASSERT_TRUE(picture.Save(path).Ok());
            CImageBuffer back;
            back.Load(path);
            EXPECT_TRUE(test::SamePixels(back, picture));
        }
    }
}

TEST(WmfWriter, UnwritablePathOrEmptyPictureWritesNothingAndSaysWhy)
{
    test::TempDir dir;
    CImageBuffer picture = test::Noise(4, 4, 5);
    CImageBuffer empty;
    const std::string missing = dir.File("missing-folder/picture.wmf");
    EXPECT_EQ(WriteWmf(picture, missing).Text(), "Could not write " + missing + ":\nNo such file or directory");
    EXPECT_EQ(WriteWmf(empty, dir.File("empty.wmf")).Why(), MsgId::ImageWriteFailed);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(WmfWriter, Wmf2gdAcceptsOurFile)
{
    const char* tool = "/usr/bin/wmf2gd";
    if (!std::filesystem::exists(tool))
        GTEST_SKIP() << "wmf2gd not installed";
    test::TempDir dir;
    // Left half red, right half blue.
    CImageBuffer picture = test::SolidPicture(40, 20, 0, 0, 255);
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 0; x < 20; ++x)
            picture.SetPixel(x, y, 255, 0, 0);
    const std::string wmfPath = dir.File("check.wmf");
    const std::string pngPath = dir.File("check.png");
    ASSERT_TRUE(WriteWmf(picture, wmfPath).Ok());
    const std::string command = std::string(tool) + " -t png -o '" + pngPath + "' '" + wmfPath + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    QImage png(QString::fromStdString(pngPath));
    ASSERT_FALSE(png.isNull());
    const QColor left = png.pixelColor(png.width() / 4, png.height() / 2);
    const QColor right = png.pixelColor(png.width() * 3 / 4, png.height() / 2);
    EXPECT_TRUE(left.red() > 200 && left.blue() < 60) << left.name().toStdString();
    EXPECT_TRUE(right.blue() > 200 && right.red() < 60) << right.name().toStdString();
}

// ---------------------------------------------------------------------------
// The shared corpus.

TEST(WmfCorpus, EveryMetafileAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    // The size query gives every picture's size, from the headers, and
    // none for what does not load; what loads shows a drawing.
    test::RunCorpusFolder(corpus, "wmf/", {.extra = [](const test::ManifestRow& row, const std::string& file,
                                                       const CImageBuffer& buf) {
        test::ExpectSizeQueryAgrees(file, buf, true);
        if (row.expected.starts_with("loads ") && !buf.IsEmpty()) {
            EXPECT_FALSE(AllWhite(buf)) << "nothing was drawn";
        }
    }});
}

}  // namespace
}  // namespace pix
