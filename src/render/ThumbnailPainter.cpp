#include "render/ThumbnailPainter.h"

#include <QFont>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "image/CImageBuffer.h"
#include "image/FormatTable.h"
#include "render/ImageConversion.h"
#include "render/ScreenDpi.h"
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

// An area-averaged copy of image at the fitted size.
QImage Smooth(const QImage& image, ThumbnailFit fit)
{
    return image.scaled(fit.width, fit.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The cache entry of a width × height picture from its decoded picture,
// when that holds enough pixels for the entry's side class.
void StoreEntry(const DesktopThumbnailCache& cache, const DesktopThumbnailCache::Original& original, int sideClass,
                const CImageBuffer& picture, uint32_t width, uint32_t height)
{
    const auto w = static_cast<int>(picture.Width());
    const auto h = static_cast<int>(picture.Height());
    const ThumbnailFit whole = FitThumbnail(static_cast<int>(width), static_cast<int>(height), sideClass, sideClass);
    if (w < whole.width || h < whole.height)
        return;
    // Resampled as a fresh list picture of the class's side would be.
    const ThumbnailFit fit = FitThumbnail(w, h, sideClass, sideClass);
    CImageBuffer entry = picture;
    entry.Resize(static_cast<uint32_t>(fit.width), static_cast<uint32_t>(fit.height));
    cache.Store(original, sideClass, ToQImage(entry), width, height);
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

bool PaintedThumbnailMaker::LoadPicture(const std::string& path, int cx, int cy, CImageBuffer& picture) const
{
    const auto hintWidth = static_cast<uint32_t>(cx);
    const auto hintHeight = static_cast<uint32_t>(cy);
    const int side = std::max(cx, cy);
    const int sideClass = DesktopThumbnailCache::SideClassFor(side);
    // Only files of a known format are the cache's business.
    std::optional<DesktopThumbnailCache::Original> original;
    if (cache_ && sideClass != 0 && FormatForPath(path))
        original = cache_->Identify(path);
    if (original && cache_->HasFailure(*original))
        return false;
    // The full size, and the size a load would give, when they are known
    // beforehand: the picture then gets the fit of that load, whatever it
    // is made from.
    uint32_t width = 0;
    uint32_t height = 0;
    bool sized = original && QueryImageSize(path, width, height) && width > 0 && height > 0;
    uint32_t loadedWidth = width;
    uint32_t loadedHeight = height;
    sized = sized && HintedImageSize(path, loadedWidth, loadedHeight, hintWidth, hintHeight);
    ThumbnailFit fit{0, 0};
    bool finer = false;
    if (sized) {
        fit = FitThumbnail(static_cast<int>(loadedWidth), static_cast<int>(loadedHeight), cx, cy);
        const QImage entry = cache_->Find(*original, side, width, height, fit.width, fit.height);
        if (!entry.isNull()) {
            FromQImage(Smooth(entry.convertToFormat(QImage::Format_RGB888), fit), picture);
            return !picture.IsEmpty();
        }
        // A load too small for the entry of the side class loads as much
        // as the entry needs instead.
        const ThumbnailFit whole =
            FitThumbnail(static_cast<int>(width), static_cast<int>(height), sideClass, sideClass);
        finer = static_cast<int>(loadedWidth) < whole.width || static_cast<int>(loadedHeight) < whole.height;
    }

    const auto finerHint = static_cast<uint32_t>(sideClass);
    picture.Load(path, finer ? finerHint : hintWidth, finer ? finerHint : hintHeight);
    if (picture.IsEmpty() || picture.Width() == 0 || picture.Height() == 0) {
        if (original)
            cache_->StoreFailure(*original);
        return false;
    }
    if (sized)
        StoreEntry(*cache_, *original, sideClass, picture, width, height);
    if (finer) {
        FromQImage(Smooth(ToQImage(picture), fit), picture);
    } else {
        fit = FitThumbnail(static_cast<int>(picture.Width()), static_cast<int>(picture.Height()), cx, cy);
        picture.Resize(static_cast<uint32_t>(fit.width), static_cast<uint32_t>(fit.height));
    }
    return !picture.IsEmpty();
}

bool PaintedThumbnailMaker::DrawPicture(QImage& image, const std::string& path) const
{
    const int cx = image.width();
    const int cy = image.height();
    CImageBuffer picture;
    if (!LoadPicture(path, cx, cy, picture))
        return false;
    const ThumbnailFit fit{static_cast<int>(picture.Width()), static_cast<int>(picture.Height())};
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
