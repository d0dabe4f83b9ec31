// Bitmaps and the raster records: device-dependent and packed-DIB
// bitmaps, pattern brushes, PATBLT and the blits.
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "image/PackedDib.h"
#include "render/ImageConversion.h"
#include "render/WmfPlayer.h"
#include "render/wmf/Player.h"

namespace pix::wmf {

// A device-dependent bitmap (Bitmap16: type, width, height, bytes per
// row, planes, bits per pixel, then top-down rows) as an image. Mono
// bitmaps show 0 bits in the text colour and 1 bits in the background
// colour; 24- and 32-bit rows are blue, green, red. Other forms answer
// null. Pattern brushes carry 18 reserved bytes before the rows.
QImage Player::DeviceBitmapImage(Params& p, bool patternBrush)
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

void Player::AddPatternBrush(QImage pattern)
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

void Player::CreatePatternBrush(Params& p) { AddPatternBrush(DeviceBitmapImage(p, true)); }

void Player::CreateDibPatternBrush(Params& p)
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

// Decodes a packed DIB within the bitmap budget and a size cap; topDown
// tells whether the DIB stored its rows from the top.
bool Player::DecodeDib(std::span<const uint8_t> dib, CImageBuffer& out, uint64_t maxPixels,
               bool* topDown)
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

void Player::PaintRasterEffect(const RasterEffect& effect, const QRectF& rect)
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
void Player::PatternBlit(uint32_t rop, int x, int y, int w, int h)
{
    const QRectF rect = DeviceRect(x, y, double(x) + w, double(y) + h);
    PaintRasterEffect(EffectOfTernaryRop(rop), rect);
}

void Player::PatBlt(Params& p)
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

// Draws the source rectangle of image (top row counted from the top) onto
// the device rectangle from d0 (where the source's top-left lands) to d1.
// A bottom-up image is a view of a buffer's rows, bottom row first.
void Player::BlitImage(const QImage& image, bool bottomUp, QRectF source, QPointF d0, QPointF d1,
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
void Player::BlitBitmap(const QImage& image, bool bottomUpView, bool ySrcFromBottom, BlitGeometry g, uint32_t rop,
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
bool Player::BlitWithoutSource(const BlitGeometry& g, uint32_t rop)
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

void Player::BlitDib(std::span<const uint8_t> dib, const BlitGeometry& g, uint32_t rop, BlitSizing sizing)
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
Player::BlitGeometry Player::ReadBlitGeometry(Params& p, bool sourceExtent, bool reservedWord, uint32_t& rop)
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
void Player::Blit(Params& p, uint16_t function, uint32_t words)
{
    const bool stretch = function == kDibStretchBlt || function == kStretchBlt;
    const bool withoutBitmap = words == static_cast<uint32_t>((function >> 8) + 3);
    if (!p.Has((stretch ? 10 : 8) + (withoutBitmap ? 1 : 0)))
        return;
    uint32_t rop = 0;
    const BlitGeometry g = ReadBlitGeometry(p, stretch, withoutBitmap, rop);
    const BlitSizing sizing = stretch ? BlitSizing::Stretch : BlitSizing::Shared;
    if (withoutBitmap) {
        PatternBlit(rop, g.xDst, g.yDst, g.wDst, g.hDst);
    } else if (function == kDibBitBlt || function == kDibStretchBlt) {
        BlitDib(p.Rest(), g, rop, sizing);
    } else if (!BlitWithoutSource(g, rop)) {
        const QImage bitmap = DeviceBitmapImage(p, false);
        if (!bitmap.isNull())
            BlitBitmap(bitmap, false, false, g, rop, sizing);
    }
}

void Player::StretchDib(Params& p)
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
void Player::SetDibToDev(Params& p)
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
    BlitDib(p.Rest(), g, kRopSrcCopy, BlitSizing::DevicePixels);
}

}  // namespace pix::wmf
