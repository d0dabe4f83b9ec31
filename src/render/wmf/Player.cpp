// The record loop: reads each record's header, charges the work budget,
// fixes the frame at the first drawing record and hands the parameters to
// the member that plays the record.
#include "render/wmf/Player.h"

#include "common/ByteReader.h"
#include "render/WmfPlayer.h"

namespace pix::wmf {

namespace {

bool IsDrawingRecord(uint16_t function)
{
    switch (function) {
    case kLineTo:
    case kPolyline:
    case kPolygon:
    case kPolyPolygon:
    case kRectangle:
    case kRoundRect:
    case kEllipse:
    case kArc:
    case kPie:
    case kChord:
    case kTextOut:
    case kExtTextOut:
    case kPatBlt:
    case kSetPixel:
    case kBitBlt:
    case kStretchBlt:
    case kDibBitBlt:
    case kDibStretchBlt:
    case kStretchDib:
    case kSetDibToDev:
    case kFillRegion:
    case kPaintRegion:
    case kInvertRegion:
        return true;
    default:
        return false;
    }
}

}  // namespace

Player::Player(std::span<const uint8_t> metafile, QSize target, std::optional<QRectF> placeableFrame,
               WorkBudget& budget)
    : meta_(metafile), target_(target), placeableFrame_(placeableFrame), budget_(budget)
{
    dc_.windowExt = dc_.viewportExt = QPointF(target.width(), target.height());
}

void Player::Play(QPainter& painter)
{
    painter_ = &painter;
    Run();
    painter_ = nullptr;
}

// Plays without painting and answers the bounds of everything drawn, in
// viewport space; nothing when nothing is drawn.
std::optional<QRectF> Player::MeasureBounds()
{
    frameResolved_ = true;
    Run();
    if (!hasBounds_)
        return std::nullopt;
    return QRectF(QPointF(minX_, minY_), QPointF(maxX_, maxY_));
}

void Player::Run()
{
    ByteReader in(meta_);
    const uint16_t type = in.U16();
    const uint16_t headerWords = in.U16();
    in.U16();  // version
    in.U32();  // size
    const uint16_t objects = in.U16();
    in.U32();  // largest record
    in.U16();
    if (in.Failed() || (type != kTypeMemory && type != kTypeDisk) || headerWords != kHeaderWords)
        return;
    objects_.assign(objects, std::nullopt);

    size_t pos = kHeaderBytes;
    while (meta_.size() - pos >= kRecordHeaderBytes && !budget_.Exhausted()) {
        ByteReader head(meta_.data() + pos, kRecordHeaderBytes);
        const uint32_t words = head.U32();
        const uint16_t function = head.U16();
        if (words < 3 || function == kEof)
            break;
        const uint64_t bytes = uint64_t{words} * 2;
        if (bytes > meta_.size() - pos)
            break;
        if (!budget_.Spend(kRecordCost))
            break;
        if (IsDrawingRecord(function))
            ResolveFrame();
        Params params(ByteReader(meta_.data() + pos + kRecordHeaderBytes,
                                 static_cast<size_t>(bytes) - kRecordHeaderBytes));
        Dispatch(function, params, words);
        pos += static_cast<size_t>(bytes);
    }
}

void Player::Dispatch(uint16_t function, Params& p, uint32_t words)
{
    switch (function) {
    case kSetWindowOrg: if (auto at = p.PointYX()) dc_.windowOrg = *at; break;
    case kSetWindowExt: if (auto ext = p.PointYX()) SetWindowExt(*ext); break;
    case kSetViewportOrg: if (auto at = p.PointYX()) dc_.viewportOrg = *at; break;
    case kSetViewportExt: if (auto ext = p.PointYX()) SetViewportExt(*ext); break;
    case kOffsetWindowOrg: if (auto by = p.PointYX()) dc_.windowOrg += *by; break;
    case kOffsetViewportOrg: if (auto by = p.PointYX()) dc_.viewportOrg += *by; break;
    case kScaleWindowExt: ScaleExtent(p, true); break;
    case kScaleViewportExt: ScaleExtent(p, false); break;
    case kSetMapMode: if (auto mode = p.Word()) SetMapMode(*mode); break;
    case kSetBkMode: if (auto mode = p.Word()) SetBkMode(*mode); break;
    case kSetBkColor: if (auto c = p.ColorRef()) dc_.bkColor = ColorFromRef(*c); break;
    case kSetTextColor: if (auto c = p.ColorRef()) dc_.textColor = ColorFromRef(*c); break;
    case kSetTextAlign: if (auto align = p.Word()) dc_.textAlign = *align & 0xFFFF; break;
    case kSetPolyFillMode: if (auto mode = p.Word()) dc_.polyFillMode = *mode; break;
    case kSetRop2: if (auto rop2 = p.Word()) dc_.rop2 = *rop2; break;
    case kSetStretchBltMode: if (auto mode = p.Word()) dc_.stretchMode = *mode; break;
    case kSetTextCharExtra: if (auto extra = p.Word()) dc_.charExtra = *extra; break;
    case kSaveDc: SaveDc(); break;
    case kRestoreDc: if (auto level = p.Word()) RestoreDc(*level); break;

    case kCreatePenIndirect: CreatePen(p); break;
    case kCreateBrushIndirect: CreateBrush(p); break;
    case kCreateFontIndirect: CreateFont(p); break;
    case kCreatePatternBrush: CreatePatternBrush(p); break;
    case kDibCreatePatternBrush: CreateDibPatternBrush(p); break;
    case kCreateRegion: CreateRegion(p); break;
    case kCreatePalette: AddObject(SlotOnly{}); break;
    case kSelectObject: if (auto index = p.Word()) SelectObject(*index & 0xFFFF); break;
    case kDeleteObject: if (auto index = p.Word()) DeleteObject(*index & 0xFFFF); break;
    case kSelectClipRegion: if (auto index = p.Word()) SelectClipRegion(*index & 0xFFFF); break;

    case kIntersectClipRect: ClipRect(p, true); break;
    case kExcludeClipRect: ClipRect(p, false); break;
    case kOffsetClipRegion: OffsetClip(p); break;

    case kMoveTo: if (auto to = p.PointYX()) dc_.position = *to; break;
    case kLineTo: LineTo(p); break;
    case kPolyline: Poly(p, false); break;
    case kPolygon: Poly(p, true); break;
    case kPolyPolygon: PolyPolygon(p); break;
    case kRectangle: RectangleShape(p); break;
    case kRoundRect: RoundRectShape(p); break;
    case kEllipse: EllipseShape(p); break;
    case kArc: ArcShape(p, ArcKind::Arc); break;
    case kPie: ArcShape(p, ArcKind::Pie); break;
    case kChord: ArcShape(p, ArcKind::Chord); break;
    case kSetPixel: SetPixel(p); break;
    case kTextOut: TextOut(p); break;
    case kExtTextOut: ExtTextOut(p); break;
    case kFillRegion: FillRegion(p); break;
    case kPaintRegion: PaintRegion(p, false); break;
    case kInvertRegion: PaintRegion(p, true); break;

    case kPatBlt: PatBlt(p); break;
    case kBitBlt:
    case kStretchBlt:
    case kDibBitBlt:
    case kDibStretchBlt: Blit(p, function, words); break;
    case kStretchDib: StretchDib(p); break;
    case kSetDibToDev: SetDibToDev(p); break;
    default:
        // Escapes, palette records, and anything unknown.
        break;
    }
}

}  // namespace pix::wmf
