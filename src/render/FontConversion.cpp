#include "render/FontConversion.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>

#include "render/ScreenDpi.h"

namespace pix {

QFont ToQFont(const LogFont& font, int dpi)
{
    QFont q(QString::fromStdString(font.FaceName()));
    q.setStyleHint(QFont::SansSerif);
    const int64_t tenths = std::abs(static_cast<int64_t>(font.height));
    q.setPixelSize(static_cast<int>(std::max<int64_t>(1, (tenths * std::max(dpi, 1) + 360) / 720)));
    q.setWeight(static_cast<QFont::Weight>(font.weight > 0 ? std::clamp(font.weight, 100, 900) : 400));
    q.setItalic(font.italic != 0);
    q.setUnderline(font.underline != 0);
    q.setStrikeOut(font.strikeOut != 0);
    return q;
}

LogFont FromQFont(const QFont& font, int pixelHeight, int dpi)
{
    LogFont out = FallbackLogFont();
    out.height = pixelHeight * 720 / std::max(dpi, 1);
    out.weight = font.weight();
    out.italic = font.italic() ? 1 : 0;
    out.underline = font.underline() ? 1 : 0;
    out.strikeOut = font.strikeOut() ? 1 : 0;
    out.SetFaceName(QFontInfo(font).family().toStdString());
    return out;
}

LogFont SystemLogFont()
{
    const QFont font = QGuiApplication::font();
    return FromQFont(font, QFontInfo(font).pixelSize(), ScreenDpi());
}

}  // namespace pix
