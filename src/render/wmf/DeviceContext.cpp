// The device context while playing: mapping modes and the logical-to-device
// transform, saved states, the object table, and clipping.
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/ScreenDpi.h"
#include "render/wmf/Player.h"
#include "render/wmf/Text.h"

namespace pix::wmf {

namespace {

constexpr uint8_t kColorRefPaletteIndex = 1;

// Extents stay within a range where the mapping keeps finite values.
bool UsableExtent(double v) { return std::isfinite(v) && std::abs(v) >= 1e-6 && std::abs(v) <= 1e12; }

}  // namespace

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
// Mapping: logical units to viewport space, and the frame onto the picture.

bool Player::ExtentsAdjustable() const { return dc_.mapMode == kMmIsotropic || dc_.mapMode == kMmAnisotropic; }

void Player::SetWindowExt(QPointF ext)
{
    if (!ExtentsAdjustable() || ext.x() == 0 || ext.y() == 0)
        return;
    dc_.windowExt = ext;
    dc_.windowExtSet = true;
    FixIsotropic();
}

void Player::SetViewportExt(QPointF ext)
{
    if (!ExtentsAdjustable() || ext.x() == 0 || ext.y() == 0)
        return;
    dc_.viewportExt = ext;
    FixIsotropic();
}

// Records hold xNum, xDenom, yNum, yDenom reversed.
void Player::ScaleExtent(Params& p, bool window)
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

// Isotropic mode keeps one unit equally long in both directions by
// shrinking the viewport extent in the direction that would stretch more.
void Player::FixIsotropic()
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

void Player::SetBkMode(int mode)
{
    if (mode == kBkTransparent || mode == kBkOpaque)
        dc_.bkMode = mode;
}

void Player::SetMapMode(int mode)
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

QPointF Player::ToViewport(QPointF logical) const
{
    return {(logical.x() - dc_.windowOrg.x()) * dc_.viewportExt.x() / dc_.windowExt.x() + dc_.viewportOrg.x(),
            (logical.y() - dc_.windowOrg.y()) * dc_.viewportExt.y() / dc_.windowExt.y() + dc_.viewportOrg.y()};
}

// A logical point in device pixels, rounded as GDI rounds.
QPointF Player::ToDevice(double x, double y) const
{
    const QPointF v = fit_.map(ToViewport(QPointF(x, y)));
    if (Measuring())
        return v;
    return {std::floor(Clamped(v.x()) + 0.5), std::floor(Clamped(v.y()) + 0.5)};
}

double Player::ScaleX() const { return fit_.m11() * dc_.viewportExt.x() / dc_.windowExt.x(); }
double Player::ScaleY() const { return fit_.m22() * dc_.viewportExt.y() / dc_.windowExt.y(); }

// The device rectangle two logical corners span (normalised).
QRectF Player::DeviceRect(double left, double top, double right, double bottom) const
{
    return QRectF(ToDevice(left, top), ToDevice(right, bottom)).normalized();
}

// The outline box of a GDI shape: the rectangle excludes its right and
// bottom edges, so its outline runs through the last pixel inside.
QRectF Player::ShapeBox(int left, int top, int right, int bottom) const
{
    const QRectF r = DeviceRect(left, top, right, bottom);
    if (Measuring())
        return r;
    return QRectF(r.left(), r.top(), std::max(0.0, r.width() - 1), std::max(0.0, r.height() - 1));
}

void Player::ResolveFrame()
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

// ---------------------------------------------------------------------------
// Saved states.

void Player::SaveDc()
{
    if (saved_.size() < kMaxSavedStates)
        saved_.push_back(dc_);
}

// Negative: that many levels back; positive: the absolute level.
void Player::RestoreDc(int level)
{
    const int depth = static_cast<int>(saved_.size());
    const int target = level < 0 ? depth + level : level - 1;
    if (level == 0 || target < 0 || target >= depth)
        return;
    dc_ = saved_[static_cast<size_t>(target)];
    saved_.resize(static_cast<size_t>(target));
    clipDirty_ = true;
}

// ---------------------------------------------------------------------------
// The object table.

// A new object takes the lowest empty slot; without one it is lost.
void Player::AddObject(GdiObject object)
{
    for (auto& slot : objects_) {
        if (!slot) {
            slot = std::move(object);
            return;
        }
    }
}

void Player::CreatePen(Params& p)
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

void Player::CreateBrush(Params& p)
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

void Player::CreateFont(Params& p)
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

void Player::CreateRegion(Params& p)
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

void Player::SelectObject(uint16_t index)
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

void Player::DeleteObject(uint16_t index)
{
    if (index < objects_.size())
        objects_[index].reset();
}

const Region* Player::RegionAt(uint16_t index) const
{
    if (index >= objects_.size() || !objects_[index])
        return nullptr;
    return std::get_if<Region>(&*objects_[index]);
}

// ---------------------------------------------------------------------------
// Clipping.

QRegion Player::DeviceRegion(const Region& region)
{
    QRegion out;
    if (!budget_.Spend(region.rects.size() * kRegionRectCost))
        return out;
    for (const QRect& r : region.rects)
        out += DeviceRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1).toRect();
    return out;
}

QRegion Player::CurrentClip() const { return dc_.clip ? *dc_.clip : QRegion(0, 0, target_.width(), target_.height()); }

// Clip regions grow with every exclusion; working with them costs in
// proportion to their rectangles.
uint64_t Player::ClipCost() const
{
    return dc_.clip ? static_cast<uint64_t>(dc_.clip->rectCount()) * kRegionRectCost : 0;
}

void Player::SetClip(std::optional<QRegion> clip)
{
    budget_.Spend(ClipCost());
    dc_.clip = std::move(clip);
    clipDirty_ = true;
}

void Player::SelectClipRegion(uint16_t index)
{
    const Region* region = RegionAt(index);
    SetClip(region ? std::optional<QRegion>(DeviceRegion(*region)) : std::nullopt);
}

void Player::ClipRect(Params& p, bool intersect)
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

void Player::OffsetClip(Params& p)
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

void Player::ApplyClip()
{
    if (!clipDirty_ || Measuring())
        return;
    if (dc_.clip)
        painter_->setClipRegion(*dc_.clip);
    else
        painter_->setClipping(false);
    clipDirty_ = false;
}

}  // namespace pix::wmf
