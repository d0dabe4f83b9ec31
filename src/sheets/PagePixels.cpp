#include "sheets/PagePixels.h"

#include <algorithm>
#include <cstdlib>

#include "image/CImageBuffer.h"
#include "sheets/CThumbnailSettings.h"

namespace pix {
namespace {

// Colour channel c (0 blue, 1 green, 2 red) of a 0x00BBGGRR colour.
int Channel(uint32_t colour, int c) { return static_cast<int>((colour >> (8 * (2 - c))) & 0xFF); }

// The top-left based pixel of a bottom-up buffer.
const uint8_t* PicturePixel(const CImageBuffer& picture, int x, int y)
{
    return picture.Row(picture.Height() - 1 - static_cast<uint32_t>(y)) + 3 * static_cast<size_t>(x);
}

template <typename Op>
void ForPixel(const PageSurface& page, int x, int y, Op&& op)
{
    if (!page.Contains(x, y))
        return;
    uint8_t* p = page.Pixel(x, y);
    for (int c = 0; c < 3; ++c)
        p[c] = static_cast<uint8_t>(op(int{p[c]}));
}

}  // namespace

PageSurface SurfaceOf(CImageBuffer& buffer)
{
    PageSurface s;
    if (buffer.IsEmpty())
        return s;
    s.width = static_cast<int>(buffer.Width());
    s.height = static_cast<int>(buffer.Height());
    s.top = buffer.Row(buffer.Height() - 1);
    s.stride = -static_cast<std::ptrdiff_t>(buffer.Stride());
    return s;
}

bool PictureCoversPage(const CThumbnailSettings& format)
{
    return format.bgI && format.bgImgPlc == CThumbnailSettings::kPlaceScaleToFit && format.bgImgOpacity >= 256;
}

void FillBackground(const PageSurface& page, const CThumbnailSettings& format)
{
    const int64_t w = page.width;
    const int64_t h = page.height;
    for (int y = 0; y < page.height; ++y) {
        uint8_t* p = page.Pixel(0, y);
        for (int x = 0; x < page.width; ++x, p += 3) {
            for (int c = 0; c < 3; ++c) {
                const int64_t hc = (Channel(format.bgL, c) * (w - x) + Channel(format.bgR, c) * int64_t{x}) / w;
                const int64_t vc = (Channel(format.bgT, c) * (h - y) + Channel(format.bgB, c) * int64_t{y}) / h;
                int64_t v;
                if (format.bgH && format.bgV)
                    v = (hc + vc) >> 1;
                else if (format.bgH)
                    v = hc;
                else if (format.bgV)
                    v = vc;
                else
                    v = Channel(format.bgC, c);
                p[c] = static_cast<uint8_t>(v);
            }
        }
    }
}

void BlendBackgroundPicture(const PageSurface& page, CImageBuffer& picture, const CThumbnailSettings& format)
{
    if (picture.IsEmpty() || picture.Width() == 0 || picture.Height() == 0)
        return;
    const int a = std::clamp(format.bgImgOpacity, 0, 256);
    auto blend = [a](uint8_t* dst, const uint8_t* src) {
        for (int c = 0; c < 3; ++c)
            dst[c] = static_cast<uint8_t>(((256 - a) * dst[c] + a * src[c]) >> 8);
    };
    if (format.bgImgPlc == CThumbnailSettings::kPlaceTile) {
        const int iw = static_cast<int>(picture.Width());
        const int ih = static_cast<int>(picture.Height());
        for (int y = 0; y < page.height; ++y)
            for (int x = 0; x < page.width; ++x)
                blend(page.Pixel(x, y), PicturePixel(picture, x % iw, y % ih));
        return;
    }
    if (format.bgImgPlc == CThumbnailSettings::kPlaceScaleToFit)
        picture.Resize(static_cast<uint32_t>(page.width), static_cast<uint32_t>(page.height));
    const int iw = static_cast<int>(picture.Width());
    const int ih = static_cast<int>(picture.Height());
    const int ow = std::min(page.width, iw);
    const int oh = std::min(page.height, ih);
    const int px = std::max(0, (page.width - iw) / 2);
    const int py = std::max(0, (page.height - ih) / 2);
    const int sx = std::max(0, (iw - page.width) / 2);
    const int sy = std::max(0, (ih - page.height) / 2);
    for (int y = 0; y < oh; ++y)
        for (int x = 0; x < ow; ++x)
            blend(page.Pixel(px + x, py + y), PicturePixel(picture, sx + x, sy + y));
}

void DrawFrame(const PageSurface& page, const PageRect& picture, int d, FrameStyle style)
{
    for (int k = 0; k < d; ++k) {
        const int left = picture.left - 1 - k;
        const int top = picture.top - 1 - k;
        const int right = picture.right + 1 + k;
        const int bottom = picture.bottom + 1 + k;
        // Light and dark sides of the two borders; the frames paint one colour.
        auto lightSide = [&](int v) -> int {
            switch (style) {
            case FrameStyle::Sunken:
                return v * (d + k) / (2 * d);
            case FrameStyle::Raised:
                return (v * (k + 1) + 255 * d) / (d + k + 1);
            case FrameStyle::White:
                return 255;
            case FrameStyle::Black:
                return 0;
            }
            return v;
        };
        auto darkSide = [&](int v) -> int {
            switch (style) {
            case FrameStyle::Sunken:
                return (v * d + 255 * (k + 1)) / (d + k + 1);
            case FrameStyle::Raised:
                return v * d / (d + k + 1);
            case FrameStyle::White:
                return 255;
            case FrameStyle::Black:
                return 0;
            }
            return v;
        };
        for (int x = left; x <= right; ++x) {
            ForPixel(page, x, top, lightSide);
            ForPixel(page, x, bottom, darkSide);
        }
        for (int y = top; y <= bottom; ++y) {
            ForPixel(page, left, y, lightSide);
            ForPixel(page, right, y, darkSide);
        }
    }
}

void DrawShadow(const PageSurface& page, const PageRect& picture, int d)
{
    const int x0 = picture.left;
    const int y0 = picture.top;
    const int x1 = picture.right;
    const int y1 = picture.bottom;
    for (int k = 0; k < d; ++k) {
        auto darken = [d, k](int q, int half) {
            const int e = std::abs(std::abs(q - half) - half);
            const int t = std::max(d - e - 1, k);
            return [d, t](int v) { return v * (d + t) / (2 * d); };
        };
        const int halfRow = (x1 - x0 + 1) / 2;
        for (int x = x0 + d, q = 0; x <= x1; ++x, ++q)
            ForPixel(page, x, y1 + 1 + k, darken(q, halfRow));
        const int halfColumn = (y1 - y0 + 1) / 2;
        for (int y = y1 + d, q = 0; y >= y0 + d; --y, ++q)
            ForPixel(page, x1 + 1 + k, y, darken(q, halfColumn));
    }
}

void DrawSoftEdges(const PageSurface& page, const CImageBuffer& picture, const PageRect& rect, int d)
{
    const int tw = rect.right - rect.left + 1;
    const int th = rect.bottom - rect.top + 1;
    const int64_t w = picture.Width();
    const int64_t h = picture.Height();
    const int64_t d2 = int64_t{d} * d;
    for (int r = 0; r < th; ++r) {
        const int ey = std::abs(std::abs(r - (th >> 1)) - (th >> 1));
        const int sy = static_cast<int>(r * h / th);
        for (int q = 0; q < tw; ++q) {
            const int x = rect.left + q;
            const int y = rect.top + r;
            if (!page.Contains(x, y))
                continue;
            const int ex = std::abs(std::abs(q - (tw >> 1)) - (tw >> 1));
            const uint8_t* src = PicturePixel(picture, static_cast<int>(q * w / tw), sy);
            uint8_t* dst = page.Pixel(x, y);
            if (ex > d && ey > d) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
                continue;
            }
            const int64_t mx = std::max(0, d - ex);
            const int64_t my = std::max(0, d - ey);
            const int64_t a = std::max<int64_t>(0, d2 - mx * mx - my * my);
            for (int c = 0; c < 3; ++c)
                dst[c] = static_cast<uint8_t>((dst[c] * (d2 - a) + src[c] * a) / d2);
        }
    }
}

void DrawThumbnail(const PageSurface& page, CImageBuffer& picture, const PageRect& placed, int d,
                   const std::string& fx)
{
    const EffectKind kind = d > 0 ? EffectOf(fx) : EffectKind::None;
    if (kind == EffectKind::SoftEdges) {
        DrawSoftEdges(page, picture, placed, d);
        return;
    }
    picture.Resize(static_cast<uint32_t>(placed.Width() + 1), static_cast<uint32_t>(placed.Height() + 1));
    CopyPicture(page, picture, placed.left, placed.top);
    if (kind == EffectKind::Shadow)
        DrawShadow(page, placed, d);
    else if (kind == EffectKind::Frame)
        DrawFrame(page, placed, d, FrameOf(fx));
}

void CopyPicture(const PageSurface& page, const CImageBuffer& picture, int x0, int y0)
{
    const int w = static_cast<int>(picture.Width());
    const int h = static_cast<int>(picture.Height());
    for (int y = 0; y < h; ++y) {
        const int py = y0 + y;
        if (py < 0 || py >= page.height)
            continue;
        const int from = std::max(0, -x0);
        const int to = std::min(w, page.width - x0);
        if (from >= to)
            continue;
        std::copy_n(PicturePixel(picture, from, y), 3 * static_cast<size_t>(to - from), page.Pixel(x0 + from, py));
    }
}

}  // namespace pix
