#include "render/ThumbnailPainter.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "image/CImageBuffer.h"
#include "render/RenderFormats.h"
#include "sheets/ThumbnailList.h"

namespace pix {
namespace {

// The one-pixel raised edge, pixel by pixel: top and left lighter, bottom
// and right darker, corners taking both.
void RaiseEdge(QImage& image, int x0, int y0, int w, int h)
{
    auto shift = [&image](int x, int y, int by) {
        uint8_t* p = image.scanLine(y) + 3 * x;
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<uint8_t>(std::clamp(p[c] + by, 0, 255));
    };
    for (int x = x0; x < x0 + w; ++x) {
        shift(x, y0, 128);
        shift(x, y0 + h - 1, -128);
    }
    for (int y = y0; y < y0 + h; ++y) {
        shift(x0, y, 128);
        shift(x0 + w - 1, y, -128);
    }
}

void DrawSkipped(QImage& image, int pointTenths)
{
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(0, 0, image.width() - 1, image.height() - 1);
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(std::max(1, pointTenths) / 10.0);
    painter.setFont(font);
    painter.setClipRect(image.rect());
    const int half = image.height() / 2;
    painter.drawText(QRect(0, half, image.width(), image.height() - half), Qt::AlignHCenter | Qt::AlignTop,
                     QStringLiteral("skipped"));
}

}  // namespace

ThumbnailFit FitThumbnail(int w, int h, int cx, int cy)
{
    const int w1 = std::min(w, cx);
    const int h1 = std::max<int>(1, static_cast<int>(int64_t{w1} * h / w));
    const int h2 = std::min(h1, cy);
    const int w2 = std::max<int>(1, static_cast<int>(int64_t{h2} * w1 / h1));
    return {w2, h2};
}

QImage PaintedThumbnailMaker::Paint(const std::string& path, int cx, int cy, bool load) const
{
    QImage image(cx, cy, QImage::Format_RGB888);
    const int dpm = static_cast<int>(ScreenDpi() / 0.0254 + 0.5);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(QColor(kMaskRed, kMaskGreen, kMaskBlue));
    if (load) {
        CImageBuffer picture;
        picture.Load(path, static_cast<uint32_t>(cx), static_cast<uint32_t>(cy));
        if (!picture.IsEmpty() && picture.Width() > 0 && picture.Height() > 0) {
            const ThumbnailFit fit = FitThumbnail(static_cast<int>(picture.Width()),
                                                  static_cast<int>(picture.Height()), cx, cy);
            picture.Resize(static_cast<uint32_t>(fit.width), static_cast<uint32_t>(fit.height));
            const int x0 = (cx - fit.width) / 2;
            const int y0 = (cy - fit.height) / 2;
            for (int y = 0; y < fit.height; ++y) {
                const uint8_t* src = picture.Row(static_cast<uint32_t>(fit.height - 1 - y));
                uint8_t* dst = image.scanLine(y0 + y) + 3 * x0;
                for (int x = 0; x < fit.width; ++x) {
                    dst[3 * x] = src[3 * x + 2];
                    dst[3 * x + 1] = src[3 * x + 1];
                    dst[3 * x + 2] = src[3 * x];
                }
            }
            RaiseEdge(image, x0, y0, fit.width, fit.height);
            return image;
        }
        if (icons_) {
            const QImage icon = icons_(path);
            if (!icon.isNull()) {
                QPainter painter(&image);
                painter.drawImage(QPoint(cx / 2 - 16, cy / 2 - 16), icon);
                return image;
            }
        }
    }
    // Ten points per hundred pixels of the smaller side.
    DrawSkipped(image, std::min(cx, cy));
    return image;
}

std::vector<uint8_t> PaintedThumbnailMaker::MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load)
{
    const QImage image = Paint(path, static_cast<int>(cx), static_cast<int>(cy), load);
    std::vector<uint8_t> out(size_t{3} * cx * cy);
    for (uint32_t y = 0; y < cy; ++y)
        std::memcpy(out.data() + size_t{3} * cx * y, image.constScanLine(static_cast<int>(y)), size_t{3} * cx);
    return out;
}

}  // namespace pix
