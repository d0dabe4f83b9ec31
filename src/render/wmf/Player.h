#pragma once
// The player: walks the records once, keeping GDI's state, and paints in
// device pixels on a QPainter whose own transform stays the identity.
//
// Framing: the picture's frame (in viewport space) is mapped onto the whole
// target. It is fixed at the first drawing record: the window, when the
// file set a window extent; else the placeable bounding box; else the
// bounds of everything the file draws (measured by a pass that paints
// nothing). Later window and viewport changes act relative to that frame,
// as they would relative to the screen on Windows.
//
// The members are defined by concern: the record loop in Player.cpp,
// mapping, saved states, objects and clipping in DeviceContext.cpp,
// pens, brushes and shapes in Painting.cpp, text in Text.cpp, bitmaps and
// blits in Blits.cpp.

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QRegion>
#include <QSize>
#include <QTransform>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "image/CImageBuffer.h"
#include "render/wmf/DeviceContext.h"
#include "render/wmf/Params.h"
#include "render/wmf/RasterOps.h"
#include "render/wmf/WorkBudget.h"

namespace pix::wmf {

// Device coordinates are kept within this range so that hostile extents
// cannot push the rasteriser into overflow; real pictures never get near.
constexpr double kDeviceCoordinateLimit = 1 << 22;
constexpr int kMaxSavedStates = 1024;
constexpr int kMaxGlyphsPerRecord = 4096;
constexpr size_t kMaxRegionRects = 1024;
constexpr uint64_t kMaxPatternPixels = 256 * 256;

inline double Clamped(double v) { return std::clamp(v, -kDeviceCoordinateLimit, kDeviceCoordinateLimit); }

class Player {
public:
    Player(std::span<const uint8_t> metafile, QSize target, std::optional<QRectF> placeableFrame,
           WorkBudget& budget);

    void Play(QPainter& painter);

    // Plays without painting and answers the bounds of everything drawn, in
    // viewport space; nothing when nothing is drawn.
    std::optional<QRectF> MeasureBounds();

private:
    bool Measuring() const { return painter_ == nullptr; }

    // ---- record loop (Player.cpp) ----------------------------------------------
    void Run();
    void Dispatch(uint16_t function, Params& p, uint32_t words);

    // ---- mapping (DeviceContext.cpp) -------------------------------------------
    bool ExtentsAdjustable() const;
    void SetWindowExt(QPointF ext);
    void SetViewportExt(QPointF ext);
    void ScaleExtent(Params& p, bool window);
    void FixIsotropic();
    void SetBkMode(int mode);
    void SetMapMode(int mode);
    QPointF ToViewport(QPointF logical) const;
    QPointF ToDevice(double x, double y) const;
    double ScaleX() const;
    double ScaleY() const;
    QRectF DeviceRect(double left, double top, double right, double bottom) const;
    QRectF ShapeBox(int left, int top, int right, int bottom) const;
    QRectF ReadShapeBox(Params& p) const;
    void ResolveFrame();

    // ---- device-context stack (DeviceContext.cpp) ------------------------------
    void SaveDc();
    void RestoreDc(int level);

    // ---- objects (DeviceContext.cpp; pattern brushes in Blits.cpp) --------------
    void AddObject(GdiObject object);
    void CreatePen(Params& p);
    void CreateBrush(Params& p);
    void CreateFont(Params& p);
    void CreateRegion(Params& p);
    void SelectObject(uint16_t index);
    void DeleteObject(uint16_t index);
    const Region* RegionAt(uint16_t index) const;

    // ---- clipping (DeviceContext.cpp) ------------------------------------------
    QRegion DeviceRegion(const Region& region);
    QRegion CurrentClip() const;
    uint64_t ClipCost() const;
    void SetClip(std::optional<QRegion> clip);
    void SelectClipRegion(uint16_t index);
    void ClipRect(Params& p, bool intersect);
    void OffsetClip(Params& p);
    void ApplyClip();

    // ---- painting (Painting.cpp) -----------------------------------------------
    void ExtendBounds(const QRectF& r);
    bool BeginPaint(const QRectF& deviceArea, uint64_t elements);
    double MaxPenWidth() const;
    QPen DevicePen(const Rop2Effect& effect) const;
    QBrush DeviceBrush(const Brush& brush, const std::optional<QColor>& forced) const;
    void ApplyBackground();
    void PaintPath(QPainterPath path, bool fill, bool stroke, uint64_t elements);
    void FillDevice(const QRectF& rect, const QBrush& brush, QPainter::CompositionMode mode);

    // ---- shapes and regions (Painting.cpp) -------------------------------------
    enum class ArcKind { Arc, Pie, Chord };

    void LineTo(Params& p);
    bool ReadPoints(Params& p, size_t count, QPolygonF& points);
    void Poly(Params& p, bool closed);
    void PolyPolygon(Params& p);
    void RectangleShape(Params& p);
    void RoundRectShape(Params& p);
    void EllipseShape(Params& p);
    void ArcShape(Params& p, ArcKind kind);
    void SetPixel(Params& p);
    void FillRegion(Params& p);
    void PaintRegion(Params& p, bool invert);
    void PaintDeviceRegion(const QRegion& region, const QBrush& brush, bool invert);

    // ---- text (Text.cpp) -------------------------------------------------------
    struct TextRequest {
        QPointF reference;  // logical
        std::span<const uint8_t> bytes;
        std::vector<int> advances;  // logical, may be empty
        int options = 0;
        std::optional<QRectF> rect;  // logical left, top, right, bottom
    };

    double MaxFontPixels() const;
    QFont DeviceFont() const;
    bool SymbolFont() const;
    void MeasureText(QPointF reference, size_t count);
    void DrawTextRecord(const TextRequest& request);
    void TextOut(Params& p);
    void ExtTextOut(Params& p);

    // ---- bitmaps and raster records (Blits.cpp) --------------------------------
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

    QImage DeviceBitmapImage(Params& p, bool patternBrush);
    void AddPatternBrush(QImage pattern);
    void CreatePatternBrush(Params& p);
    void CreateDibPatternBrush(Params& p);
    bool DecodeDib(std::span<const uint8_t> dib, CImageBuffer& out, uint64_t maxPixels = kMaxPixels,
                   bool* topDown = nullptr);
    void PaintRasterEffect(const RasterEffect& effect, const QRectF& rect);
    void PatternBlit(uint32_t rop, int x, int y, int w, int h);
    void PatBlt(Params& p);
    void BlitImage(const QImage& image, bool bottomUp, QRectF source, QPointF d0, QPointF d1,
                   QPainter::CompositionMode mode);
    void BlitBitmap(const QImage& image, bool bottomUpView, bool ySrcFromBottom, BlitGeometry g, uint32_t rop,
                    BlitSizing sizing);
    bool BlitWithoutSource(const BlitGeometry& g, uint32_t rop);
    void BlitDib(std::span<const uint8_t> dib, const BlitGeometry& g, uint32_t rop, BlitSizing sizing);
    static BlitGeometry ReadBlitGeometry(Params& p, bool sourceExtent, bool reservedWord, uint32_t& rop);
    void Blit(Params& p, uint16_t function, uint32_t words);
    void StretchDib(Params& p);
    void SetDibToDev(Params& p);

    // ---- state -----------------------------------------------------------------
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

}  // namespace pix::wmf
