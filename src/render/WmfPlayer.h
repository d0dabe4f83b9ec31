#pragma once
// Windows metafile reading: the loader sizes the picture from the file's
// placeable header and the caller's hints, then plays the records onto a
// white picture of that size with our own GDI emulation over QPainter.
//
// The format constants shared with the writer live here too.

#include <cstdint>
#include <span>
#include <string>

namespace pix {

struct PictureTraits;

class CImageBuffer;

namespace wmf {

// Placeable header in front of the metafile header.
inline constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr size_t kPlaceableBytes = 22;
// META_HEADER.
inline constexpr size_t kHeaderBytes = 18;
inline constexpr uint16_t kHeaderWords = 9;
inline constexpr uint16_t kTypeMemory = 1;
inline constexpr uint16_t kTypeDisk = 2;
inline constexpr uint16_t kVersionDib = 0x0300;
// Record header: size in words (u32) and function (u16).
inline constexpr size_t kRecordHeaderBytes = 6;

// Record functions (dispatched on the full 16-bit value).
enum Function : uint16_t {
    kEof = 0x0000,
    kRealizePalette = 0x0035,
    kSaveDc = 0x001E,
    kCreatePalette = 0x00F7,
    kSetBkMode = 0x0102,
    kSetMapMode = 0x0103,
    kSetRop2 = 0x0104,
    kSetRelAbs = 0x0105,
    kSetPolyFillMode = 0x0106,
    kSetStretchBltMode = 0x0107,
    kSetTextCharExtra = 0x0108,
    kRestoreDc = 0x0127,
    kInvertRegion = 0x012A,
    kPaintRegion = 0x012B,
    kSelectClipRegion = 0x012C,
    kSelectObject = 0x012D,
    kSetTextAlign = 0x012E,
    kDibCreatePatternBrush = 0x0142,
    kDeleteObject = 0x01F0,
    kCreatePatternBrush = 0x01F9,
    kSetBkColor = 0x0201,
    kSetTextColor = 0x0209,
    kSetTextJustification = 0x020A,
    kSetWindowOrg = 0x020B,
    kSetWindowExt = 0x020C,
    kSetViewportOrg = 0x020D,
    kSetViewportExt = 0x020E,
    kOffsetWindowOrg = 0x020F,
    kOffsetViewportOrg = 0x0211,
    kLineTo = 0x0213,
    kMoveTo = 0x0214,
    kOffsetClipRegion = 0x0220,
    kFillRegion = 0x0228,
    kSetMapperFlags = 0x0231,
    kSelectPalette = 0x0234,
    kCreatePenIndirect = 0x02FA,
    kCreateFontIndirect = 0x02FB,
    kCreateBrushIndirect = 0x02FC,
    kPolygon = 0x0324,
    kPolyline = 0x0325,
    kScaleWindowExt = 0x0410,
    kScaleViewportExt = 0x0412,
    kExcludeClipRect = 0x0415,
    kIntersectClipRect = 0x0416,
    kEllipse = 0x0418,
    kRectangle = 0x041B,
    kSetPixel = 0x041F,
    kFrameRegion = 0x0429,
    kTextOut = 0x0521,
    kPolyPolygon = 0x0538,
    kRoundRect = 0x061C,
    kPatBlt = 0x061D,
    kEscape = 0x0626,
    kCreateRegion = 0x06FF,
    kArc = 0x0817,
    kPie = 0x081A,
    kChord = 0x0830,
    kBitBlt = 0x0922,
    kDibBitBlt = 0x0940,
    kExtTextOut = 0x0A32,
    kStretchBlt = 0x0B23,
    kDibStretchBlt = 0x0B41,
    kSetDibToDev = 0x0D33,
    kStretchDib = 0x0F43,
};

// Ternary raster operations of the blit records.
inline constexpr uint32_t kRopSrcCopy = 0x00CC0020;
inline constexpr uint32_t kRopSrcPaint = 0x00EE0086;
inline constexpr uint32_t kRopSrcAnd = 0x008800C6;
inline constexpr uint32_t kRopSrcInvert = 0x00660046;
inline constexpr uint32_t kRopSrcErase = 0x00440328;
inline constexpr uint32_t kRopNotSrcCopy = 0x00330008;
inline constexpr uint32_t kRopNotSrcErase = 0x001100A6;
inline constexpr uint32_t kRopMergeCopy = 0x00C000CA;
inline constexpr uint32_t kRopMergePaint = 0x00BB0226;
inline constexpr uint32_t kRopPatCopy = 0x00F00021;
inline constexpr uint32_t kRopPatPaint = 0x00FB0A09;
inline constexpr uint32_t kRopPatInvert = 0x005A0049;
inline constexpr uint32_t kRopDstInvert = 0x00550009;
inline constexpr uint32_t kRopBlackness = 0x00000042;
inline constexpr uint32_t kRopWhiteness = 0x00FF0062;

}  // namespace wmf

// Bounds on the work one metafile may cause, so that a hostile file can
// neither exhaust memory nor keep the reader busy for long.
struct WmfLimits {
    // Abstract work units: every record, point, glyph and a share of the
    // painted area costs some; playback stops when they run out.
    uint64_t work = uint64_t{1} << 28;
    // Pixels of embedded bitmaps decoded over the whole playback.
    uint64_t bitmapPixels = uint64_t{1} << 28;
};

// Reads a metafile. maxWidth × maxHeight are the caller's hints: 0 × 0 for
// a full-size load (256 × 256, or the placeable frame at ScreenDpi() fitted
// into 2000 × 2000), otherwise both the size of a plain metafile and the
// bound the placeable frame is fitted into. buf is empty on failure.
void ReadWmf(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
             PictureTraits* traits = nullptr);

// The same, from the bytes of a file.
void ReadWmfBytes(std::span<const uint8_t> file, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                  const WmfLimits& limits = {});

// The bytes at the start of a file the size query needs: the placeable
// header and the metafile header after it.
inline constexpr size_t kWmfSizeHeadBytes = wmf::kPlaceableBytes + wmf::kHeaderBytes;
// The width and height a full-size load gives a file of fileSize bytes
// that begins with head (its first kWmfSizeHeadBytes bytes, or all of a
// shorter file), from the headers alone; false when the loader refuses it.
bool WmfSizeFromBytes(std::span<const uint8_t> head, uint64_t fileSize, uint32_t& width, uint32_t& height);
// The size query of the format table: reads only the headers.
bool QueryWmfSize(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation = nullptr);

}  // namespace pix
