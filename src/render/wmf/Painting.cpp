// Painting in device pixels: pens, brushes and the ROP2 mode on the
// QPainter, work accounting for painted areas, and the shape records.
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <variant>

#include "render/wmf/Player.h"

namespace pix::wmf {

namespace {

// The angle (degrees, counter-clockwise on the device) at which the ray
// from the centre through point meets the ellipse in box.
double EllipseAngle(const QRectF& box, QPointF point)
{
    const double rx = box.width() / 2;
    const double ry = box.height() / 2;
    const QPointF c = box.center();
    return std::atan2(-(point.y() - c.y()) / ry, (point.x() - c.x()) / rx) * 180.0 / std::numbers::pi;
}

}  // namespace

void Player::ExtendBounds(const QRectF& r)
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
bool Player::BeginPaint(const QRectF& deviceArea, uint64_t elements)
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

double Player::MaxPenWidth() const { return 2.0 * std::max(target_.width(), target_.height()) + 2; }

QPen Player::DevicePen(const Rop2Effect& effect) const
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

QBrush Player::DeviceBrush(const Brush& brush, const std::optional<QColor>& forced) const
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
void Player::ApplyBackground()
{
    painter_->setBackgroundMode(dc_.bkMode == kBkOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    painter_->setBackground(dc_.bkColor);
}

// Fills (with the brush) and outlines (with the pen) a device path under
// the current ROP2.
void Player::PaintPath(QPainterPath path, bool fill, bool stroke, uint64_t elements)
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

void Player::FillDevice(const QRectF& rect, const QBrush& brush, QPainter::CompositionMode mode)
{
    if (!BeginPaint(rect, 1))
        return;
    painter_->setCompositionMode(mode);
    ApplyBackground();
    painter_->fillRect(rect, brush);
    painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
}

// ---------------------------------------------------------------------------
// Shape and region records.

void Player::LineTo(Params& p)
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
bool Player::ReadPoints(Params& p, size_t count, QPolygonF& points)
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

void Player::Poly(Params& p, bool closed)
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

void Player::PolyPolygon(Params& p)
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

// The bounding box of a shape record: bottom, right, top, left.
QRectF Player::ReadShapeBox(Params& p) const
{
    const int bottom = p.S16();
    const int right = p.S16();
    const int top = p.S16();
    const int left = p.S16();
    return ShapeBox(left, top, right, bottom);
}

void Player::RectangleShape(Params& p)
{
    if (!p.Has(4))
        return;
    QPainterPath path;
    path.addRect(ReadShapeBox(p));
    PaintPath(path, true, true, 4);
}

void Player::RoundRectShape(Params& p)
{
    if (!p.Has(6))
        return;
    const int cornerH = p.S16();
    const int cornerW = p.S16();
    const QRectF box = ReadShapeBox(p);
    const double rx = std::min(std::abs(cornerW * ScaleX()) / 2, box.width() / 2);
    const double ry = std::min(std::abs(cornerH * ScaleY()) / 2, box.height() / 2);
    QPainterPath path;
    path.addRoundedRect(box, rx, ry);
    PaintPath(path, true, true, 16);
}

void Player::EllipseShape(Params& p)
{
    if (!p.Has(4))
        return;
    QPainterPath path;
    path.addEllipse(ReadShapeBox(p));
    PaintPath(path, true, true, 16);
}

// From the start radial counter-clockwise to the end radial.
void Player::ArcShape(Params& p, ArcKind kind)
{
    if (!p.Has(8))
        return;
    const int yEnd = p.S16();
    const int xEnd = p.S16();
    const int yStart = p.S16();
    const int xStart = p.S16();
    const QRectF box = ReadShapeBox(p);
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

void Player::SetPixel(Params& p)
{
    if (!p.Has(4))
        return;
    const QColor color = ColorFromRef(p.U32());
    const int y = p.S16();
    const int x = p.S16();
    const QPointF at = ToDevice(x, y);
    FillDevice(QRectF(at, QSizeF(1, 1)), color, QPainter::CompositionMode_SourceOver);
}

void Player::FillRegion(Params& p)
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

void Player::PaintRegion(Params& p, bool invert)
{
    if (!p.Has(1))
        return;
    const Region* region = RegionAt(p.U16());
    if (region)
        PaintDeviceRegion(DeviceRegion(*region), DeviceBrush(dc_.brush, std::nullopt), invert);
}

void Player::PaintDeviceRegion(const QRegion& region, const QBrush& brush, bool invert)
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

}  // namespace pix::wmf
