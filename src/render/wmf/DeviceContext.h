#pragma once
// The GDI constants the records refer to, the graphics objects a metafile
// creates and the device-context state playback keeps.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

namespace pix::wmf {

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

// A COLORREF as a colour; palette indices show the VGA colours.
QColor ColorFromRef(uint32_t ref);

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

}  // namespace pix::wmf
