#include "render/ImageConversion.h"

#include <QPainter>
#include <cstring>

#include "image/CImageBuffer.h"
#include "sheets/ThumbnailList.h"

namespace pix {

namespace {

// A view of the buffer's rows as a bottom-up BGR image: row 0 of the view is
// memory row 0, i.e. the bottom of the picture.
QImage BottomUpView(const CImageBuffer& buf)
{
    return QImage(buf.Bits(), static_cast<int>(buf.Width()), static_cast<int>(buf.Height()),
                  static_cast<qsizetype>(buf.Stride()), QImage::Format_BGR888);
}

}  // namespace

QImage ToQImage(const CImageBuffer& buf)
{
    if (buf.IsEmpty())
        return {};
    QImage out(static_cast<int>(buf.Width()), static_cast<int>(buf.Height()), QImage::Format_BGR888);
    if (out.isNull())
        return {};
    const size_t rowBytes = static_cast<size_t>(buf.Width()) * 3;
    for (uint32_t y = 0; y < buf.Height(); ++y)
        std::memcpy(out.scanLine(static_cast<int>(y)), buf.Row(buf.Height() - 1 - y), rowBytes);
    return out;
}

void FromQImage(const QImage& image, CImageBuffer& buf)
{
    buf.Clear();
    if (image.isNull())
        return;
    QImage src = image;
    if (src.hasAlphaChannel()) {
        QImage opaque(src.size(), QImage::Format_RGB32);
        opaque.fill(Qt::black);
        QPainter p(&opaque);
        p.drawImage(0, 0, src);
        p.end();
        src = opaque;
    }
    src = src.convertToFormat(QImage::Format_BGR888);
    if (!buf.Create(static_cast<uint32_t>(src.width()), static_cast<uint32_t>(src.height())))
        return;
    const size_t rowBytes = static_cast<size_t>(buf.Width()) * 3;
    for (uint32_t y = 0; y < buf.Height(); ++y)
        std::memcpy(buf.Row(buf.Height() - 1 - y), src.constScanLine(static_cast<int>(y)), rowBytes);
}

void DrawBuffer(const CImageBuffer& buf, QPainter& painter, const QRect& destination, const QRect& source,
                bool halftone)
{
    if (buf.IsEmpty() || !painter.isActive())
        return;
    // The view is upside down; draw it mirrored so no copy of the picture is made.
    const QImage view = BottomUpView(buf);
    const int h = static_cast<int>(buf.Height());
    const QRect flippedSource(source.x(), h - source.y() - source.height(), source.width(), source.height());
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, halftone);
    painter.translate(destination.x(), destination.y() + destination.height());
    painter.scale(1.0, -1.0);
    painter.drawImage(QRect(0, 0, destination.width(), destination.height()), view, flippedSource);
    painter.restore();
}

QImage ListPictureImage(const uint8_t* pixels, int cx, int cy)
{
    QImage image(cx, cy, QImage::Format_ARGB32);
    for (int y = 0; y < cy; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < cx; ++x) {
            const uint8_t* p = pixels + 3 * (static_cast<size_t>(y) * cx + x);
            row[x] = IsMaskPixel(p) ? qRgba(0, 0, 0, 0) : qRgb(p[0], p[1], p[2]);
        }
    }
    return image;
}

QImage ThumbnailImage(const ThumbnailList& list, size_t k)
{
    return ListPictureImage(list.Picture(k).data(), static_cast<int>(list.Cx()), static_cast<int>(list.Cy()));
}

}  // namespace pix
