// Metafile reading (sizing, playback, hostile input, the corpus) and
// writing (layout, round trip, outside check with wmf2gd when present).
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "common/ByteReader.h"
#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "render/RenderFormats.h"
#include "render/WmfPlayer.h"
#include "render/WmfWriter.h"
#include "support/TestSupport.h"

namespace pix {
namespace {

// ---------------------------------------------------------------------------
// Building metafiles by hand.

class MetafileBuilder {
public:
    // A record whose parameters are 16-bit words in file order.
    MetafileBuilder& Add(uint16_t function, const std::vector<int>& words)
    {
        std::vector<uint8_t> bytes;
        for (int w : words)
            PutU16(bytes, static_cast<uint16_t>(w));
        return AddBytes(function, bytes);
    }

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

    // Header, records and the end record.
    std::vector<uint8_t> Plain() const
    {
        std::vector<uint8_t> out;
        const uint32_t words = static_cast<uint32_t>(9 + records_.size() / 2 + 3);
        PutU16(out, 1);
        PutU16(out, 9);
        PutU16(out, 0x0300);
        PutU32(out, words);
        PutU16(out, objects_);
        PutU32(out, maxRecord_);
        PutU16(out, 0);
        out.insert(out.end(), records_.begin(), records_.end());
        PutU32(out, 3);
        PutU16(out, 0);
        return out;
    }

    std::vector<uint8_t> Placeable(int left, int top, int right, int bottom, int unitsPerInch) const
    {
        std::vector<uint8_t> out;
        PutU32(out, 0x9AC6CDD7);
        for (int w : {0, left, top, right, bottom, unitsPerInch, 0, 0})
            PutU16(out, static_cast<uint16_t>(w));
        uint16_t checksum = 0;
        for (size_t i = 0; i < out.size(); i += 2)
            checksum ^= static_cast<uint16_t>(out[i] | (out[i + 1] << 8));
        PutU16(out, checksum);
        const std::vector<uint8_t> body = Plain();
        out.insert(out.end(), body.begin(), body.end());
        return out;
    }

    // Common records.
    MetafileBuilder& SolidBrush(QColor c) { return Add(wmf::kCreateBrushIndirect, {0, c.red() | (c.green() << 8), c.blue(), 0}); }
    MetafileBuilder& NullBrush() { return Add(wmf::kCreateBrushIndirect, {1, 0, 0, 0}); }
    MetafileBuilder& Pen(int style, int width, QColor c)
    {
        return Add(wmf::kCreatePenIndirect, {style, width, 0, c.red() | (c.green() << 8), c.blue()});
    }
    MetafileBuilder& NullPen() { return Pen(5, 0, Qt::black); }
    MetafileBuilder& Select(int index) { return Add(wmf::kSelectObject, {index}); }
    MetafileBuilder& Delete(int index) { return Add(wmf::kDeleteObject, {index}); }
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

// A 24-bit packed DIB from top-down rows of colours.
std::vector<uint8_t> Dib24(const std::vector<std::vector<QColor>>& rowsFromTop)
{
    const uint32_t height = static_cast<uint32_t>(rowsFromTop.size());
    const uint32_t width = static_cast<uint32_t>(rowsFromTop[0].size());
    std::vector<uint8_t> out;
    PutU32(out, 40);
    PutU32(out, width);
    PutU32(out, height);
    PutU16(out, 1);
    PutU16(out, 24);
    for (int i = 0; i < 6; ++i)
        PutU32(out, 0);
    for (uint32_t row = height; row-- > 0;) {
        size_t written = 0;
        for (const QColor& c : rowsFromTop[row]) {
            out.push_back(static_cast<uint8_t>(c.blue()));
            out.push_back(static_cast<uint8_t>(c.green()));
            out.push_back(static_cast<uint8_t>(c.red()));
            written += 3;
        }
        for (; written % 4; ++written)
            out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> BlitParams(const std::vector<int>& words, const std::vector<uint8_t>& dib)
{
    std::vector<uint8_t> out;
    for (int w : words)
        PutU16(out, static_cast<uint16_t>(w));
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
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

// Every pixel inside [x0, x1) × [y0, y1) is c.
void ExpectArea(const CImageBuffer& buf, int x0, int y0, int x1, int y1, QColor c)
{
    int wrong = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            wrong += At(buf, static_cast<uint32_t>(x), static_cast<uint32_t>(y)) != c;
    EXPECT_EQ(wrong, 0) << "area " << x0 << "," << y0 << " - " << x1 << "," << y1 << " not " << c.name().toStdString();
}

bool AllWhite(const CImageBuffer& buf)
{
    for (uint32_t y = 0; y < buf.Height(); ++y)
        for (uint32_t x = 0; x < buf.Width(); ++x)
            if (At(buf, x, y) != QColor(Qt::white))
                return false;
    return true;
}

const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);

// Keeps the screen resolution a test changes from leaking into others.
struct DpiGuard {
    int saved = ScreenDpi();
    ~DpiGuard() { SetScreenDpi(saved); }
};

// ---------------------------------------------------------------------------
// Sizing.

TEST(WmfSize, PlainMetafileLoadsAt256Square)
{
    const auto file = MetafileBuilder().FillWith(kRed).Rectangle(0, 0, 10, 10).Plain();
    const CImageBuffer buf = Render(file);
    EXPECT_EQ(buf.Width(), 256u);
    EXPECT_EQ(buf.Height(), 256u);
}

TEST(WmfSize, PlaceableFrameIsSizedAtScreenResolutionAndFittedInto2000)
{
    // 4000 × 1000 pixels at 96 units per inch on a 96 dpi screen.
    const auto wide = MetafileBuilder().Placeable(0, 0, 4000, 1000, 96);
    CImageBuffer buf = Render(wide);
    EXPECT_EQ(buf.Width(), 2000u);
    EXPECT_EQ(buf.Height(), 500u);

    // Two inches by half an inch in twips.
    buf = Render(MetafileBuilder().Placeable(-1440, 0, 1440, 720, 1440));
    EXPECT_EQ(buf.Width(), 192u);
    EXPECT_EQ(buf.Height(), 48u);

    // Taller than wide: the height is bound first, the width follows.
    buf = Render(MetafileBuilder().Placeable(0, 0, 1000, 3000, 96));
    EXPECT_EQ(buf.Width(), 666u);
    EXPECT_EQ(buf.Height(), 2000u);
}

TEST(WmfSize, ScreenResolutionScalesThePlaceableFrame)
{
    DpiGuard guard;
    SetScreenDpi(144);
    const CImageBuffer buf = Render(MetafileBuilder().Placeable(0, 0, 200, 100, 96));
    EXPECT_EQ(buf.Width(), 300u);
    EXPECT_EQ(buf.Height(), 150u);
}

TEST(WmfSize, HintsAreTheSizeOfAPlainMetafileAndTheBoundOfAPlaceableOne)
{
    const auto plain = MetafileBuilder().Plain();
    CImageBuffer buf = Render(plain, 100, 60);
    EXPECT_EQ(buf.Width(), 100u);
    EXPECT_EQ(buf.Height(), 60u);

    const auto placeable = MetafileBuilder().Placeable(0, 0, 400, 300, 96);
    buf = Render(placeable, 200, 200);
    EXPECT_EQ(buf.Width(), 200u);
    EXPECT_EQ(buf.Height(), 150u);
    // A bound larger than the frame does not enlarge it.
    buf = Render(placeable, 1000, 1000);
    EXPECT_EQ(buf.Width(), 400u);
    EXPECT_EQ(buf.Height(), 300u);
    // One zero hint leaves no room at all.
    EXPECT_TRUE(Render(placeable, 200, 0).IsEmpty());
    EXPECT_TRUE(Render(plain, 0, 50).IsEmpty());
}

TEST(WmfSize, ZeroUnitsPerInchKeepsTheDefaultSizeAndDrawsNothing)
{
    // The metafile is then taken from the start of the file, where the
    // placeable header stands in the metafile header's place.
    const auto file = MetafileBuilder().FillWith(kRed).Rectangle(0, 0, 100, 100).Placeable(0, 0, 100, 100, 0);
    const CImageBuffer buf = Render(file);
    ASSERT_EQ(buf.Width(), 256u);
    ASSERT_EQ(buf.Height(), 256u);
    EXPECT_TRUE(AllWhite(buf));
}

TEST(WmfSize, UnreadableOrEmptyFramesGiveAnEmptyBuffer)
{
    const auto plain = MetafileBuilder().FillWith(kRed).Rectangle(0, 0, 10, 10).Plain();
    // Shorter than the 22 bytes read first.
    EXPECT_TRUE(Render(std::vector<uint8_t>(plain.begin(), plain.begin() + 21)).IsEmpty());
    // A placeable header without a complete metafile header after it.
    const auto placeable = MetafileBuilder().Placeable(0, 0, 10, 10, 96);
    EXPECT_TRUE(Render(std::vector<uint8_t>(placeable.begin(), placeable.begin() + 30)).IsEmpty());
    // A declared size beyond the end of the file.
    auto truncated = plain;
    truncated.resize(truncated.size() - 2);
    EXPECT_TRUE(Render(truncated).IsEmpty());
    // Empty and inverted frames.
    EXPECT_TRUE(Render(MetafileBuilder().Placeable(0, 0, 0, 100, 96)).IsEmpty());
    EXPECT_TRUE(Render(MetafileBuilder().Placeable(100, 0, 0, 100, 96)).IsEmpty());
    // A frame whose width rounds to nothing once fitted.
    EXPECT_TRUE(Render(MetafileBuilder().Placeable(0, 0, 1, 30000, 96)).IsEmpty());
    // Any bytes but a metafile: the sizing still applies, nothing is drawn.
    std::vector<uint8_t> noise(64, 0);
    const CImageBuffer white = Render(noise);
    ASSERT_EQ(white.Width(), 256u);
    EXPECT_TRUE(AllWhite(white));
}

// ---------------------------------------------------------------------------
// Playback.

TEST(WmfPlayback, AnisotropicWindowMapsOntoThePicture)
{
    // Window (100, 200) + (400, 200) onto 200 × 100: half a pixel per unit.
    const auto file = MetafileBuilder()
                          .MapMode(8)
                          .WindowOrg(100, 200)
                          .WindowExt(400, 200)
                          .FillWith(kRed)
                          .Rectangle(150, 250, 250, 300)
                          .Plain();
    const CImageBuffer buf = Render(file, 200, 100);
    ASSERT_EQ(buf.Width(), 200u);
    // Device rectangle (25, 25)-(75, 50); without a pen the right and
    // bottom edges stay out.
    ExpectArea(buf, 25, 25, 74, 49, kRed);
    EXPECT_EQ(At(buf, 24, 30), kWhite);
    EXPECT_EQ(At(buf, 30, 24), kWhite);
    EXPECT_EQ(At(buf, 74, 30), kWhite);
    EXPECT_EQ(At(buf, 30, 49), kWhite);
}

TEST(WmfPlayback, PenOutlinesTheLastPixelInside)
{
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .Objects(2)
                          .SolidBrush(kRed)
                          .Select(0)
                          .Pen(0, 0, kBlue)
                          .Select(1)
                          .Rectangle(10, 20, 30, 40)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 10, 30), kBlue);
    EXPECT_EQ(At(buf, 29, 30), kBlue);
    EXPECT_EQ(At(buf, 20, 20), kBlue);
    EXPECT_EQ(At(buf, 20, 39), kBlue);
    ExpectArea(buf, 11, 21, 29, 39, kRed);
    EXPECT_EQ(At(buf, 30, 30), kWhite);
    EXPECT_EQ(At(buf, 20, 40), kWhite);
}

TEST(WmfPlayback, NegativeWindowExtentTurnsTheYAxisUp)
{
    const auto file = MetafileBuilder()
                          .WindowOrg(0, 100)
                          .WindowExt(100, -100)
                          .FillWith(kGreen)
                          .Rectangle(10, 90, 30, 70)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    ExpectArea(buf, 10, 10, 29, 29, kGreen);
    EXPECT_EQ(At(buf, 20, 75), kWhite);
}

TEST(WmfPlayback, WithoutWindowThePlaceableFrameMapsOntoThePicture)
{
    const auto file = MetafileBuilder().FillWith(kBlue).Rectangle(-50, -50, 0, 0).Placeable(-50, -50, 50, 50, 96);
    const CImageBuffer buf = Render(file);
    ASSERT_EQ(buf.Width(), 100u);
    ExpectArea(buf, 0, 0, 49, 49, kBlue);
    EXPECT_EQ(At(buf, 60, 60), kWhite);
}

TEST(WmfPlayback, WithoutWindowOrFrameTheDrawingsBoundsFillThePicture)
{
    const auto file = MetafileBuilder()
                          .FillWith(kRed)
                          .Rectangle(1000, 1000, 2000, 2000)
                          .Objects(3)
                          .SolidBrush(kBlue)
                          .Select(2)
                          .Rectangle(1500, 1500, 2000, 2000)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 0, 0), kRed);
    EXPECT_EQ(At(buf, 40, 40), kRed);
    EXPECT_EQ(At(buf, 60, 60), kBlue);
}

TEST(WmfPlayback, ObjectsTakeTheLowestEmptySlotEvenWhenNotDrawn)
{
    // Slot 0: a palette (never drawn); slot 1: red. Deleting the palette
    // frees slot 0 for green.
    std::vector<uint8_t> palette;
    for (int w : {0x0300, 1, 0, 0})
        PutU16(palette, static_cast<uint16_t>(w));
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .Objects(3)
                          .AddBytes(wmf::kCreatePalette, palette)
                          .SolidBrush(kRed)
                          .Delete(0)
                          .SolidBrush(kGreen)
                          .NullPen()
                          .Select(2)
                          .Select(1)
                          .Rectangle(0, 0, 50, 100)
                          .Select(0)
                          .Rectangle(50, 0, 100, 100)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 20, 50), kRed);
    EXPECT_EQ(At(buf, 70, 50), kGreen);
}

TEST(WmfPlayback, RestoreDcBringsBackTheSavedBrush)
{
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .Objects(3)
                          .SolidBrush(kRed)
                          .SolidBrush(kBlue)
                          .NullPen()
                          .Select(2)
                          .Select(0)
                          .Add(wmf::kSaveDc, {})
                          .Select(1)
                          .Rectangle(0, 0, 50, 100)
                          .Add(wmf::kRestoreDc, {-1})
                          .Rectangle(50, 0, 100, 100)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 20, 50), kBlue);
    EXPECT_EQ(At(buf, 70, 50), kRed);
}

TEST(WmfPlayback, ClipRectanglesLimitPainting)
{
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .FillWith(kRed)
                          .Add(wmf::kIntersectClipRect, {80, 80, 20, 20})  // bottom, right, top, left
                          .Add(wmf::kExcludeClipRect, {60, 60, 40, 40})
                          .Rectangle(0, 0, 101, 101)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 10, 10), kWhite);
    EXPECT_EQ(At(buf, 25, 25), kRed);
    EXPECT_EQ(At(buf, 50, 50), kWhite);
    EXPECT_EQ(At(buf, 79, 79), kRed);
    EXPECT_EQ(At(buf, 85, 85), kWhite);
}

TEST(WmfPlayback, PatBltRasterOperations)
{
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .Objects(1)
                          .SolidBrush(kRed)
                          .Select(0)
                          .Add(wmf::kPatBlt, {0x0021, 0x00F0, 10, 10, 0, 0})   // PATCOPY
                          .Add(wmf::kPatBlt, {0x0049, 0x005A, 10, 10, 0, 20})  // PATINVERT on white
                          .Add(wmf::kPatBlt, {0x0009, 0x0055, 10, 10, 0, 40})  // DSTINVERT
                          .Add(wmf::kPatBlt, {0x0042, 0x0000, 10, 10, 0, 60})  // BLACKNESS
                          .Add(wmf::kPatBlt, {0x0021, 0x00F0, 10, 10, 20, 0})
                          .Add(wmf::kPatBlt, {0x0062, 0x00FF, 10, 5, 20, 0})   // WHITENESS over red
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    ExpectArea(buf, 0, 0, 10, 10, kRed);
    ExpectArea(buf, 20, 0, 30, 10, QColor(0, 255, 255));
    ExpectArea(buf, 40, 0, 50, 10, kBlack);
    ExpectArea(buf, 60, 0, 70, 10, kBlack);
    ExpectArea(buf, 0, 20, 5, 30, kWhite);
    ExpectArea(buf, 5, 20, 10, 30, kRed);
}

TEST(WmfPlayback, XorPenInvertsTwice)
{
    // ROP2 XORPEN with a white brush: the first fill turns white to black,
    // the overlapping second turns the overlap back to white.
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .FillWith(kWhite)
                          .Add(wmf::kSetRop2, {7})
                          .Rectangle(0, 0, 61, 101)
                          .Rectangle(40, 0, 101, 101)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 20, 50), kBlack);
    EXPECT_EQ(At(buf, 50, 50), kWhite);
    EXPECT_EQ(At(buf, 80, 50), kBlack);
}

TEST(WmfPlayback, PieRunsCounterClockwiseFromStartToEnd)
{
    // From the 3 o'clock radial to the 12 o'clock radial: the top-right
    // quarter. Swapped radials give the other three quarters.
    const auto quarter = MetafileBuilder()
                             .WindowExt(100, 100)
                             .FillWith(kBlue)
                             .Add(wmf::kPie, {0, 50, 50, 100, 100, 100, 0, 0})
                             .Plain();
    CImageBuffer buf = Render(quarter, 100, 100);
    EXPECT_EQ(At(buf, 70, 30), kBlue);
    EXPECT_EQ(At(buf, 30, 30), kWhite);
    EXPECT_EQ(At(buf, 30, 70), kWhite);
    EXPECT_EQ(At(buf, 70, 70), kWhite);

    const auto rest = MetafileBuilder()
                          .WindowExt(100, 100)
                          .FillWith(kBlue)
                          .Add(wmf::kPie, {50, 100, 0, 50, 100, 100, 0, 0})
                          .Plain();
    buf = Render(rest, 100, 100);
    EXPECT_EQ(At(buf, 70, 30), kWhite);
    EXPECT_EQ(At(buf, 30, 30), kBlue);
    EXPECT_EQ(At(buf, 30, 70), kBlue);
    EXPECT_EQ(At(buf, 70, 70), kBlue);
}

TEST(WmfPlayback, PolyPolygonAlternateLeavesTheHole)
{
    // An outer square and an inner square: ALTERNATE leaves the inner one
    // unfilled, WINDING (same orientation) fills it.
    auto build = [](int fillMode) {
        return MetafileBuilder()
            .WindowExt(100, 100)
            .FillWith(kRed)
            .Add(wmf::kSetPolyFillMode, {fillMode})
            .Add(wmf::kPolyPolygon, {2, 4, 4, 10, 10, 90, 10, 90, 90, 10, 90, 30, 30, 70, 30, 70, 70, 30, 70})
            .Plain();
    };
    CImageBuffer buf = Render(build(1), 100, 100);
    EXPECT_EQ(At(buf, 20, 50), kRed);
    EXPECT_EQ(At(buf, 50, 50), kWhite);
    buf = Render(build(2), 100, 100);
    EXPECT_EQ(At(buf, 50, 50), kRed);
}

TEST(WmfPlayback, DibBlitsLandUprightAndStretch)
{
    const auto dib = Dib24({{kRed, kGreen, kBlue}, {kBlack, QColor(128, 128, 128), QColor(255, 255, 0)}});
    const auto file =
        MetafileBuilder()
            // DIBBITBLT SRCCOPY: ySrc, xSrc, h, w, yDst, xDst.
            .AddBytes(wmf::kDibBitBlt, BlitParams({0x0020, 0x00CC, 0, 0, 2, 3, 1, 2}, dib))
            // DIBSTRETCHBLT SRCCOPY to 6 × 4: srcH, srcW, ySrc, xSrc, dstH, dstW, yDst, xDst.
            .AddBytes(wmf::kDibStretchBlt, BlitParams({0x0020, 0x00CC, 2, 3, 0, 0, 4, 6, 8, 0}, dib))
            .Placeable(0, 0, 16, 16, 96);
    const CImageBuffer buf = Render(file);
    ASSERT_EQ(buf.Width(), 16u);
    EXPECT_EQ(At(buf, 2, 1), kRed);
    EXPECT_EQ(At(buf, 3, 1), kGreen);
    EXPECT_EQ(At(buf, 4, 1), kBlue);
    EXPECT_EQ(At(buf, 2, 2), kBlack);
    EXPECT_EQ(At(buf, 4, 2), QColor(255, 255, 0));
    EXPECT_EQ(At(buf, 5, 1), kWhite);
    EXPECT_EQ(At(buf, 2, 3), kWhite);
    ExpectArea(buf, 0, 8, 2, 10, kRed);
    ExpectArea(buf, 2, 8, 4, 10, kGreen);
    ExpectArea(buf, 4, 10, 6, 12, QColor(255, 255, 0));
    ExpectArea(buf, 0, 12, 6, 13, kWhite);
}

TEST(WmfPlayback, BlitSourceRectangleCountsRowsFromTheBottom)
{
    // One pixel from a bottom-up DIB: ySrc 0 is the bottom row.
    const auto dib = Dib24({{kRed, kGreen}, {kBlue, kBlack}});
    const auto file = MetafileBuilder()
                          .AddBytes(wmf::kDibStretchBlt, BlitParams({0x0020, 0x00CC, 1, 1, 0, 1, 2, 2, 0, 0}, dib))
                          .Placeable(0, 0, 4, 4, 96);
    const CImageBuffer buf = Render(file);
    ExpectArea(buf, 0, 0, 2, 2, kBlack);
}

TEST(WmfPlayback, BlitWithoutBitmapPaintsWithTheBrush)
{
    // (Function >> 8) + 3 = 12 words: ROP, ySrc, xSrc, reserved, h, w, yDst, xDst.
    const auto file = MetafileBuilder()
                          .Objects(1)
                          .SolidBrush(kGreen)
                          .Select(0)
                          .Add(wmf::kDibBitBlt, {0x0021, 0x00F0, 0, 0, 0, 4, 4, 2, 2})
                          .Placeable(0, 0, 10, 10, 96);
    const CImageBuffer buf = Render(file);
    ExpectArea(buf, 2, 2, 6, 6, kGreen);
    EXPECT_EQ(At(buf, 6, 6), kWhite);
}

TEST(WmfPlayback, SourceInvertBlitCombinesWithThePicture)
{
    const auto dib = Dib24({{kRed}});
    const auto file = MetafileBuilder()
                          .AddBytes(wmf::kDibBitBlt, BlitParams({0x0046, 0x0066, 0, 0, 1, 1, 0, 0}, dib))
                          .Placeable(0, 0, 2, 2, 96);
    const CImageBuffer buf = Render(file);
    EXPECT_EQ(At(buf, 0, 0), QColor(0, 255, 255));
    EXPECT_EQ(At(buf, 1, 1), kWhite);
}

TEST(WmfPlayback, BitmapExtentsFollowTheRecordKind)
{
    const auto dib = Dib24({{kRed, kGreen}, {kBlue, kBlack}});
    // Four pixels per logical unit.
    const auto file =
        MetafileBuilder()
            .WindowExt(25, 25)
            // SETDIBTODEV: colour use, scan count, start scan, ySrc, xSrc, h, w, yDst, xDst.
            // Its extent is in device pixels: 2 × 2 at device (20, 20).
            .AddBytes(wmf::kSetDibToDev, BlitParams({0, 2, 0, 0, 0, 2, 2, 5, 5}, dib))
            // DIBBITBLT with an extent of 4 units (16 pixels) and a 2 × 2
            // bitmap: the bitmap covers the whole destination.
            .AddBytes(wmf::kDibBitBlt, BlitParams({0x0020, 0x00CC, 0, 0, 4, 4, 15, 15}, dib))
            .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 20, 20), kRed);
    EXPECT_EQ(At(buf, 21, 21), kBlack);
    EXPECT_EQ(At(buf, 22, 22), kWhite);
    ExpectArea(buf, 60, 60, 68, 68, kRed);
    ExpectArea(buf, 68, 68, 76, 76, kBlack);
    EXPECT_EQ(At(buf, 76, 76), kWhite);
}

TEST(WmfPlayback, DeviceBitmapBlitDrawsItsRows)
{
    // Old BITBLT with a 24-bit Bitmap16: type, width 2, height 1, 6 bytes a
    // row, 1 plane and 24 bits, then blue, green, red per pixel.
    std::vector<uint8_t> params;
    for (int w : {0x0020, 0x00CC, 0, 0, 1, 2, 1, 1, 0, 2, 1, 6})
        PutU16(params, static_cast<uint16_t>(w));
    for (int b : {1, 24, 0, 0, 255, 255, 0, 0})
        params.push_back(static_cast<uint8_t>(b));
    const auto file = MetafileBuilder().AddBytes(wmf::kBitBlt, params).Placeable(0, 0, 4, 4, 96);
    const CImageBuffer buf = Render(file);
    EXPECT_EQ(At(buf, 1, 1), kRed);
    EXPECT_EQ(At(buf, 2, 1), kBlue);
    EXPECT_EQ(At(buf, 3, 1), kWhite);
}

TEST(WmfPlayback, DibPatternBrushTilesFromTheTopLeft)
{
    // 8 × 8, one bit per pixel, palette black and white; stored rows from
    // the bottom alternate 0x00 and 0xFF, so the top row is white.
    std::vector<uint8_t> pattern;
    for (int w : {3, 0})  // style BS_PATTERN (files carry a DIB anyway), RGB colours
        PutU16(pattern, static_cast<uint16_t>(w));
    for (uint32_t v : {40u, 8u, 8u})
        PutU32(pattern, v);
    PutU16(pattern, 1);
    PutU16(pattern, 1);
    for (int i = 0; i < 6; ++i)
        PutU32(pattern, 0);
    PutU32(pattern, 0x000000);
    PutU32(pattern, 0xFFFFFF);
    for (int row = 0; row < 8; ++row)
        PutU32(pattern, row % 2 ? 0xFFu : 0x00u);
    const auto file = MetafileBuilder()
                          .WindowExt(20, 20)
                          .Objects(2)
                          .AddBytes(wmf::kDibCreatePatternBrush, pattern)
                          .Select(0)
                          .NullPen()
                          .Select(1)
                          .Rectangle(0, 0, 20, 20)
                          .Plain();
    const CImageBuffer buf = Render(file, 20, 20);
    for (uint32_t y = 0; y < 12; ++y)
        EXPECT_EQ(At(buf, 3, y), y % 2 ? kBlack : kWhite) << y;
}

TEST(WmfPlayback, MetricMapModeRunsUpwardsInsideThePlaceableFrame)
{
    // Low metric: 254 units per inch, y up; the frame is one inch square
    // above the origin, 96 pixels at 96 dpi.
    const auto file = MetafileBuilder()
                          .MapMode(2)
                          .FillWith(kBlue)
                          .Rectangle(0, 0, 127, -127)
                          .Placeable(0, -254, 254, 0, 254);
    const CImageBuffer buf = Render(file);
    ASSERT_EQ(buf.Width(), 96u);
    ASSERT_EQ(buf.Height(), 96u);
    ExpectArea(buf, 0, 0, 47, 47, kBlue);
    EXPECT_EQ(At(buf, 20, 70), kWhite);
    EXPECT_EQ(At(buf, 70, 20), kWhite);
}

TEST(WmfPlayback, ExtTextOutOpaqueRectangleUsesTheBackgroundColour)
{
    // y, x, count 0, ETO_OPAQUE, rectangle left, top, right, bottom.
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .Add(wmf::kSetBkColor, {0, 0xFF})  // blue
                          .Add(wmf::kExtTextOut, {0, 0, 0, 2, 10, 20, 30, 40})
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    ExpectArea(buf, 10, 20, 30, 40, kBlue);
    EXPECT_EQ(At(buf, 30, 30), kWhite);
    EXPECT_EQ(At(buf, 20, 40), kWhite);
}

// Counts dark pixels in a rectangle.
int DarkPixels(const CImageBuffer& buf, int x0, int y0, int x1, int y1)
{
    int dark = 0;
    for (int y = std::max(0, y0); y < std::min<int>(y1, static_cast<int>(buf.Height())); ++y)
        for (int x = std::max(0, x0); x < std::min<int>(x1, static_cast<int>(buf.Width())); ++x)
            dark += At(buf, static_cast<uint32_t>(x), static_cast<uint32_t>(y)).lightness() < 100;
    return dark;
}

std::vector<uint8_t> FontRecord(int height, int escapement)
{
    std::vector<uint8_t> p;
    for (int w : {height, 0, escapement, escapement, 400})
        PutU16(p, static_cast<uint16_t>(w));
    for (int i = 0; i < 8; ++i)
        p.push_back(0);
    for (char c : std::string("DejaVu Sans"))
        p.push_back(static_cast<uint8_t>(c));
    p.push_back(0);
    return p;
}

std::vector<uint8_t> TextOutParams(const std::string& text, int x, int y)
{
    std::vector<uint8_t> p;
    PutU16(p, static_cast<uint16_t>(text.size()));
    p.insert(p.end(), text.begin(), text.end());
    if (text.size() % 2)
        p.push_back(0);
    PutU16(p, static_cast<uint16_t>(y));
    PutU16(p, static_cast<uint16_t>(x));
    return p;
}

TEST(WmfPlayback, TextIsDrawnFromItsReferencePointAndRotatedByEscapement)
{
    auto build = [](int escapement) {
        return MetafileBuilder()
            .WindowExt(200, 200)
            .Add(wmf::kSetBkMode, {1})
            .Objects(1)
            .AddBytes(wmf::kCreateFontIndirect, FontRecord(-20, escapement))
            .Select(0)
            .Add(wmf::kSetTextAlign, {24})  // baseline
            .AddBytes(wmf::kTextOut, TextOutParams("HHHH", 100, 100))
            .Plain();
    };
    CImageBuffer buf = Render(build(0), 200, 200);
    EXPECT_GT(DarkPixels(buf, 100, 80, 160, 100), 40);  // right of and above the point
    EXPECT_EQ(DarkPixels(buf, 0, 0, 98, 200), 0);
    EXPECT_EQ(DarkPixels(buf, 0, 102, 200, 200), 0);

    buf = Render(build(900), 200, 200);  // 90°: the text runs upwards
    EXPECT_GT(DarkPixels(buf, 80, 40, 100, 100), 40);
    EXPECT_EQ(DarkPixels(buf, 102, 0, 200, 200), 0);
}

TEST(WmfPlayback, OpaqueBackgroundFillsTheTextCell)
{
    const auto file = MetafileBuilder()
                          .WindowExt(200, 100)
                          .Add(wmf::kSetBkMode, {2})
                          .Add(wmf::kSetBkColor, {0xFF00, 0})  // green
                          .Objects(1)
                          .AddBytes(wmf::kCreateFontIndirect, FontRecord(-20, 0))
                          .Select(0)
                          .AddBytes(wmf::kTextOut, TextOutParams("ii", 10, 10))
                          .Plain();
    const CImageBuffer buf = Render(file, 200, 100);
    int green = 0;
    for (uint32_t y = 10; y < 30; ++y)
        for (uint32_t x = 10; x < 20; ++x)
            green += At(buf, x, y) == kGreen;
    EXPECT_GT(green, 20);
    EXPECT_EQ(At(buf, 100, 60), kWhite);
}

// ---------------------------------------------------------------------------
// Hostile input: nothing crashes, every load ends, sizes stay as computed.

TEST(WmfHostile, BrokenRecordsEndPlaybackKeepingWhatWasDrawn)
{
    // A record of size 0, then a rectangle that is never reached.
    auto file = MetafileBuilder()
                    .WindowExt(100, 100)
                    .FillWith(kRed)
                    .Rectangle(0, 0, 50, 50)
                    .AddRaw(0, wmf::kRectangle, {})
                    .Rectangle(50, 50, 100, 100)
                    .Plain();
    CImageBuffer buf = Render(file, 100, 100);
    ASSERT_EQ(buf.Width(), 100u);
    EXPECT_EQ(At(buf, 10, 10), kRed);
    EXPECT_EQ(At(buf, 70, 70), kWhite);

    // A record claiming more words than the metafile holds.
    file = MetafileBuilder()
               .WindowExt(100, 100)
               .FillWith(kRed)
               .Rectangle(0, 0, 50, 50)
               .AddRaw(0x7FFFFFFF, wmf::kRectangle, {0, 0, 0, 0, 0, 0, 0, 0})
               .Plain();
    buf = Render(file, 100, 100);
    EXPECT_EQ(At(buf, 10, 10), kRed);
}

TEST(WmfHostile, CountsBeyondTheRecordAreIgnored)
{
    std::vector<uint8_t> region;
    for (int w : {0, 6, 0, 0, 100, 32767, 32767, 0, 0, 10, 10, 32767, 0, 0})
        PutU16(region, static_cast<uint16_t>(w));
    std::vector<uint8_t> hugeDib = Dib24({{kRed}});
    hugeDib[4] = 0xFF;  // width 0x7F0000FF
    hugeDib[7] = 0x7F;
    hugeDib[8] = 0xFF;  // height 0x7F0000FF, with one row of pixels
    hugeDib[11] = 0x7F;
    const auto file = MetafileBuilder()
                          .WindowExt(100, 100)
                          .FillWith(kRed)
                          .Add(wmf::kPolygon, {32767, 0, 0, 10, 10})
                          .Add(wmf::kPolyline, {-5, 0, 0})
                          .Add(wmf::kPolyPolygon, {32767, 1, 2, 3})
                          .Add(wmf::kPolyPolygon, {2, 32767, 32767, 0, 0})
                          .Add(wmf::kTextOut, {32767, 0x4141})
                          .Add(wmf::kExtTextOut, {0, 0, 32767, 6, 0, 0})
                          .Add(wmf::kRectangle, {1})
                          .Add(wmf::kSelectObject, {60000})
                          .Add(wmf::kDeleteObject, {60000})
                          .Add(wmf::kRestoreDc, {-30000})
                          .Add(wmf::kRestoreDc, {0})
                          .Add(wmf::kSetWindowExt, {0, 0})
                          .Add(wmf::kScaleWindowExt, {0, 1, 0, 1})
                          .AddBytes(wmf::kCreateRegion, region)
                          .Add(wmf::kSelectClipRegion, {2})
                          .AddBytes(wmf::kDibBitBlt, BlitParams({0x0020, 0x00CC, 0, 0, 10, 10, 0, 0}, hugeDib))
                          .Add(wmf::kDibCreatePatternBrush, {5})
                          .Add(wmf::kCreatePatternBrush, {0, 32767, 32767, 32767, 0x0101})
                          .Add(wmf::kStretchDib, {0x0020, 0x00CC})
                          .Rectangle(60, 60, 80, 80)
                          .Plain();
    const CImageBuffer buf = Render(file, 100, 100);
    ASSERT_EQ(buf.Width(), 100u);
    ASSERT_EQ(buf.Height(), 100u);
    // The broken records before it did not stop the last rectangle.
    EXPECT_EQ(At(buf, 70, 70), kRed);
}

TEST(WmfHostile, HugeExtentsAndPensStayFinite)
{
    const auto file = MetafileBuilder()
                          .WindowExt(1, 1)
                          .Objects(3)
                          .Pen(0, 32767, kBlue)
                          .Select(0)
                          .SolidBrush(kRed)
                          .Select(1)
                          .Add(wmf::kEllipse, {32767, 32767, -32768, -32768})
                          .Add(wmf::kArc, {-32768, 32767, 32767, -32768, 32767, 32767, -32768, -32768})
                          .Add(wmf::kRoundRect, {32767, 32767, 32767, 32767, -32768, -32768})
                          .Add(wmf::kScaleViewportExt, {1, 32767, 1, 32767})
                          .Add(wmf::kScaleViewportExt, {1, 32767, 1, 32767})
                          .Add(wmf::kScaleViewportExt, {1, 32767, 1, 32767})
                          .Add(wmf::kLineTo, {32767, 32767})
                          .Plain();
    const CImageBuffer buf = Render(file, 64, 64);
    EXPECT_EQ(buf.Width(), 64u);
    EXPECT_EQ(buf.Height(), 64u);
}

TEST(WmfHostile, TheWorkBudgetEndsLongPlaybacks)
{
    MetafileBuilder builder;
    builder.WindowExt(100, 100).Objects(3).SolidBrush(kRed).SolidBrush(kBlue).NullPen().Select(2).Select(0);
    builder.Rectangle(0, 0, 101, 101);
    for (int i = 0; i < 20000; ++i)
        builder.Add(wmf::kSaveDc, {}).Add(wmf::kRestoreDc, {-1});
    builder.Select(1).Rectangle(0, 0, 101, 101);
    const auto file = builder.Plain();

    EXPECT_EQ(At(Render(file, 100, 100), 50, 50), kBlue);
    WmfLimits small;
    small.work = 10000;
    const CImageBuffer cut = Render(file, 100, 100, small);
    ASSERT_EQ(cut.Width(), 100u);
    EXPECT_EQ(At(cut, 50, 50), kRed);
}

TEST(WmfHostile, MutatedMetafilesLoadAtTheirSizeOrNotAtAll)
{
    const auto dib = Dib24({{kRed, kGreen}, {kBlue, kBlack}});
    std::vector<uint8_t> region;
    for (int w : {0, 6, 0, 0, 30, 1, 4, 0, 0, 10, 10, 2, 0, 10, 0, 10, 2})
        PutU16(region, static_cast<uint16_t>(w));
    const auto seed = MetafileBuilder()
                          .MapMode(8)
                          .WindowOrg(0, 0)
                          .WindowExt(64, 64)
                          .Objects(6)
                          .SolidBrush(kRed)
                          .Select(0)
                          .Pen(1, 2, kBlue)
                          .Select(1)
                          .AddBytes(wmf::kCreateFontIndirect, FontRecord(-12, 450))
                          .Select(2)
                          .AddBytes(wmf::kCreateRegion, region)
                          .Add(wmf::kSelectClipRegion, {3})
                          .Add(wmf::kPolygon, {3, 0, 0, 60, 5, 30, 60})
                          .Add(wmf::kPie, {0, 32, 32, 64, 64, 64, 0, 0})
                          .AddBytes(wmf::kTextOut, TextOutParams("Hi", 5, 5))
                          .AddBytes(wmf::kDibStretchBlt, BlitParams({0x0020, 0x00CC, 2, 2, 0, 0, 20, 20, 40, 40}, dib))
                          .Add(wmf::kSaveDc, {})
                          .Add(wmf::kIntersectClipRect, {40, 40, 0, 0})
                          .Add(wmf::kRestoreDc, {-1})
                          .Placeable(0, 0, 64, 64, 96);
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    for (int round = 0; round < 400; ++round) {
        auto file = seed;
        const int flips = 1 + static_cast<int>(next() % 6);
        for (int i = 0; i < flips; ++i)
            file[next() % file.size()] = static_cast<uint8_t>(next());
        if (next() % 4 == 0)
            file.resize(next() % file.size());
        const CImageBuffer buf = Render(file, 48, 48);
        if (!buf.IsEmpty()) {
            EXPECT_LE(buf.Width(), 48u);
            EXPECT_LE(buf.Height(), 48u);
        }
    }
}

// ---------------------------------------------------------------------------
// Writing.

CImageBuffer Noise(uint32_t width, uint32_t height, uint32_t seed)
{
    CImageBuffer buf;
    EXPECT_TRUE(buf.Create(width, height));
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            buf.SetPixel(x, y, static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
                         static_cast<uint8_t>(seed >> 8));
        }
    return buf;
}

void ExpectSamePixels(const CImageBuffer& a, const CImageBuffer& b)
{
    ASSERT_EQ(a.Width(), b.Width());
    ASSERT_EQ(a.Height(), b.Height());
    for (uint32_t y = 0; y < a.Height(); ++y)
        ASSERT_EQ(0, std::memcmp(a.Row(y), b.Row(y), a.Width() * 3)) << "row " << y;
}

uint16_t WordAt(const std::vector<uint8_t>& bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

TEST(WmfWriter, LayoutOfPlaceableHeaderMetafileHeaderAndBlit)
{
    const CImageBuffer picture = Noise(5, 3, 1);
    const auto bytes = MakeWmfBytes(picture);
    const size_t dibBytes = 40 + StrideFor(5) * 3;
    ASSERT_EQ(bytes.size(), 22u + 18u + 22u + dibBytes + 6u);

    // Placeable header: key, handle, frame (0, 0, 5, 3) at 96 per inch.
    EXPECT_EQ(WordAt(bytes, 0), 0xCDD7);
    EXPECT_EQ(WordAt(bytes, 2), 0x9AC6);
    const std::vector<uint16_t> frame = {WordAt(bytes, 4), WordAt(bytes, 6), WordAt(bytes, 8), WordAt(bytes, 10),
                                         WordAt(bytes, 12), WordAt(bytes, 14)};
    EXPECT_EQ(frame, (std::vector<uint16_t>{0, 0, 0, 5, 3, 96}));
    // Checksum worked by hand: 0xCDD7 ^ 0x9AC6 = 0x5711; ^ 5 ^ 3 ^ 96 = 0x5777.
    EXPECT_EQ(WordAt(bytes, 20), 0x5777);

    // Metafile header: memory type, 9 words, version 3, sizes in words.
    EXPECT_EQ(WordAt(bytes, 22), 1);
    EXPECT_EQ(WordAt(bytes, 24), 9);
    EXPECT_EQ(WordAt(bytes, 26), 0x0300);
    const uint32_t totalWords = WordAt(bytes, 28) | (uint32_t{WordAt(bytes, 30)} << 16);
    EXPECT_EQ(size_t{totalWords} * 2, bytes.size() - 22);
    EXPECT_EQ(WordAt(bytes, 32), 0);
    const uint32_t maxRecord = WordAt(bytes, 34) | (uint32_t{WordAt(bytes, 36)} << 16);
    EXPECT_EQ(size_t{maxRecord} * 2, 22 + dibBytes);

    // The blit: SRCCOPY as 0x0020, 0x00CC; source (0, 0); 3 high, 5 wide at (0, 0).
    const uint32_t blitWords = WordAt(bytes, 40) | (uint32_t{WordAt(bytes, 42)} << 16);
    EXPECT_EQ(blitWords, maxRecord);
    EXPECT_EQ(WordAt(bytes, 44), 0x0940);
    const std::vector<uint16_t> params = {WordAt(bytes, 46), WordAt(bytes, 48), WordAt(bytes, 50), WordAt(bytes, 52),
                                          WordAt(bytes, 54), WordAt(bytes, 56), WordAt(bytes, 58), WordAt(bytes, 60)};
    EXPECT_EQ(params, (std::vector<uint16_t>{0x0020, 0x00CC, 0, 0, 3, 5, 0, 0}));
    // The DIB: 40-byte header, 24 bits, then the buffer's rows as they are.
    EXPECT_EQ(WordAt(bytes, 62), 40);
    EXPECT_EQ(WordAt(bytes, 62 + 14), 24);
    EXPECT_EQ(0, std::memcmp(bytes.data() + 62 + 40, picture.Bits(), picture.BitsSize()));
    // The end record.
    EXPECT_EQ(WordAt(bytes, bytes.size() - 6), 3);
    EXPECT_EQ(WordAt(bytes, bytes.size() - 2), 0);
}

TEST(WmfWriter, ChecksumCoversTheTenWordsBeforeIt)
{
    DpiGuard guard;
    for (int dpi : {72, 96, 120, 300}) {
        SetScreenDpi(dpi);
        const auto bytes = MakeWmfBytes(Noise(37, 11, 2));
        uint16_t x = 0;
        for (size_t offset = 0; offset < 20; offset += 2)
            x ^= WordAt(bytes, offset);
        EXPECT_EQ(WordAt(bytes, 20), x) << dpi;
        EXPECT_EQ(WordAt(bytes, 14), dpi);
    }
}

TEST(WmfWriter, WrittenFilesReadBackPixelForPixel)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    DpiGuard guard;
    for (int dpi : {96, 120}) {
        SetScreenDpi(dpi);
        for (auto [w, h] : {std::pair{1u, 1u}, {3u, 2u}, {5u, 7u}, {33u, 17u}, {101u, 3u}, {640u, 480u}}) {
            SCOPED_TRACE(::testing::Message() << w << "x" << h << " at " << dpi);
            CImageBuffer picture = Noise(w, h, w * 31 + h);
            const std::string path = dir.File("round.wmf");
            WriteWmf(picture, path, prompter);
            CImageBuffer back;
            ReadWmf(path, 0, 0, back);
            ExpectSamePixels(back, picture);
        }
    }
    EXPECT_TRUE(prompter.texts.empty());
}

TEST(WmfWriter, SaveAndLoadDispatchByExtension)
{
    RegisterRenderFormats();
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer picture = Noise(9, 4, 7);
    const std::string path = dir.File("picture.WMF");
    picture.Save(path, prompter);
    CImageBuffer back;
    back.Load(path);
    ExpectSamePixels(back, picture);
    // Loaded with hints the picture is fitted into them.
    back.Load(path, 3, 3);
    EXPECT_EQ(back.Width(), 3u);
    EXPECT_EQ(back.Height(), 1u);
}

TEST(WmfWriter, PicturesWiderThanTheBoundComeBackFitted)
{
    const CImageBuffer picture = Noise(2400, 100, 3);
    const CImageBuffer back = Render(MakeWmfBytes(picture));
    EXPECT_EQ(back.Width(), 2000u);
    EXPECT_EQ(back.Height(), 83u);
}

TEST(WmfWriter, UnwritablePathWritesNothingAndSaysNothing)
{
    test::TempDir dir;
    test::RecordingPrompter prompter;
    CImageBuffer picture = Noise(4, 4, 5);
    const std::string path = dir.File("missing-folder/picture.wmf");
    WriteWmf(picture, path, prompter);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(prompter.texts.empty());

    CImageBuffer empty;
    const std::string emptyPath = dir.File("empty.wmf");
    WriteWmf(empty, emptyPath, prompter);
    EXPECT_FALSE(std::filesystem::exists(emptyPath));
}

TEST(WmfWriter, Wmf2gdAcceptsOurFile)
{
    const char* tool = "/usr/bin/wmf2gd";
    if (!std::filesystem::exists(tool))
        GTEST_SKIP() << "wmf2gd not installed";
    test::TempDir dir;
    test::RecordingPrompter prompter;
    // Left half red, right half blue.
    CImageBuffer picture;
    ASSERT_TRUE(picture.Create(40, 20));
    for (uint32_t y = 0; y < 20; ++y)
        for (uint32_t x = 0; x < 40; ++x)
            picture.SetPixel(x, y, x < 20 ? 255 : 0, 0, x < 20 ? 0 : 255);
    const std::string wmfPath = dir.File("check.wmf");
    const std::string pngPath = dir.File("check.png");
    WriteWmf(picture, wmfPath, prompter);
    const std::string command = std::string(tool) + " -t png -o '" + pngPath + "' '" + wmfPath + "' 2>/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    QImage png(QString::fromStdString(pngPath));
    ASSERT_FALSE(png.isNull());
    const QColor left = png.pixelColor(png.width() / 4, png.height() / 2);
    const QColor right = png.pixelColor(png.width() * 3 / 4, png.height() / 2);
    EXPECT_GT(left.red(), 200);
    EXPECT_LT(left.blue(), 60);
    EXPECT_GT(right.blue(), 200);
    EXPECT_LT(right.red(), 60);
}

// ---------------------------------------------------------------------------
// The size query.

TEST(WmfSizeQuery, AnswersTheFullSizeLoadFromTheHeadersAlone)
{
    RegisterRenderFormats();
    DpiGuard guard;
    test::TempDir dir;
    using Size = std::pair<uint32_t, uint32_t>;
    const auto plain = MetafileBuilder().FillWith(kRed).Rectangle(0, 0, 10, 10).Plain();
    auto truncated = plain;
    truncated.resize(truncated.size() - 2);
    struct Case {
        const char* what;
        std::vector<uint8_t> file;
        std::optional<Size> atDefaultDpi;
    } cases[] = {
        {"plain", plain, Size{256, 256}},
        {"placeable, in twips", MetafileBuilder().Placeable(-1440, 0, 1440, 720, 1440), Size{192, 48}},
        {"placeable, wider than the bound", MetafileBuilder().Placeable(0, 0, 4000, 1000, 96), Size{2000, 500}},
        {"no units per inch", MetafileBuilder().Placeable(0, 0, 100, 100, 0), Size{256, 256}},
        {"written by us", MakeWmfBytes(Noise(33, 17, 4)), Size{33, 17}},
        {"empty frame", MetafileBuilder().Placeable(0, 0, 0, 100, 96), std::nullopt},
        {"declared size beyond the file", truncated, std::nullopt},
        {"shorter than a placeable header", std::vector<uint8_t>(plain.begin(), plain.begin() + 21), std::nullopt},
    };
    for (int dpi : {96, 144}) {
        SetScreenDpi(dpi);
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << c.what << " at " << dpi);
            const std::string path = dir.File("query.wmf");
            test::WriteAll(path, c.file);
            CImageBuffer loaded;
            loaded.Load(path);
            uint32_t w = 0, h = 0;
            const bool answered = QueryImageSize(path, w, h);
            ASSERT_EQ(answered, !loaded.IsEmpty());
            if (!answered)
                continue;
            EXPECT_EQ(Size(w, h), Size(loaded.Width(), loaded.Height()));
            if (dpi == 96) {
                EXPECT_EQ(Size(w, h), c.atDefaultDpi);
            }
            // The two headers are all it needs.
            const std::span<const uint8_t> head(c.file.data(), std::min(c.file.size(), kWmfSizeHeadBytes));
            uint32_t hw = 0, hh = 0;
            ASSERT_TRUE(WmfSizeFromBytes(head, c.file.size(), hw, hh));
            EXPECT_EQ(Size(hw, hh), Size(w, h));
        }
    }
}

TEST(WmfSizeQuery, RegisteringTheRenderFormatsKeepsTheGifSizeQuery)
{
    RegisterRenderFormats();
    test::TempDir dir;
    test::RecordingPrompter prompter;
    // True colour: saved through the writer that reduces colours first.
    CImageBuffer picture = Noise(21, 13, 9);
    picture.Save(dir.File("reduced.gif"), prompter);
    uint32_t w = 0, h = 0;
    ASSERT_TRUE(QueryImageSize(dir.File("reduced.gif"), w, h));
    EXPECT_EQ(w, 21u);
    EXPECT_EQ(h, 13u);
}

// ---------------------------------------------------------------------------
// The shared corpus.

TEST(WmfCorpus, EveryMetafileAsTheManifestExpects)
{
    const auto corpus = test::CorpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "corpus not present";
    RegisterRenderFormats();
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
