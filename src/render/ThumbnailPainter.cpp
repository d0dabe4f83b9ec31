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

QImage PaintedThumbnailMaker::Blank(int cx, int cy)
{
    QImage image(cx, cy, QImage::Format_RGB888);
    const int dpm = static_cast<int>(ScreenDpi() / 0.0254 + 0.5);
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    image.fill(QColor(kMaskRed, kMaskGreen, kMaskBlue));
    return image;
}

bool PaintedThumbnailMaker::DrawPicture(QImage& image, const std::string& path)
{
    const int cx = image.width();
    const int cy = image.height();
    CImageBuffer picture;
    picture.Load(path, static_cast<uint32_t>(cx), static_cast<uint32_t>(cy));
    if (picture.IsEmpty() || picture.Width() == 0 || picture.Height() == 0)
        return false;
    const ThumbnailFit fit =
        FitThumbnail(static_cast<int>(picture.Width()), static_cast<int>(picture.Height()), cx, cy);
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
    return true;
}

QImage PaintedThumbnailMaker::Paint(const std::string& path, int cx, int cy, bool load) const
{
    QImage image = Blank(cx, cy);
    if (load && DrawPicture(image, path))
        return image;
    DrawWithoutPicture(image, path, load);
    return image;
}

QImage PaintedThumbnailMaker::PaintNotAPicture(const std::string& path, int cx, int cy) const
{
    QImage image = Blank(cx, cy);
    DrawWithoutPicture(image, path, true);
    return image;
}

void PaintedThumbnailMaker::DrawWithoutPicture(QImage& image, const std::string& path, bool withIcon) const
{
    if (withIcon && icons_) {
        const QImage icon = icons_(path);
        if (!icon.isNull()) {
            QPainter painter(&image);
            painter.drawImage(QPoint(image.width() / 2 - 16, image.height() / 2 - 16), icon);
            return;
        }
    }
    // Ten points per hundred pixels of the smaller side.
    DrawSkipped(image, std::min(image.width(), image.height()));
}

namespace {

std::vector<uint8_t> PackedRows(const QImage& image)
{
    const auto cx = static_cast<size_t>(image.width());
    std::vector<uint8_t> out(3 * cx * static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(out.data() + 3 * cx * static_cast<size_t>(y), image.constScanLine(y), 3 * cx);
    return out;
}

}  // namespace

std::optional<std::vector<uint8_t>> PaintedThumbnailMaker::PaintPicture(const std::string& path, uint32_t cx,
                                                                        uint32_t cy) const
{
    QImage image = Blank(static_cast<int>(cx), static_cast<int>(cy));
    if (!DrawPicture(image, path))
        return std::nullopt;
    return PackedRows(image);
}

std::vector<uint8_t> PaintedThumbnailMaker::MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy, bool load)
{
    return PackedRows(Paint(path, static_cast<int>(cx), static_cast<int>(cy), load));
}

PrefetchingThumbnailMaker::PrefetchingThumbnailMaker(const PaintedThumbnailMaker& painter,
                                                     std::vector<std::string> paths, Progress& progress,
                                                     unsigned workers)
    : painter_(painter), paths_(std::move(paths)), progress_(progress), workers_(workers)
{
}

PrefetchingThumbnailMaker::~PrefetchingThumbnailMaker() = default;

std::vector<uint8_t> PrefetchingThumbnailMaker::MakeThumbnail(const std::string& path, uint32_t cx, uint32_t cy,
                                                              bool load)
{
    const bool inOrder = !stopped_ && load && next_ < paths_.size() && paths_[next_] == path &&
                         (!loader_ || (cx == cx_ && cy == cy_));
    if (!inOrder) {
        // Anything else ends the prefetching (a cancel passes load false).
        stopped_ = true;
        loader_.reset();
        return PackedRows(painter_.Paint(path, static_cast<int>(cx), static_cast<int>(cy), load));
    }
    if (!loader_) {
        cx_ = cx;
        cy_ = cy;
        loader_ = std::make_unique<Loader>(
            paths_.size(),
            [this](size_t index) { return painter_.PaintPicture(paths_[index], cx_, cy_); }, workers_);
    }
    std::optional<std::vector<uint8_t>> picture = loader_->Take(next_++, progress_);
    if (picture)
        return std::move(*picture);
    // Not a picture: its icon, drawn here, without reading the file again.
    return PackedRows(painter_.PaintNotAPicture(path, static_cast<int>(cx), static_cast<int>(cy)));
}

}  // namespace pix
