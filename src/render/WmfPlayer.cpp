#include "render/WmfPlayer.h"

#include <QBrush>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>
#include <variant>
#include <vector>

#include "common/ByteReader.h"
#include "common/FileBytes.h"
#include "image/CImageBuffer.h"
#include "image/PackedDib.h"
#include "render/ImageConversion.h"
#include "render/RenderFormats.h"

namespace pix {

namespace {

// ---------------------------------------------------------------------------
// GDI constants the records refer to.

enum MapMode : int {
    kMmText = 1,
    kMmLoMetric = 2,
    kMmHiMetric = 3,
    kMmLoEnglish = 4,
    kMmHiEnglish = 5,
    kMmTwips = 6,
    kMmIsotropic = 7,
    kMmAnisotropic = 8,
};

constexpr int kBkTransparent = 1;
constexpr int kBkOpaque = 2;
constexpr int kPolyFillWinding = 2;
constexpr int kStretchHalftone = 4;

enum Rop2 : int {
    kR2Black = 1,
    kR2NotMergePen = 2,
    kR2MaskNotPen = 3,
    kR2NotCopyPen = 4,
    kR2MaskPenNot = 5,
    kR2Not = 6,
    kR2XorPen = 7,
    kR2NotMaskPen = 8,
    kR2MaskPen = 9,
    kR2NotXorPen = 10,
    kR2Nop = 11,
    kR2MergeNotPen = 12,
    kR2CopyPen = 13,
    kR2MergePenNot = 14,
    kR2MergePen = 15,
    kR2White = 16,
};

// Pen styles and the cap and join bits of geometric pens.
constexpr int kPenStyleMask = 0x000F;
constexpr int kPsSolid = 0;
constexpr int kPsDash = 1;
constexpr int kPsDot = 2;
constexpr int kPsDashDot = 3;
constexpr int kPsDashDotDot = 4;
constexpr int kPsNull = 5;
constexpr int kPenCapMask = 0x0F00;
constexpr int kPenCapSquare = 0x0100;
constexpr int kPenCapFlat = 0x0200;
constexpr int kPenJoinMask = 0xF000;
constexpr int kPenJoinBevel = 0x1000;
constexpr int kPenJoinMiter = 0x2000;

// Brush styles and hatches.
constexpr int kBsSolid = 0;
constexpr int kBsNull = 1;
constexpr int kBsHatched = 2;
constexpr int kBsPattern = 3;
constexpr int kHsHorizontal = 0;
constexpr int kHsVertical = 1;
constexpr int kHsFDiagonal = 2;
constexpr int kHsBDiagonal = 3;
constexpr int kHsCross = 4;
constexpr int kHsDiagCross = 5;

// Text alignment and ExtTextOut options.
constexpr int kTaUpdateCp = 0x0001;
constexpr int kTaHorizontalMask = 0x0006;
constexpr int kTaRight = 0x0002;
constexpr int kTaCenter = 0x0006;
constexpr int kTaVerticalMask = 0x0018;
constexpr int kTaBottom = 0x0008;
constexpr int kTaBaseline = 0x0018;
constexpr int kEtoOpaque = 0x0002;
constexpr int kEtoClipped = 0x0004;

constexpr uint8_t kColorRefPaletteIndex = 1;

// Work accounting: what each kind of effort costs.
constexpr uint64_t kRecordCost = 8;
constexpr uint64_t kTextRecordCost = 4096;  // font set-up and measuring
constexpr uint64_t kGlyphCost = 256;
constexpr uint64_t kRegionRectCost = 16;
constexpr uint64_t kPixelsPerWorkUnit = 16;

// Device coordinates are kept within this range so that hostile extents
// cannot push the rasteriser into overflow; real pictures never get near.
constexpr double kDeviceCoordinateLimit = 1 << 22;
constexpr int kMaxSavedStates = 1024;
constexpr int kMaxGlyphsPerRecord = 4096;
constexpr size_t kMaxRegionRects = 1024;
constexpr uint64_t kMaxPatternPixels = 256 * 256;
constexpr int kDefaultFontPixels = 12;

// ---------------------------------------------------------------------------
// Text decoding: ANSI text is Windows-1252; the Symbol font's code points are
// mapped to the Unicode characters its glyphs show.

constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Symbol font, 0x20..0x7F.
constexpr char16_t kSymbolLow[96] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x2245, 0x0391, 0x0392, 0x03A7,
    0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F, 0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3,
    0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0020,
};

// Symbol font, 0xA0..0xFF.
constexpr char16_t kSymbolHigh[96] = {
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193, 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5, 0x2135, 0x2111, 0x211C, 0x2118,
    0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3, 0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA, 0x0020, 0x232A, 0x222B, 0x2320,
    0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0020,
};

QChar AnsiChar(uint8_t byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kCp1252High[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

QChar SymbolChar(uint8_t byte)
{
    if (byte >= 0x20 && byte < 0x80)
        return QChar(kSymbolLow[byte - 0x20]);
    if (byte >= 0xA0)
        return QChar(kSymbolHigh[byte - 0xA0]);
    return QChar(u' ');
}

QString DecodeText(std::span<const uint8_t> bytes, bool symbol)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (uint8_t b : bytes)
        text.append(symbol ? SymbolChar(b) : AnsiChar(b));
    return text;
}

QColor ColorFromRef(uint32_t ref)
{
    const uint8_t flags = static_cast<uint8_t>(ref >> 24);
    if (flags == kColorRefPaletteIndex) {
        // No palette is realised while playing; the VGA colours stand in
        // for the first sixteen entries.
        static constexpr QRgb kVga[16] = {
            0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
            0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
        };
        const uint16_t index = static_cast<uint16_t>(ref);
        return QColor(index < 16 ? kVga[index] : 0);
    }
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                  static_cast<int>((ref >> 16) & 0xFF));
}

// ---------------------------------------------------------------------------
// Graphics objects and the device-context state.

struct Pen {
    int style = kPsSolid;
    int width = 0;  // logical units; 0 = one device pixel
    QColor color = Qt::black;
};

struct Brush {
    int style = kBsSolid;
    QColor color = Qt::white;
    int hatch = kHsHorizontal;
    QImage pattern;  // pattern brushes
};

struct Font {
    int height = 0;  // logical; negative = character height, positive = cell height
    int width = 0;
    int escapement = 0;  // tenths of a degree, counter-clockwise
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    uint8_t charset = 0;
    QString face;
};

// A region as logical rectangles (left, top, right, bottom; right and
// bottom exclusive).
struct Region {
    std::vector<QRect> rects;
};

// Palettes and other objects that only hold a table slot.
struct SlotOnly {};

using GdiObject = std::variant<SlotOnly, Pen, Brush, Font, Region>;

struct DcState {
    Pen pen;
    Brush brush;
    Font font;
    QColor bkColor = Qt::white;
    QColor textColor = Qt::black;
    int bkMode = kBkOpaque;
    int rop2 = kR2CopyPen;
    int polyFillMode = 1;
    int textAlign = 0;
    int stretchMode = 1;
    int charExtra = 0;
    // Windows converts a metafile without a picture description in the
    // anisotropic mode, so that is the mode playback starts in.
    int mapMode = kMmAnisotropic;
    QPointF windowOrg;
    QPointF windowExt{1, 1};
    QPointF viewportOrg;
    QPointF viewportExt{1, 1};
    bool windowExtSet = false;
    QPointF position;                // current position, logical
    std::optional<QRegion> clip;     // device pixels; none = the whole picture
};

// ---------------------------------------------------------------------------

class WorkBudget {
public:
    explicit WorkBudget(const WmfLimits& limits) : work_(limits.work), bitmapPixels_(limits.bitmapPixels) {}

    bool Spend(uint64_t units)
    {
        if (units > work_) {
            work_ = 0;
            exhausted_ = true;
            return false;
        }
        work_ -= units;
        return true;
    }
    bool TakeBitmapPixels(uint64_t pixels)
    {
        if (pixels > bitmapPixels_)
            return false;
        bitmapPixels_ -= pixels;
        return true;
    }
    bool Exhausted() const { return exhausted_; }

private:
    uint64_t work_;
    uint64_t bitmapPixels_;
    bool exhausted_ = false;
};

// How a raster operation combines its source with the picture.
struct RasterEffect {
    enum class Source { None, Image, Brush, Black, White };
    Source source = Source::None;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
};

// Further ternary raster operations seen with a pattern alone.
constexpr uint32_t kRopPatNot = 0x000F0001;       // NOT pattern
constexpr uint32_t kRopPatAndDest = 0x00A000C9;   // pattern AND picture
constexpr uint32_t kRopPatOrDest = 0x00FA0089;    // pattern OR picture
constexpr uint32_t kRopDest = 0x00AA0029;         // the picture unchanged

// The operation index: the truth table of the three inputs.
constexpr uint32_t RopIndex(uint32_t rop) { return (rop >> 16) & 0xFF; }

RasterEffect EffectOfTernaryRop(uint32_t rop)
{
    using S = RasterEffect::Source;
    using M = QPainter::CompositionMode;
    switch (RopIndex(rop)) {
    case RopIndex(wmf::kRopSrcCopy): return {S::Image, M::CompositionMode_SourceOver};
    case RopIndex(wmf::kRopSrcPaint): return {S::Image, M::RasterOp_SourceOrDestination};
    case RopIndex(wmf::kRopSrcAnd): return {S::Image, M::RasterOp_SourceAndDestination};
    case RopIndex(wmf::kRopSrcInvert): return {S::Image, M::RasterOp_SourceXorDestination};
    case RopIndex(wmf::kRopSrcErase): return {S::Image, M::RasterOp_SourceAndNotDestination};
    case RopIndex(wmf::kRopNotSrcCopy): return {S::Image, M::RasterOp_NotSource};
    case RopIndex(wmf::kRopNotSrcErase): return {S::Image, M::RasterOp_NotSourceAndNotDestination};
    case RopIndex(wmf::kRopMergePaint): return {S::Image, M::RasterOp_NotSourceOrDestination};
    case RopIndex(wmf::kRopMergeCopy): return {S::Image, M::CompositionMode_SourceOver};  // pattern ignored
    case RopIndex(wmf::kRopPatCopy): return {S::Brush, M::CompositionMode_SourceOver};
    case RopIndex(wmf::kRopPatPaint): return {S::Brush, M::RasterOp_SourceOrDestination};  // source ignored
    case RopIndex(wmf::kRopPatInvert): return {S::Brush, M::RasterOp_SourceXorDestination};
    case RopIndex(kRopPatNot): return {S::Brush, M::RasterOp_NotSource};
    case RopIndex(kRopPatAndDest): return {S::Brush, M::RasterOp_SourceAndDestination};
    case RopIndex(kRopPatOrDest): return {S::Brush, M::RasterOp_SourceOrDestination};
    case RopIndex(wmf::kRopDstInvert): return {S::Black, M::RasterOp_NotDestination};
    case RopIndex(wmf::kRopBlackness): return {S::Black, M::CompositionMode_SourceOver};
    case RopIndex(wmf::kRopWhiteness): return {S::White, M::CompositionMode_SourceOver};
    case RopIndex(kRopDest): return {S::None, M::CompositionMode_SourceOver};
    default: return {S::Image, M::CompositionMode_SourceOver};  // the nearest plain copy
    }
}

struct Rop2Effect {
    bool draws = true;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    std::optional<QColor> forcedColor;
};

Rop2Effect EffectOfRop2(int rop2)
{
    using M = QPainter::CompositionMode;
    switch (rop2) {
    case kR2Black: return {true, M::CompositionMode_SourceOver, QColor(Qt::black)};
    case kR2NotMergePen: return {true, M::RasterOp_NotSourceAndNotDestination, {}};
    case kR2MaskNotPen: return {true, M::RasterOp_NotSourceAndDestination, {}};
    case kR2NotCopyPen: return {true, M::RasterOp_NotSource, {}};
    case kR2MaskPenNot: return {true, M::RasterOp_SourceAndNotDestination, {}};
    case kR2Not: return {true, M::RasterOp_NotDestination, {}};
    case kR2XorPen: return {true, M::RasterOp_SourceXorDestination, {}};
    case kR2NotMaskPen: return {true, M::RasterOp_NotSourceOrNotDestination, {}};
    case kR2MaskPen: return {true, M::RasterOp_SourceAndDestination, {}};
    case kR2NotXorPen: return {true, M::RasterOp_NotSourceXorDestination, {}};
    case kR2Nop: return {false, M::CompositionMode_SourceOver, {}};
    case kR2MergeNotPen: return {true, M::RasterOp_NotSourceOrDestination, {}};
    case kR2MergePenNot: return {true, M::RasterOp_SourceOrNotDestination, {}};
    case kR2MergePen: return {true, M::RasterOp_SourceOrDestination, {}};
    case kR2White: return {true, M::CompositionMode_SourceOver, QColor(Qt::white)};
    default: return {};
    }
}

bool IsDrawingRecord(uint16_t function)
{
    switch (function) {
    case wmf::kLineTo:
    case wmf::kPolyline:
    case wmf::kPolygon:
    case wmf::kPolyPolygon:
    case wmf::kRectangle:
    case wmf::kRoundRect:
    case wmf::kEllipse:
    case wmf::kArc:
    case wmf::kPie:
    case wmf::kChord:
    case wmf::kTextOut:
    case wmf::kExtTextOut:
    case wmf::kPatBlt:
    case wmf::kSetPixel:
    case wmf::kBitBlt:
    case wmf::kStretchBlt:
    case wmf::kDibBitBlt:
    case wmf::kDibStretchBlt:
    case wmf::kStretchDib:
    case wmf::kSetDibToDev:
    case wmf::kFillRegion:
    case wmf::kPaintRegion:
    case wmf::kInvertRegion:
        return true;
    default:
        return false;
    }
}

// The parameters of one record: bounds-checked words.
class Params {
public:
    explicit Params(ByteReader in) : in_(in) {}
    bool Has(size_t words) const { return in_.Remaining() >= words * 2; }
    size_t WordsLeft() const { return in_.Remaining() / 2; }
    int16_t S16() { return in_.I16(); }
    uint16_t U16() { return in_.U16(); }
    uint32_t U32() { return in_.U32(); }
    std::span<const uint8_t> Bytes(size_t count)
    {
        const uint8_t* start = in_.Current();
        return in_.Skip(count) ? std::span<const uint8_t>(start, count) : std::span<const uint8_t>();
    }
    std::span<const uint8_t> Rest() { return Bytes(in_.Remaining()); }
    void SkipBytes(size_t count) { in_.Skip(count); }

    // A single signed word, when the record holds one.
    std::optional<int> Word()
    {
        if (!Has(1))
            return std::nullopt;
        return S16();
    }
    // A COLORREF, when the record holds one.
    std::optional<uint32_t> ColorRef()
    {
        if (!Has(2))
            return std::nullopt;
        return U32();
    }
    // A point or extent as GDI stores the arguments of its calls: y first.
    std::optional<QPointF> PointYX()
    {
        if (!Has(2))
            return std::nullopt;
        const int y = S16();
        const int x = S16();
        return QPointF(x, y);
    }

private:
    ByteReader in_;
};

double Clamped(double v) { return std::clamp(v, -kDeviceCoordinateLimit, kDeviceCoordinateLimit); }

// ---------------------------------------------------------------------------
// The player: walks the records once, keeping GDI's state, and paints in
// device pixels on a QPainter whose own transform stays the identity.
//
// Framing: the picture's frame (in viewport space) is mapped onto the whole
// target. It is fixed at the first drawing record: the window, when the
// file set a window extent; else the placeable bounding box; else the
// bounds of everything the file draws (measured by a pass that paints
// nothing). Later window and viewport changes act relative to that frame,
// as they would relative to the screen on Windows.

class Player {
public:
    Player(std::span<const uint8_t> metafile, QSize target, std::optional<QRectF> placeableFrame,
           WorkBudget& budget)
        : meta_(metafile), target_(target), placeableFrame_(placeableFrame), budget_(budget)
    {
        dc_.windowExt = dc_.viewportExt = QPointF(target.width(), target.height());
    }

    void Play(QPainter& painter)
    {
        painter_ = &painter;
        Run();
        painter_ = nullptr;
    }

    // Plays without painting and answers the bounds of everything drawn, in
    // viewport space; nothing when nothing is drawn.
    std::optional<QRectF> MeasureBounds()
    {
        frameResolved_ = true;
        Run();
        if (!hasBounds_)
            return std::nullopt;
        return QRectF(QPointF(minX_, minY_), QPointF(maxX_, maxY_));
    }

private:
    bool Measuring() const { return painter_ == nullptr; }

    // ---- record loop --------------------------------------------------------

    void Run()
    {
        ByteReader in(meta_);
        const uint16_t type = in.U16();
        const uint16_t headerWords = in.U16();
        in.U16();  // version
        in.U32();  // size
        const uint16_t objects = in.U16();
        in.U32();  // largest record
        in.U16();
        if (in.Failed() || (type != wmf::kTypeMemory && type != wmf::kTypeDisk) || headerWords != wmf::kHeaderWords)
            return;
        objects_.assign(objects, std::nullopt);

        size_t pos = wmf::kHeaderBytes;
        while (meta_.size() - pos >= wmf::kRecordHeaderBytes && !budget_.Exhausted()) {
            ByteReader head(meta_.data() + pos, wmf::kRecordHeaderBytes);
            const uint32_t words = head.U32();
            const uint16_t function = head.U16();
            if (words < 3 || function == wmf::kEof)
                break;
            const uint64_t bytes = uint64_t{words} * 2;
            if (bytes > meta_.size() - pos)
                break;
            if (!budget_.Spend(kRecordCost))
                break;
            if (IsDrawingRecord(function))
                ResolveFrame();
            Params params(ByteReader(meta_.data() + pos + wmf::kRecordHeaderBytes,
                                     static_cast<size_t>(bytes) - wmf::kRecordHeaderBytes));
            Dispatch(function, params, words);
            pos += static_cast<size_t>(bytes);
        }
    }

    void Dispatch(uint16_t function, Params& p, uint32_t words)
    {
        switch (function) {
        case wmf::kSetWindowOrg: if (auto at = p.PointYX()) dc_.windowOrg = *at; break;
        case wmf::kSetWindowExt: if (auto ext = p.PointYX()) SetWindowExt(*ext); break;
        case wmf::kSetViewportOrg: if (auto at = p.PointYX()) dc_.viewportOrg = *at; break;
        case wmf::kSetViewportExt: if (auto ext = p.PointYX()) SetViewportExt(*ext); break;
        case wmf::kOffsetWindowOrg: if (auto by = p.PointYX()) dc_.windowOrg += *by; break;
        case wmf::kOffsetViewportOrg: if (auto by = p.PointYX()) dc_.viewportOrg += *by; break;
        case wmf::kScaleWindowExt: ScaleExtent(p, true); break;
        case wmf::kScaleViewportExt: ScaleExtent(p, false); break;
        case wmf::kSetMapMode: if (auto mode = p.Word()) SetMapMode(*mode); break;
        case wmf::kSetBkMode: if (auto mode = p.Word()) SetBkMode(*mode); break;
        case wmf::kSetBkColor: if (auto c = p.ColorRef()) dc_.bkColor = ColorFromRef(*c); break;
        case wmf::kSetTextColor: if (auto c = p.ColorRef()) dc_.textColor = ColorFromRef(*c); break;
        case wmf::kSetTextAlign: if (auto align = p.Word()) dc_.textAlign = *align & 0xFFFF; break;
        case wmf::kSetPolyFillMode: if (auto mode = p.Word()) dc_.polyFillMode = *mode; break;
        case wmf::kSetRop2: if (auto rop2 = p.Word()) dc_.rop2 = *rop2; break;
        case wmf::kSetStretchBltMode: if (auto mode = p.Word()) dc_.stretchMode = *mode; break;
        case wmf::kSetTextCharExtra: if (auto extra = p.Word()) dc_.charExtra = *extra; break;
        case wmf::kSaveDc: SaveDc(); break;
        case wmf::kRestoreDc: if (auto level = p.Word()) RestoreDc(*level); break;

        case wmf::kCreatePenIndirect: CreatePen(p); break;
        case wmf::kCreateBrushIndirect: CreateBrush(p); break;
        case wmf::kCreateFontIndirect: CreateFont(p); break;
        case wmf::kCreatePatternBrush: CreatePatternBrush(p); break;
        case wmf::kDibCreatePatternBrush: CreateDibPatternBrush(p); break;
        case wmf::kCreateRegion: CreateRegion(p); break;
        case wmf::kCreatePalette: AddObject(SlotOnly{}); break;
        case wmf::kSelectObject: if (auto index = p.Word()) SelectObject(*index & 0xFFFF); break;
        case wmf::kDeleteObject: if (auto index = p.Word()) DeleteObject(*index & 0xFFFF); break;
        case wmf::kSelectClipRegion: if (auto index = p.Word()) SelectClipRegion(*index & 0xFFFF); break;

        case wmf::kIntersectClipRect: ClipRect(p, true); break;
        case wmf::kExcludeClipRect: ClipRect(p, false); break;
        case wmf::kOffsetClipRegion: OffsetClip(p); break;

        case wmf::kMoveTo: if (auto to = p.PointYX()) dc_.position = *to; break;
        case wmf::kLineTo: LineTo(p); break;
        case wmf::kPolyline: Poly(p, false); break;
        case wmf::kPolygon: Poly(p, true); break;
        case wmf::kPolyPolygon: PolyPolygon(p); break;
        case wmf::kRectangle: RectangleShape(p); break;
        case wmf::kRoundRect: RoundRectShape(p); break;
        case wmf::kEllipse: EllipseShape(p); break;
        case wmf::kArc: ArcShape(p, ArcKind::Arc); break;
        case wmf::kPie: ArcShape(p, ArcKind::Pie); break;
        case wmf::kChord: ArcShape(p, ArcKind::Chord); break;
        case wmf::kSetPixel: SetPixel(p); break;
        case wmf::kTextOut: TextOut(p); break;
        case wmf::kExtTextOut: ExtTextOut(p); break;
        case wmf::kFillRegion: FillRegion(p); break;
        case wmf::kPaintRegion: PaintRegion(p, false); break;
        case wmf::kInvertRegion: PaintRegion(p, true); break;

        case wmf::kPatBlt: PatBlt(p); break;
        case wmf::kBitBlt:
        case wmf::kStretchBlt:
        case wmf::kDibBitBlt:
        case wmf::kDibStretchBlt: Blit(p, function, words); break;
        case wmf::kStretchDib: StretchDib(p); break;
        case wmf::kSetDibToDev: SetDibToDev(p); break;
        default:
            // Escapes, palette records, and anything unknown.
            break;
        }
    }

    // ---- mapping ------------------------------------------------------------

    bool ExtentsAdjustable() const { return dc_.mapMode == kMmIsotropic || dc_.mapMode == kMmAnisotropic; }

    void SetWindowExt(QPointF ext)
    {
        if (!ExtentsAdjustable() || ext.x() == 0 || ext.y() == 0)
            return;
        dc_.windowExt = ext;
        dc_.windowExtSet = true;
        FixIsotropic();
    }

    void SetViewportExt(QPointF ext)
    {
        if (!ExtentsAdjustable() || ext.x() == 0 || ext.y() == 0)
            return;
        dc_.viewportExt = ext;
        FixIsotropic();
    }

    // Records hold xNum, xDenom, yNum, yDenom reversed.
    void ScaleExtent(Params& p, bool window)
    {
        if (!p.Has(4) || !ExtentsAdjustable())
            return;
        const int yDenom = p.S16();
        const int yNum = p.S16();
        const int xDenom = p.S16();
        const int xNum = p.S16();
        if (xDenom == 0 || yDenom == 0 || xNum == 0 || yNum == 0)
            return;
        QPointF& ext = window ? dc_.windowExt : dc_.viewportExt;
        const QPointF scaled(ext.x() * xNum / xDenom, ext.y() * yNum / yDenom);
        if (!UsableExtent(scaled.x()) || !UsableExtent(scaled.y()))
            return;
        ext = scaled;
        FixIsotropic();
    }

    // Extents stay within a range where the mapping keeps finite values.
    static bool UsableExtent(double v) { return std::isfinite(v) && std::abs(v) >= 1e-6 && std::abs(v) <= 1e12; }

    // Isotropic mode keeps one unit equally long in both directions by
    // shrinking the viewport extent in the direction that would stretch more.
    void FixIsotropic()
    {
        if (dc_.mapMode != kMmIsotropic)
            return;
        const double xScale = std::abs(dc_.viewportExt.x() / dc_.windowExt.x());
        const double yScale = std::abs(dc_.viewportExt.y() / dc_.windowExt.y());
        if (xScale > yScale)
            dc_.viewportExt.setX(dc_.viewportExt.x() * yScale / xScale);
        else if (yScale > xScale)
            dc_.viewportExt.setY(dc_.viewportExt.y() * xScale / yScale);
    }

    void SetBkMode(int mode)
    {
        if (mode == kBkTransparent || mode == kBkOpaque)
            dc_.bkMode = mode;
    }

    void SetMapMode(int mode)
    {
        // Fixed modes: units per inch of the logical unit; y grows upwards.
        double unitsPerInch = 0;
        switch (mode) {
        case kMmText:
            dc_.windowExt = dc_.viewportExt = QPointF(1, 1);
            break;
        case kMmLoMetric: unitsPerInch = 254; break;
        case kMmHiMetric: unitsPerInch = 2540; break;
        case kMmLoEnglish: unitsPerInch = 100; break;
        case kMmHiEnglish: unitsPerInch = 1000; break;
        case kMmTwips: unitsPerInch = 1440; break;
        case kMmIsotropic:
        case kMmAnisotropic:
            break;
        default:
            return;
        }
        if (unitsPerInch > 0) {
            const double dpi = ScreenDpi();
            dc_.windowExt = QPointF(unitsPerInch, unitsPerInch);
            dc_.viewportExt = QPointF(dpi, -dpi);
        }
        dc_.mapMode = mode;
        FixIsotropic();
    }

    QPointF ToViewport(QPointF logical) const
    {
        return {(logical.x() - dc_.windowOrg.x()) * dc_.viewportExt.x() / dc_.windowExt.x() + dc_.viewportOrg.x(),
                (logical.y() - dc_.windowOrg.y()) * dc_.viewportExt.y() / dc_.windowExt.y() + dc_.viewportOrg.y()};
    }

    // A logical point in device pixels, rounded as GDI rounds.
    QPointF ToDevice(double x, double y) const
    {
        const QPointF v = fit_.map(ToViewport(QPointF(x, y)));
        if (Measuring())
            return v;
        return {std::floor(Clamped(v.x()) + 0.5), std::floor(Clamped(v.y()) + 0.5)};
    }

    double ScaleX() const { return fit_.m11() * dc_.viewportExt.x() / dc_.windowExt.x(); }
    double ScaleY() const { return fit_.m22() * dc_.viewportExt.y() / dc_.windowExt.y(); }

    // The device rectangle two logical corners span (normalised).
    QRectF DeviceRect(double left, double top, double right, double bottom) const
    {
        return QRectF(ToDevice(left, top), ToDevice(right, bottom)).normalized();
    }

    // The outline box of a GDI shape: the rectangle excludes its right and
    // bottom edges, so its outline runs through the last pixel inside.
    QRectF ShapeBox(int left, int top, int right, int bottom) const
    {
        const QRectF r = DeviceRect(left, top, right, bottom);
        if (Measuring())
            return r;
        return QRectF(r.left(), r.top(), std::max(0.0, r.width() - 1), std::max(0.0, r.height() - 1));
    }

    void ResolveFrame()
    {
        if (frameResolved_)
            return;
        frameResolved_ = true;
        QPointF p0;
        QPointF p1;
        if (dc_.windowExtSet) {
            p0 = ToViewport(dc_.windowOrg);
            p1 = ToViewport(dc_.windowOrg + dc_.windowExt);
        } else if (placeableFrame_) {
            p0 = ToViewport(placeableFrame_->topLeft());
            p1 = ToViewport(placeableFrame_->bottomRight());
        } else {
            Player measure(meta_, target_, std::nullopt, budget_);
            const std::optional<QRectF> bounds = measure.MeasureBounds();
            if (!bounds)
                return;
            p0 = bounds->topLeft();
            p1 = bounds->bottomRight();
        }
        // The mapping into viewport space already decides which way is up;
        // the frame only scales and moves.
        const QRectF frame = QRectF(p0, p1).normalized();
        const double sx = frame.width() != 0 ? target_.width() / frame.width() : 1.0;
        const double sy = frame.height() != 0 ? target_.height() / frame.height() : 1.0;
        fit_ = QTransform(sx, 0, 0, sy, -frame.left() * sx, -frame.top() * sy);
    }

    // ---- device-context stack -----------------------------------------------

    void SaveDc()
    {
        if (saved_.size() < kMaxSavedStates)
            saved_.push_back(dc_);
    }

    // Negative: that many levels back; positive: the absolute level.
    void RestoreDc(int level)
    {
        const int depth = static_cast<int>(saved_.size());
        const int target = level < 0 ? depth + level : level - 1;
        if (level == 0 || target < 0 || target >= depth)
            return;
        dc_ = saved_[static_cast<size_t>(target)];
        saved_.resize(static_cast<size_t>(target));
        clipDirty_ = true;
    }

    // ---- objects --------------------------------------------------------------

    // A new object takes the lowest empty slot; without one it is lost.
    void AddObject(GdiObject object)
    {
        for (auto& slot : objects_) {
            if (!slot) {
                slot = std::move(object);
                return;
            }
        }
    }

    void CreatePen(Params& p)
    {
        if (!p.Has(5))
            return;
        Pen pen;
        pen.style = p.U16();
        pen.width = p.S16();
        p.S16();  // the y width is not used
        pen.color = ColorFromRef(p.U32());
        AddObject(pen);
    }

    void CreateBrush(Params& p)
    {
        if (!p.Has(4))
            return;
        Brush brush;
        brush.style = p.U16();
        brush.color = ColorFromRef(p.U32());
        brush.hatch = p.U16();
        if (brush.style != kBsNull && brush.style != kBsHatched)
            brush.style = kBsSolid;  // pattern styles carry no pattern here
        AddObject(brush);
    }

    void CreateFont(Params& p)
    {
        if (!p.Has(9))
            return;
        Font font;
        font.height = p.S16();
        font.width = p.S16();
        font.escapement = p.S16();
        p.S16();  // orientation
        font.weight = p.S16();
        const std::span<const uint8_t> flags = p.Bytes(8);
        font.italic = flags[0] != 0;
        font.underline = flags[1] != 0;
        font.strikeout = flags[2] != 0;
        font.charset = flags[3];
        std::span<const uint8_t> face = p.Rest();
        face = face.first(std::min<size_t>(face.size(), 32));
        const auto end = std::find(face.begin(), face.end(), uint8_t{0});
        font.face = DecodeText(face.first(static_cast<size_t>(end - face.begin())), false);
        AddObject(font);
    }

    // A device-dependent bitmap (Bitmap16: type, width, height, bytes per
    // row, planes, bits per pixel, then top-down rows) as an image. Mono
    // bitmaps show 0 bits in the text colour and 1 bits in the background
    // colour; 24- and 32-bit rows are blue, green, red. Other forms answer
    // null. Pattern brushes carry 18 reserved bytes before the rows.
    QImage DeviceBitmapImage(Params& p, bool patternBrush)
    {
        if (!p.Has(5))
            return {};
        p.S16();  // type
        const int width = p.S16();
        const int height = p.S16();
        const int widthBytes = p.S16();
        const std::span<const uint8_t> planesBpp = p.Bytes(2);
        const int planes = planesBpp[0];
        const int bpp = planesBpp[1];
        if (patternBrush)
            p.SkipBytes(18);
        if (width <= 0 || height <= 0 || planes != 1 || (bpp != 1 && bpp != 24 && bpp != 32) ||
            widthBytes < (width * bpp + 7) / 8)
            return {};
        const uint64_t pixels = uint64_t(width) * uint64_t(height);
        const uint64_t bytes = uint64_t(widthBytes) * uint64_t(height);
        if (bytes > p.WordsLeft() * 2 || !budget_.TakeBitmapPixels(pixels) ||
            !budget_.Spend(pixels / kPixelsPerWorkUnit + 1))
            return {};
        const std::span<const uint8_t> bits = p.Bytes(static_cast<size_t>(bytes));
        QImage image(width, height, QImage::Format_RGB32);
        if (bits.size() != bytes || image.isNull())
            return {};
        const QRgb zero = dc_.textColor.rgb();
        const QRgb one = dc_.bkColor.rgb();
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = bits.data() + static_cast<size_t>(y) * static_cast<size_t>(widthBytes);
            QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) {
                if (bpp == 1) {
                    out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? one : zero;
                } else {
                    const uint8_t* px = row + static_cast<size_t>(x) * static_cast<size_t>(bpp / 8);
                    out[x] = qRgb(px[2], px[1], px[0]);
                }
            }
        }
        return image;
    }

    void AddPatternBrush(QImage pattern)
    {
        Brush brush;
        if (pattern.isNull() || uint64_t(pattern.width()) * uint64_t(pattern.height()) > kMaxPatternPixels) {
            brush.color = Qt::gray;  // stands in for a pattern we do not draw
        } else {
            brush.style = kBsPattern;
            brush.pattern = std::move(pattern);
        }
        AddObject(brush);
    }

    void CreatePatternBrush(Params& p) { AddPatternBrush(DeviceBitmapImage(p, true)); }

    void CreateDibPatternBrush(Params& p)
    {
        if (!p.Has(2))
            return AddObject(SlotOnly{});
        const int style = p.U16();
        p.U16();  // colour usage
        // Files carry a DIB whatever the style says; a device bitmap is
        // the documented form of the pattern style.
        QImage pattern;
        Params bitmap = p;
        CImageBuffer dib;
        if (DecodeDib(p.Rest(), dib, kMaxPatternPixels))
            pattern = ToQImage(dib);
        else if (style == kBsPattern)
            pattern = DeviceBitmapImage(bitmap, false);
        AddPatternBrush(std::move(pattern));
    }

    void CreateRegion(Params& p)
    {
        // nextInChain, objectType, objectCount (2 words), regionSize,
        // scanCount, maxScan, bounding box (4 words). A record too short for
        // that holds a table slot but clips and fills nothing.
        if (!p.Has(11))
            return AddObject(SlotOnly{});
        Region region;
        p.S16();
        p.S16();
        p.U32();
        p.S16();
        const int scans = p.S16();
        p.S16();
        for (int i = 0; i < 4; ++i)
            p.S16();
        for (int s = 0; s < scans && p.Has(3); ++s) {
            const int count = p.U16();
            const int top = p.S16();
            const int bottom = p.S16();
            for (int i = 0; i + 1 < count && p.Has(2); i += 2) {
                const int left = p.S16();
                const int right = p.S16();
                if (region.rects.size() < kMaxRegionRects && right > left && bottom > top)
                    region.rects.emplace_back(QPoint(left, top), QPoint(right - 1, bottom - 1));
            }
            if (p.Has(1))
                p.U16();  // count repeated
        }
        AddObject(std::move(region));
    }

    void SelectObject(uint16_t index)
    {
        if (index >= objects_.size() || !objects_[index])
            return;
        const GdiObject& object = *objects_[index];
        if (const Pen* pen = std::get_if<Pen>(&object))
            dc_.pen = *pen;
        else if (const Brush* brush = std::get_if<Brush>(&object))
            dc_.brush = *brush;
        else if (const Font* font = std::get_if<Font>(&object))
            dc_.font = *font;
        else if (const Region* region = std::get_if<Region>(&object))
            SetClip(DeviceRegion(*region));
    }

    void DeleteObject(uint16_t index)
    {
        if (index < objects_.size())
            objects_[index].reset();
    }

    const Region* RegionAt(uint16_t index) const
    {
        if (index >= objects_.size() || !objects_[index])
            return nullptr;
        return std::get_if<Region>(&*objects_[index]);
    }

    // ---- clipping -------------------------------------------------------------

    QRegion DeviceRegion(const Region& region)
    {
        QRegion out;
        if (!budget_.Spend(region.rects.size() * kRegionRectCost))
            return out;
        for (const QRect& r : region.rects)
            out += DeviceRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1).toRect();
        return out;
    }

    QRegion CurrentClip() const { return dc_.clip ? *dc_.clip : QRegion(0, 0, target_.width(), target_.height()); }

    // Clip regions grow with every exclusion; working with them costs in
    // proportion to their rectangles.
    uint64_t ClipCost() const { return dc_.clip ? static_cast<uint64_t>(dc_.clip->rectCount()) * kRegionRectCost : 0; }

    void SetClip(std::optional<QRegion> clip)
    {
        budget_.Spend(ClipCost());
        dc_.clip = std::move(clip);
        clipDirty_ = true;
    }

    void SelectClipRegion(uint16_t index)
    {
        const Region* region = RegionAt(index);
        SetClip(region ? std::optional<QRegion>(DeviceRegion(*region)) : std::nullopt);
    }

    void ClipRect(Params& p, bool intersect)
    {
        if (!p.Has(4))
            return;
        const int bottom = p.S16();
        const int right = p.S16();
        const int top = p.S16();
        const int left = p.S16();
        if (Measuring())
            return;
        const QRect rect = DeviceRect(left, top, right, bottom).toRect();
        SetClip(intersect ? CurrentClip().intersected(rect) : CurrentClip().subtracted(rect));
    }

    void OffsetClip(Params& p)
    {
        if (!p.Has(2) || !dc_.clip)
            return;
        const int y = p.S16();
        const int x = p.S16();
        budget_.Spend(ClipCost());
        dc_.clip->translate(static_cast<int>(std::lround(Clamped(x * ScaleX()))),
                            static_cast<int>(std::lround(Clamped(y * ScaleY()))));
        clipDirty_ = true;
    }

    void ApplyClip()
    {
        if (!clipDirty_ || Measuring())
            return;
        if (dc_.clip)
            painter_->setClipRegion(*dc_.clip);
        else
            painter_->setClipping(false);
        clipDirty_ = false;
    }

    // ---- painting ---------------------------------------------------------------

    void ExtendBounds(const QRectF& r)
    {
        const QRectF n = r.normalized();
        if (!hasBounds_) {
            minX_ = n.left();
            minY_ = n.top();
            maxX_ = n.right();
            maxY_ = n.bottom();
            hasBounds_ = true;
            return;
        }
        minX_ = std::min(minX_, n.left());
        minY_ = std::min(minY_, n.top());
        maxX_ = std::max(maxX_, n.right());
        maxY_ = std::max(maxY_, n.bottom());
    }

    // Charges the work of painting over a device area; false when the
    // budget is spent or nothing is to be painted (measuring).
    bool BeginPaint(const QRectF& deviceArea, uint64_t elements)
    {
        const QRectF visible = deviceArea.normalized().intersected(QRectF(0, 0, target_.width(), target_.height()));
        const uint64_t area = Measuring() ? 0 : static_cast<uint64_t>(visible.width() * visible.height());
        if (!budget_.Spend(elements + area / kPixelsPerWorkUnit + ClipCost()))
            return false;
        if (Measuring()) {
            ExtendBounds(deviceArea);
            return false;
        }
        ApplyClip();
        return true;
    }

    double MaxPenWidth() const { return 2.0 * std::max(target_.width(), target_.height()) + 2; }

    QPen DevicePen(const Rop2Effect& effect) const
    {
        const Pen& pen = dc_.pen;
        const int style = pen.style & kPenStyleMask;
        if (style == kPsNull)
            return Qt::NoPen;
        QPen qp(effect.forcedColor.value_or(pen.color));
        const double width = std::min(std::abs(pen.width * ScaleX()), MaxPenWidth());
        if (width <= 1.5) {
            // One device pixel: the last point of a line stays unpainted.
            qp.setWidth(0);
            qp.setCapStyle(Qt::FlatCap);
            switch (style) {
            case kPsDash: qp.setDashPattern({18, 6}); break;
            case kPsDot: qp.setDashPattern({3, 3}); break;
            case kPsDashDot: qp.setDashPattern({9, 6, 3, 6}); break;
            case kPsDashDotDot: qp.setDashPattern({9, 3, 3, 3, 3, 3}); break;
            default: break;
            }
            return qp;
        }
        qp.setWidthF(std::round(width));
        switch (pen.style & kPenCapMask) {
        case kPenCapSquare: qp.setCapStyle(Qt::SquareCap); break;
        case kPenCapFlat: qp.setCapStyle(Qt::FlatCap); break;
        default: qp.setCapStyle(Qt::RoundCap); break;
        }
        switch (pen.style & kPenJoinMask) {
        case kPenJoinBevel: qp.setJoinStyle(Qt::BevelJoin); break;
        case kPenJoinMiter: qp.setJoinStyle(Qt::MiterJoin); break;
        default: qp.setJoinStyle(Qt::RoundJoin); break;
        }
        return qp;
    }

    QBrush DeviceBrush(const Brush& brush, const std::optional<QColor>& forced) const
    {
        if (brush.style == kBsNull)
            return Qt::NoBrush;
        if (forced)
            return QBrush(*forced);
        if (brush.style == kBsHatched) {
            switch (brush.hatch) {
            case kHsHorizontal: return QBrush(brush.color, Qt::HorPattern);
            case kHsVertical: return QBrush(brush.color, Qt::VerPattern);
            case kHsFDiagonal: return QBrush(brush.color, Qt::FDiagPattern);
            case kHsBDiagonal: return QBrush(brush.color, Qt::BDiagPattern);
            case kHsCross: return QBrush(brush.color, Qt::CrossPattern);
            case kHsDiagCross: return QBrush(brush.color, Qt::DiagCrossPattern);
            default: return QBrush(brush.color);
            }
        }
        if (brush.style == kBsPattern && !brush.pattern.isNull())
            return QBrush(brush.pattern);
        return QBrush(brush.color);
    }

    // Hatches and dashes fill their gaps with the background colour in
    // opaque mode.
    void ApplyBackground()
    {
        painter_->setBackgroundMode(dc_.bkMode == kBkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
        painter_->setBackground(dc_.bkColor);
    }

    // Fills (with the brush) and outlines (with the pen) a device path under
    // the current ROP2.
    void PaintPath(QPainterPath path, bool fill, bool stroke, uint64_t elements)
    {
        if (!BeginPaint(path.controlPointRect(), elements))
            return;
        const Rop2Effect effect = EffectOfRop2(dc_.rop2);
        if (!effect.draws)
            return;
        painter_->setCompositionMode(effect.mode);
        ApplyBackground();
        if (fill) {
            path.setFillRule(dc_.polyFillMode == kPolyFillWinding ? Qt::WindingFill : Qt::OddEvenFill);
            const QBrush brush = DeviceBrush(dc_.brush, effect.forcedColor);
            if (brush.style() != Qt::NoBrush)
                painter_->fillPath(path, brush);
        }
        if (stroke) {
            const QPen pen = DevicePen(effect);
            if (pen.style() != Qt::NoPen)
                painter_->strokePath(path, pen);
        }
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    void FillDevice(const QRectF& rect, const QBrush& brush, QPainter::CompositionMode mode)
    {
        if (!BeginPaint(rect, 1))
            return;
        painter_->setCompositionMode(mode);
        ApplyBackground();
        painter_->fillRect(rect, brush);
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    // ---- shapes -----------------------------------------------------------------

    void LineTo(Params& p)
    {
        const std::optional<QPointF> to = p.PointYX();
        if (!to)
            return;
        QPainterPath path(ToDevice(dc_.position.x(), dc_.position.y()));
        path.lineTo(ToDevice(to->x(), to->y()));
        dc_.position = *to;
        PaintPath(path, false, true, 2);
    }

    // Reads count points; false when the record does not hold them.
    bool ReadPoints(Params& p, size_t count, QPolygonF& points)
    {
        if (!p.Has(count * 2))
            return false;
        points.reserve(static_cast<qsizetype>(count));
        for (size_t i = 0; i < count; ++i) {
            const int x = p.S16();
            const int y = p.S16();
            points.append(ToDevice(x, y));
        }
        return true;
    }

    void Poly(Params& p, bool closed)
    {
        if (!p.Has(1))
            return;
        const int count = p.S16();
        QPolygonF points;
        if (count < 2 || !ReadPoints(p, static_cast<size_t>(count), points))
            return;
        QPainterPath path;
        path.addPolygon(points);
        if (closed)
            path.closeSubpath();
        PaintPath(path, closed, true, static_cast<uint64_t>(count));
    }

    void PolyPolygon(Params& p)
    {
        if (!p.Has(1))
            return;
        const int polygons = p.S16();
        if (polygons <= 0 || !p.Has(static_cast<size_t>(polygons)))
            return;
        std::vector<int> counts(static_cast<size_t>(polygons));
        size_t total = 0;
        for (int& c : counts) {
            c = p.S16();
            if (c < 0)
                return;
            total += static_cast<size_t>(c);
        }
        if (!p.Has(total * 2))
            return;
        QPainterPath path;
        for (int c : counts) {
            QPolygonF points;
            ReadPoints(p, static_cast<size_t>(c), points);
            if (points.size() < 2)
                continue;
            path.addPolygon(points);
            path.closeSubpath();
        }
        PaintPath(path, true, true, total);
    }

    void RectangleShape(Params& p)
    {
        if (!p.Has(4))
            return;
        const int bottom = p.S16();
        const int right = p.S16();
        const int top = p.S16();
        const int left = p.S16();
        QPainterPath path;
        path.addRect(ShapeBox(left, top, right, bottom));
        PaintPath(path, true, true, 4);
    }

    void RoundRectShape(Params& p)
    {
        if (!p.Has(6))
            return;
        const int cornerH = p.S16();
        const int cornerW = p.S16();
        const int bottom = p.S16();
        const int right = p.S16();
        const int top = p.S16();
        const int left = p.S16();
        const QRectF box = ShapeBox(left, top, right, bottom);
        const double rx = std::min(std::abs(cornerW * ScaleX()) / 2, box.width() / 2);
        const double ry = std::min(std::abs(cornerH * ScaleY()) / 2, box.height() / 2);
        QPainterPath path;
        path.addRoundedRect(box, rx, ry);
        PaintPath(path, true, true, 16);
    }

    void EllipseShape(Params& p)
    {
        if (!p.Has(4))
            return;
        const int bottom = p.S16();
        const int right = p.S16();
        const int top = p.S16();
        const int left = p.S16();
        QPainterPath path;
        path.addEllipse(ShapeBox(left, top, right, bottom));
        PaintPath(path, true, true, 16);
    }

    enum class ArcKind { Arc, Pie, Chord };

    // The angle (degrees, counter-clockwise on the device) at which the ray
    // from the centre through point meets the ellipse in box.
    static double EllipseAngle(const QRectF& box, QPointF point)
    {
        const double rx = box.width() / 2;
        const double ry = box.height() / 2;
        const QPointF c = box.center();
        return std::atan2(-(point.y() - c.y()) / ry, (point.x() - c.x()) / rx) * 180.0 / std::numbers::pi;
    }

    // From the start radial counter-clockwise to the end radial.
    void ArcShape(Params& p, ArcKind kind)
    {
        if (!p.Has(8))
            return;
        const int yEnd = p.S16();
        const int xEnd = p.S16();
        const int yStart = p.S16();
        const int xStart = p.S16();
        const int bottom = p.S16();
        const int right = p.S16();
        const int top = p.S16();
        const int left = p.S16();
        const QRectF box = ShapeBox(left, top, right, bottom);
        if (box.width() <= 0 || box.height() <= 0)
            return;
        const double start = EllipseAngle(box, ToDevice(xStart, yStart));
        const double end = EllipseAngle(box, ToDevice(xEnd, yEnd));
        double sweep = end - start;
        while (sweep <= 0)
            sweep += 360;
        QPainterPath path;
        if (kind == ArcKind::Pie) {
            path.moveTo(box.center());
            path.arcTo(box, start, sweep);
            path.closeSubpath();
        } else {
            path.arcMoveTo(box, start);
            path.arcTo(box, start, sweep);
            if (kind == ArcKind::Chord)
                path.closeSubpath();
        }
        PaintPath(path, kind != ArcKind::Arc, true, 16);
    }

    void SetPixel(Params& p)
    {
        if (!p.Has(4))
            return;
        const QColor color = ColorFromRef(p.U32());
        const int y = p.S16();
        const int x = p.S16();
        const QPointF at = ToDevice(x, y);
        FillDevice(QRectF(at, QSizeF(1, 1)), color, QPainter::CompositionMode_SourceOver);
    }

    void FillRegion(Params& p)
    {
        if (!p.Has(2))
            return;
        const Region* region = RegionAt(p.U16());
        const uint16_t brushIndex = p.U16();
        if (!region || brushIndex >= objects_.size() || !objects_[brushIndex])
            return;
        const Brush* brush = std::get_if<Brush>(&*objects_[brushIndex]);
        if (brush)
            PaintDeviceRegion(DeviceRegion(*region), DeviceBrush(*brush, std::nullopt), false);
    }

    void PaintRegion(Params& p, bool invert)
    {
        if (!p.Has(1))
            return;
        const Region* region = RegionAt(p.U16());
        if (region)
            PaintDeviceRegion(DeviceRegion(*region), DeviceBrush(dc_.brush, std::nullopt), invert);
    }

    void PaintDeviceRegion(const QRegion& region, const QBrush& brush, bool invert)
    {
        if (region.isEmpty() || brush.style() == Qt::NoBrush || !BeginPaint(region.boundingRect(), 4))
            return;
        painter_->setCompositionMode(invert ? QPainter::RasterOp_NotDestination
                                            : QPainter::CompositionMode_SourceOver);
        ApplyBackground();
        for (const QRect& r : region)
            painter_->fillRect(r, invert ? QBrush(Qt::black) : brush);
        painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    // ---- text -------------------------------------------------------------------

    double MaxFontPixels() const { return 2.0 * std::max(target_.width(), target_.height()) + 16; }

    QFont DeviceFont() const
    {
        const Font& f = dc_.font;
        QFont font;
        if (SymbolFont()) {
            // The installed stand-ins for Symbol map only its own code
            // points; a Times-like font (with fallback) draws the Unicode.
            font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("serif")});
        } else if (!f.face.isEmpty()) {
            font.setFamily(f.face);
        }
        const double scaleY = std::abs(ScaleY());
        double pixels = kDefaultFontPixels;
        if (f.height < 0) {
            pixels = -static_cast<double>(f.height) * scaleY;
        } else if (f.height > 0) {
            // A cell height includes the internal leading: scale the em so
            // that ascent plus descent fills the cell.
            QFont probe = font;
            probe.setPixelSize(100);
            const QFontMetricsF m(probe);
            const double cell = m.ascent() + m.descent();
            pixels = f.height * scaleY * (cell > 0 ? 100.0 / cell : 1.0);
        }
        font.setPixelSize(static_cast<int>(std::clamp(std::round(pixels), 1.0, MaxFontPixels())));
        font.setWeight(static_cast<QFont::Weight>(f.weight <= 0 ? 400 : std::min(f.weight, 1000)));
        font.setItalic(f.italic);
        font.setUnderline(f.underline);
        font.setStrikeOut(f.strikeout);
        if (f.width != 0) {
            const double average = QFontMetricsF(font).averageCharWidth();
            const double wanted = std::abs(f.width * ScaleX());
            if (average > 0)
                font.setStretch(static_cast<int>(std::clamp(std::round(100 * wanted / average), 1.0, 4000.0)));
        }
        return font;
    }

    // The Symbol font's text is drawn as the Unicode characters its code
    // points stand for.
    bool SymbolFont() const { return dc_.font.face.compare(u"Symbol", Qt::CaseInsensitive) == 0; }

    // The text box of a record while measuring: generous, from the font
    // height and the number of characters.
    void MeasureText(QPointF reference, size_t count)
    {
        const double scaleY = std::abs(dc_.viewportExt.y() / dc_.windowExt.y());
        const double height = dc_.font.height != 0 ? std::abs(dc_.font.height)
                                                   : kDefaultFontPixels / std::max(scaleY, 1e-9);
        const double width = 0.6 * height * static_cast<double>(count);
        BeginPaint(QRectF(ToDevice(reference.x() - width, reference.y() - height),
                          ToDevice(reference.x() + width, reference.y() + height)),
                   count);
    }

    struct TextRequest {
        QPointF reference;  // logical
        std::span<const uint8_t> bytes;
        std::vector<int> advances;  // logical, may be empty
        int options = 0;
        std::optional<QRectF> rect;  // logical left, top, right, bottom
    };

    void DrawTextRecord(const TextRequest& request)
    {
        if (!budget_.Spend(kTextRecordCost))
            return;
        const bool updateCp = (dc_.textAlign & kTaUpdateCp) != 0;
        const QPointF reference = updateCp ? dc_.position : request.reference;
        if (Measuring()) {
            if (request.rect)
                BeginPaint(DeviceRect(request.rect->left(), request.rect->top(), request.rect->right(),
                                      request.rect->bottom()),
                           1);
            if (!request.bytes.empty())
                MeasureText(reference, request.bytes.size());
            return;
        }
        std::optional<QRectF> deviceRect;
        if (request.rect)
            deviceRect = DeviceRect(request.rect->left(), request.rect->top(), request.rect->right(),
                                    request.rect->bottom());
        if (deviceRect && (request.options & kEtoOpaque))
            FillDevice(*deviceRect, dc_.bkColor, QPainter::CompositionMode_SourceOver);
        if (request.bytes.empty())
            return;

        const std::span<const uint8_t> bytes =
            request.bytes.first(std::min<size_t>(request.bytes.size(), kMaxGlyphsPerRecord));
        const QString text = DecodeText(bytes, SymbolFont());
        const QFont font = DeviceFont();
        const QFontMetricsF metrics(font);

        // Device advances of each character, when the record or the
        // character spacing asks for them.
        const double scaleX = std::abs(ScaleX());
        std::vector<double> advances;
        if (request.advances.size() >= static_cast<size_t>(text.size())) {
            for (qsizetype i = 0; i < text.size(); ++i)
                advances.push_back(request.advances[static_cast<size_t>(i)] * scaleX);
        } else if (dc_.charExtra != 0) {
            for (QChar c : text)
                advances.push_back(metrics.horizontalAdvance(c) + dc_.charExtra * scaleX);
        }
        double width = 0;
        if (advances.empty()) {
            width = metrics.horizontalAdvance(text);
        } else {
            for (double a : advances)
                width += a;
        }

        const QPointF origin = ToDevice(reference.x(), reference.y());
        const double extent = std::abs(width) + metrics.height();
        if (!BeginPaint(QRectF(origin.x() - extent, origin.y() - extent, 2 * extent, 2 * extent),
                        kGlyphCost * static_cast<uint64_t>(text.size())))
            return;

        double x = 0;
        switch (dc_.textAlign & kTaHorizontalMask) {
        case kTaCenter: x = -width / 2; break;
        case kTaRight: x = -width; break;
        default: break;
        }
        double baseline = metrics.ascent();
        switch (dc_.textAlign & kTaVerticalMask) {
        case kTaBaseline: baseline = 0; break;
        case kTaBottom: baseline = -metrics.descent(); break;
        default: break;
        }

        painter_->save();
        if (deviceRect && (request.options & kEtoClipped))
            painter_->setClipRegion(CurrentClip().intersected(deviceRect->toRect()));
        painter_->translate(origin);
        painter_->rotate(-dc_.font.escapement / 10.0);
        painter_->setBackgroundMode(Qt::TransparentMode);
        if (dc_.bkMode == kBkOpaque)
            painter_->fillRect(QRectF(x, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent()),
                               dc_.bkColor);
        painter_->setFont(font);
        painter_->setPen(dc_.textColor);
        if (advances.empty()) {
            painter_->drawText(QPointF(x, baseline), text);
        } else {
            double at = x;
            for (qsizetype i = 0; i < text.size(); ++i) {
                painter_->drawText(QPointF(at, baseline), QString(text[i]));
                at += advances[static_cast<size_t>(i)];
            }
        }
        painter_->restore();

        if (updateCp && scaleX > 0)
            dc_.position.rx() += width / ScaleX();
    }

    void TextOut(Params& p)
    {
        if (!p.Has(1))
            return;
        const int count = p.S16();
        if (count < 0 || !p.Has(static_cast<size_t>(count + 1) / 2 + 2))
            return;
        TextRequest request;
        request.bytes = p.Bytes(static_cast<size_t>(count));
        p.SkipBytes(static_cast<size_t>(count & 1));
        request.reference = p.PointYX().value_or(QPointF());
        DrawTextRecord(request);
    }

    void ExtTextOut(Params& p)
    {
        if (!p.Has(4))
            return;
        TextRequest request;
        request.reference = p.PointYX().value_or(QPointF());
        const int count = p.S16();
        request.options = p.U16();
        if (request.options & (kEtoOpaque | kEtoClipped)) {
            if (!p.Has(4))
                return;
            const int left = p.S16();
            const int top = p.S16();
            const int right = p.S16();
            const int bottom = p.S16();
            request.rect = QRectF(QPointF(left, top), QPointF(right, bottom));
        }
        if (count < 0 || !p.Has(static_cast<size_t>(count + 1) / 2))
            return;
        request.bytes = p.Bytes(static_cast<size_t>(count));
        p.SkipBytes(static_cast<size_t>(count & 1));
        if (p.Has(static_cast<size_t>(count))) {
            request.advances.reserve(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i)
                request.advances.push_back(p.S16());
        }
        DrawTextRecord(request);
    }

    // ---- raster records -----------------------------------------------------------

    // Decodes a packed DIB within the bitmap budget and a size cap; topDown
    // tells whether the DIB stored its rows from the top.
    bool DecodeDib(std::span<const uint8_t> dib, CImageBuffer& out, uint64_t maxPixels = kMaxPixels,
                   bool* topDown = nullptr)
    {
        PackedDibInfo info;
        if (!ParsePackedDibHeader(dib, info))
            return false;
        const uint64_t pixels = uint64_t(static_cast<uint32_t>(info.width)) *
                                uint64_t(std::abs(static_cast<int64_t>(info.height)));
        if (pixels > maxPixels || !budget_.TakeBitmapPixels(pixels) ||
            !budget_.Spend(pixels / kPixelsPerWorkUnit + 1))
            return false;
        if (topDown)
            *topDown = info.height < 0;
        return ReadPackedDib(dib, out);
    }

    void PaintRasterEffect(const RasterEffect& effect, const QRectF& rect)
    {
        switch (effect.source) {
        case RasterEffect::Source::Brush: {
            const QBrush brush = DeviceBrush(dc_.brush, std::nullopt);
            if (brush.style() != Qt::NoBrush)
                FillDevice(rect, brush, effect.mode);
            break;
        }
        case RasterEffect::Source::Black: FillDevice(rect, QColor(Qt::black), effect.mode); break;
        case RasterEffect::Source::White: FillDevice(rect, QColor(Qt::white), effect.mode); break;
        default: break;
        }
    }

    // A blit without a source picture: the raster operation works with the
    // brush or a constant colour over the destination.
    void PatternBlit(uint32_t rop, int x, int y, int w, int h)
    {
        const QRectF rect = DeviceRect(x, y, double(x) + w, double(y) + h);
        PaintRasterEffect(EffectOfTernaryRop(rop), rect);
    }

    void PatBlt(Params& p)
    {
        if (!p.Has(6))
            return;
        const uint32_t rop = p.U32();
        const int h = p.S16();
        const int w = p.S16();
        const int y = p.S16();
        const int x = p.S16();
        PatternBlit(rop, x, y, w, h);
    }

    struct BlitGeometry {
        int xSrc = 0, ySrc = 0, wSrc = 0, hSrc = 0;  // bitmap pixels
        int xDst = 0, yDst = 0, wDst = 0, hDst = 0;  // logical
    };

    // How the source and destination extents relate.
    enum class BlitSizing {
        // Both extents given: the source is stretched onto the destination.
        Stretch,
        // One extent for both: the source part the bitmap holds is drawn
        // over the whole destination (a bitmap smaller than the extent is
        // stretched rather than shrunk to a corner).
        Shared,
        // The extent is in device pixels, copied one to one.
        DevicePixels,
    };

    // Draws the source rectangle of image (top row counted from the top) onto
    // the device rectangle from d0 (where the source's top-left lands) to d1.
    // A bottom-up image is a view of a buffer's rows, bottom row first.
    void BlitImage(const QImage& image, bool bottomUp, QRectF source, QPointF d0, QPointF d1,
                   QPainter::CompositionMode mode)
    {
        if (source.width() < 0) {
            source = QRectF(source.x() + source.width(), source.y(), -source.width(), source.height());
            std::swap(d0.rx(), d1.rx());
        }
        if (source.height() < 0) {
            source = QRectF(source.x(), source.y() + source.height(), source.width(), -source.height());
            std::swap(d0.ry(), d1.ry());
        }
        if (source.isEmpty() || d0.x() == d1.x() || d0.y() == d1.y())
            return;
        if (!BeginPaint(QRectF(d0, d1), 4))
            return;
        const double m11 = (d1.x() - d0.x()) / source.width();
        double m22 = (d1.y() - d0.y()) / source.height();
        double dy = d0.y() - source.y() * m22;
        if (bottomUp) {
            // View rows run from the bottom: the source's lowest row lands on
            // the destination's last row.
            source.moveTop(image.height() - source.y() - source.height());
            m22 = -m22;
            dy = d1.y() - source.y() * m22;
        }
        painter_->save();
        painter_->setCompositionMode(mode);
        painter_->setRenderHint(QPainter::SmoothPixmapTransform, dc_.stretchMode == kStretchHalftone);
        painter_->setTransform(QTransform(m11, 0, 0, m22, d0.x() - source.x() * m11, dy));
        painter_->drawImage(source, image, source);
        painter_->restore();
    }

    // Draws a bitmap under rop. ySrc counts rows from the bottom for
    // bottom-up DIBs (as StretchDIBits does) and from the top otherwise.
    void BlitBitmap(const QImage& image, bool bottomUpView, bool ySrcFromBottom, BlitGeometry g, uint32_t rop,
                    BlitSizing sizing)
    {
        const int width = image.width();
        const int height = image.height();
        if (sizing != BlitSizing::Stretch) {
            if (g.wSrc > 0)
                g.wSrc = std::min(g.wSrc, width - g.xSrc);
            if (g.hSrc > 0)
                g.hSrc = std::min(g.hSrc, height - g.ySrc);
        }
        QPointF d0 = ToDevice(g.xDst, g.yDst);
        QPointF d1 = sizing == BlitSizing::DevicePixels
                         ? d0 + QPointF(g.wSrc, g.hSrc)
                         : ToDevice(double(g.xDst) + g.wDst, double(g.yDst) + g.hDst);
        const double top = ySrcFromBottom ? double(height) - g.ySrc - g.hSrc : g.ySrc;
        BlitImage(image, bottomUpView, QRectF(g.xSrc, top, g.wSrc, g.hSrc), d0, d1, EffectOfTernaryRop(rop).mode);
    }

    // Blits whose bitmap need not be decoded: while measuring, and for
    // raster operations that do not read the source. True when handled.
    bool BlitWithoutSource(const BlitGeometry& g, uint32_t rop)
    {
        if (Measuring()) {
            BeginPaint(DeviceRect(g.xDst, g.yDst, double(g.xDst) + g.wDst, double(g.yDst) + g.hDst), 1);
            return true;
        }
        if (EffectOfTernaryRop(rop).source != RasterEffect::Source::Image) {
            PatternBlit(rop, g.xDst, g.yDst, g.wDst, g.hDst);
            return true;
        }
        return false;
    }

    void BlitDib(std::span<const uint8_t> dib, const BlitGeometry& g, uint32_t rop, BlitSizing sizing)
    {
        if (BlitWithoutSource(g, rop))
            return;
        CImageBuffer picture;
        bool topDown = false;
        if (!DecodeDib(dib, picture, kMaxPixels, &topDown))
            return;
        const QImage view(picture.Bits(), static_cast<int>(picture.Width()), static_cast<int>(picture.Height()),
                          static_cast<qsizetype>(picture.Stride()), QImage::Format_BGR888);
        BlitBitmap(view, true, !topDown, g, rop, sizing);
    }

    // Reads the fixed words of a blit record: ROP, [source extent], source
    // origin, [reserved], destination extent and origin.
    static BlitGeometry ReadBlitGeometry(Params& p, bool sourceExtent, bool reservedWord, uint32_t& rop)
    {
        BlitGeometry g;
        rop = p.U32();
        if (sourceExtent) {
            g.hSrc = p.S16();
            g.wSrc = p.S16();
        }
        g.ySrc = p.S16();
        g.xSrc = p.S16();
        if (reservedWord)
            p.S16();
        g.hDst = p.S16();
        g.wDst = p.S16();
        g.yDst = p.S16();
        g.xDst = p.S16();
        if (!sourceExtent) {
            g.wSrc = g.wDst;
            g.hSrc = g.hDst;
        }
        return g;
    }

    // DIBBITBLT, DIBSTRETCHBLT and the old BITBLT and STRETCHBLT. A record of
    // (Function >> 8) + 3 words has no bitmap (and a reserved word after the
    // source origin) and paints with the brush.
    void Blit(Params& p, uint16_t function, uint32_t words)
    {
        const bool stretch = function == wmf::kDibStretchBlt || function == wmf::kStretchBlt;
        const bool withoutBitmap = words == static_cast<uint32_t>((function >> 8) + 3);
        if (!p.Has((stretch ? 10 : 8) + (withoutBitmap ? 1 : 0)))
            return;
        uint32_t rop = 0;
        const BlitGeometry g = ReadBlitGeometry(p, stretch, withoutBitmap, rop);
        const BlitSizing sizing = stretch ? BlitSizing::Stretch : BlitSizing::Shared;
        if (withoutBitmap) {
            PatternBlit(rop, g.xDst, g.yDst, g.wDst, g.hDst);
        } else if (function == wmf::kDibBitBlt || function == wmf::kDibStretchBlt) {
            BlitDib(p.Rest(), g, rop, sizing);
        } else if (!BlitWithoutSource(g, rop)) {
            const QImage bitmap = DeviceBitmapImage(p, false);
            if (!bitmap.isNull())
                BlitBitmap(bitmap, false, false, g, rop, sizing);
        }
    }

    void StretchDib(Params& p)
    {
        if (!p.Has(11))
            return;
        BlitGeometry g;
        const uint32_t rop = p.U32();
        p.U16();  // colour usage
        g.hSrc = p.S16();
        g.wSrc = p.S16();
        g.ySrc = p.S16();
        g.xSrc = p.S16();
        g.hDst = p.S16();
        g.wDst = p.S16();
        g.yDst = p.S16();
        g.xDst = p.S16();
        BlitDib(p.Rest(), g, rop, BlitSizing::Stretch);
    }

    // SETDIBTODEV copies pixels one to one from the destination origin.
    void SetDibToDev(Params& p)
    {
        if (!p.Has(9))
            return;
        BlitGeometry g;
        p.U16();  // colour usage
        p.U16();  // scan count
        p.U16();  // start scan
        g.ySrc = p.S16();
        g.xSrc = p.S16();
        g.hSrc = g.hDst = p.S16();
        g.wSrc = g.wDst = p.S16();
        g.yDst = p.S16();
        g.xDst = p.S16();
        BlitDib(p.Rest(), g, wmf::kRopSrcCopy, BlitSizing::DevicePixels);
    }

    // ---- state --------------------------------------------------------------------

    std::span<const uint8_t> meta_;
    QSize target_;
    std::optional<QRectF> placeableFrame_;
    WorkBudget& budget_;
    QPainter* painter_ = nullptr;

    bool frameResolved_ = false;
    QTransform fit_;  // viewport space to device pixels
    bool hasBounds_ = false;
    double minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;

    std::vector<std::optional<GdiObject>> objects_;
    DcState dc_;
    std::vector<DcState> saved_;
    bool clipDirty_ = true;
};

// ---------------------------------------------------------------------------
// Sizing, as the loader has always sized metafiles.

constexpr uint32_t kDefaultSide = 256;
constexpr uint32_t kDefaultBound = 2000;

struct PlaceableHeader {
    int16_t left = 0, top = 0, right = 0, bottom = 0;
    uint16_t unitsPerInch = 0;
};

// The picture a metafile is played onto and where its records are.
struct MetafileLayout {
    uint32_t width = 0;
    uint32_t height = 0;
    size_t metafileStart = 0;
    uint64_t metafileBytes = 0;
    std::optional<PlaceableHeader> frame;  // when the placeable frame sizes the picture
};

// Sizes a metafile of fileSize bytes from its first bytes (head: at least
// kWmfSizeHeadBytes of them, or the whole file) and the caller's hints;
// false when the loader refuses it.
bool LayOut(std::span<const uint8_t> head, uint64_t fileSize, uint32_t maxWidth, uint32_t maxHeight,
            MetafileLayout& layout)
{
    if (fileSize < wmf::kPlaceableBytes || head.size() > fileSize ||
        head.size() < std::min<uint64_t>(fileSize, kWmfSizeHeadBytes))
        return false;
    ByteReader in(head);
    const bool placeable = in.U32() == wmf::kPlaceableKey;
    PlaceableHeader frame;
    if (placeable) {
        in.U16();  // handle
        frame.left = in.I16();
        frame.top = in.I16();
        frame.right = in.I16();
        frame.bottom = in.I16();
        frame.unitsPerInch = in.U16();
    }
    const size_t headerStart = placeable ? wmf::kPlaceableBytes : 0;
    if (fileSize - headerStart < wmf::kHeaderBytes)
        return false;
    ByteReader header(head.data() + headerStart, wmf::kHeaderBytes);
    header.Skip(6);
    const uint64_t metafileBytes = uint64_t{header.U32()} * 2;

    int64_t width = kDefaultSide;
    int64_t height = kDefaultSide;
    int64_t boundWidth = kDefaultBound;
    int64_t boundHeight = kDefaultBound;
    if (maxWidth != 0 || maxHeight != 0) {
        width = boundWidth = maxWidth;
        height = boundHeight = maxHeight;
    }
    // The metafile's own bytes start after the placeable header only when
    // its frame is used; otherwise they are taken from the very start, where
    // a placeable header does not read as a metafile and nothing is drawn.
    size_t metafileStart = 0;
    if (placeable && frame.unitsPerInch != 0) {
        const int64_t dpi = ScreenDpi();
        width = (int64_t{frame.right} - frame.left) * dpi / frame.unitsPerInch;
        height = (int64_t{frame.bottom} - frame.top) * dpi / frame.unitsPerInch;
        metafileStart = wmf::kPlaceableBytes;
        layout.frame = frame;
    }
    if (width <= 0 || height <= 0)
        return false;
    if (width > boundWidth || height > boundHeight) {
        const int64_t fittedHeight = height * boundWidth / width;
        if (fittedHeight > boundHeight) {
            width = width * boundHeight / height;
            height = boundHeight;
        } else {
            height = fittedHeight;
            width = boundWidth;
        }
    }
    if (!SizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height)) || width > INT32_MAX ||
        height > INT32_MAX)
        return false;
    if (metafileBytes > fileSize - metafileStart)
        return false;
    layout.width = static_cast<uint32_t>(width);
    layout.height = static_cast<uint32_t>(height);
    layout.metafileStart = metafileStart;
    layout.metafileBytes = metafileBytes;
    return true;
}

}  // namespace

bool WmfSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height)
{
    MetafileLayout layout;
    if (!LayOut(head, fileSize, 0, 0, layout))
        return false;
    width = layout.width;
    height = layout.height;
    return true;
}

bool QueryWmfSize(const std::string& path, uint32_t& width, uint32_t& height)
{
    const auto head = ReadFileHead(path, kWmfSizeHeadBytes);
    // The loader reads the whole file, so it refuses what it cannot hold.
    if (!head || head->fileSize > kMaxInputFileBytes)
        return false;
    return WmfSizeFromBytes(head->bytes, head->fileSize, width, height);
}

void ReadWmfBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                  const WmfLimits& limits)
{
    buf.Clear();
    MetafileLayout layout;
    if (!LayOut(file, file.size(), maxWidth, maxHeight, layout))
        return;
    std::optional<QRectF> placeableFrame;
    if (layout.frame)
        placeableFrame = QRectF(QPointF(layout.frame->left, layout.frame->top),
                                QPointF(layout.frame->right, layout.frame->bottom));
    const auto width = static_cast<int>(layout.width);
    const auto height = static_cast<int>(layout.height);
    const size_t metafileStart = layout.metafileStart;
    const uint64_t metafileBytes = layout.metafileBytes;

    QImage canvas(width, height, QImage::Format_RGB32);
    if (canvas.isNull())
        return;
    canvas.fill(Qt::white);
    {
        WorkBudget budget(limits);
        Player player(file.subspan(metafileStart, static_cast<size_t>(metafileBytes)), canvas.size(),
                      placeableFrame, budget);
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing, false);
        player.Play(painter);
    }
    FromQImage(canvas, buf);
}

void ReadWmf(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf)
{
    buf.Clear();
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return;
    ReadWmfBytes(*bytes, maxWidth, maxHeight, buf);
}

}  // namespace pix
