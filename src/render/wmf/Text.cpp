// Text records: decoding, the device font, alignment and character
// spacing.
#include "render/wmf/Text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "render/wmf/Player.h"

namespace pix::wmf {

namespace {

// Text alignment and ExtTextOut options.
constexpr int kTaUpdateCp = 0x0001;
constexpr int kTaHorizontalMask = 0x0006;
constexpr int kTaRight = 0x0002;
constexpr int kTaCenter = 0x0006;
constexpr int kTaVerticalMask = 0x0018;
constexpr int kTaBottom = 0x0008;
constexpr int kTaBaseline = 0x0018;
constexpr int kEtoOpaque = 0x0002;
constexpr int kEtoClipped = 0x0004;

constexpr int kDefaultFontPixels = 12;

// Windows-1252, 0x80..0x9F.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Symbol font, 0x20..0x7F.
constexpr char16_t kSymbolLow[96] = {
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F, 0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F, 0x2245, 0x0391, 0x0392, 0x03A7,
    0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F,
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F, 0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3,
    0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF, 0x03C0, 0x03B8, 0x03C1, 0x03C3,
    0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C, 0x0020,
};

// Symbol font, 0xA0..0xFF.
constexpr char16_t kSymbolHigh[96] = {
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193, 0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022,
    0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0x23D0, 0x23AF, 0x21B5, 0x2135, 0x2111, 0x211C, 0x2118,
    0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209,
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3, 0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C,
    0x239D, 0x23A1, 0x23A2, 0x23A3, 0x23A7, 0x23A8, 0x23A9, 0x23AA, 0x0020, 0x232A, 0x222B, 0x2320,
    0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6, 0x23AB, 0x23AC, 0x23AD, 0x0020,
};

QChar AnsiChar(uint8_t byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kCp1252High[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

QChar SymbolChar(uint8_t byte)
{
    if (byte >= 0x20 && byte < 0x80)
        return QChar(kSymbolLow[byte - 0x20]);
    if (byte >= 0xA0)
        return QChar(kSymbolHigh[byte - 0xA0]);
    return QChar(u' ');
}

}  // namespace

QString DecodeText(std::span<const uint8_t> bytes, bool symbol)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (uint8_t b : bytes)
        text.append(symbol ? SymbolChar(b) : AnsiChar(b));
    return text;
}

// ---------------------------------------------------------------------------
// Text records.

double Player::MaxFontPixels() const { return 2.0 * std::max(target_.width(), target_.height()) + 16; }

QFont Player::DeviceFont() const
{
    const Font& f = dc_.font;
    QFont font;
    if (SymbolFont()) {
        // The installed stand-ins for Symbol map only its own code
        // points; a Times-like font (with fallback) draws the Unicode.
        font.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("serif")});
    } else if (!f.face.isEmpty()) {
        font.setFamily(f.face);
    }
    const double scaleY = std::abs(ScaleY());
    double pixels = kDefaultFontPixels;
    if (f.height < 0) {
        pixels = -static_cast<double>(f.height) * scaleY;
    } else if (f.height > 0) {
        // A cell height includes the internal leading: scale the em so
        // that ascent plus descent fills the cell.
        QFont probe = font;
        probe.setPixelSize(100);
        const QFontMetricsF m(probe);
        const double cell = m.ascent() + m.descent();
        pixels = f.height * scaleY * (cell > 0 ? 100.0 / cell : 1.0);
    }
    font.setPixelSize(static_cast<int>(std::clamp(std::round(pixels), 1.0, MaxFontPixels())));
    font.setWeight(static_cast<QFont::Weight>(f.weight <= 0 ? 400 : std::min(f.weight, 1000)));
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setStrikeOut(f.strikeout);
    if (f.width != 0) {
        const double average = QFontMetricsF(font).averageCharWidth();
        const double wanted = std::abs(f.width * ScaleX());
        if (average > 0)
            font.setStretch(static_cast<int>(std::clamp(std::round(100 * wanted / average), 1.0, 4000.0)));
    }
    return font;
}

// The Symbol font's text is drawn as the Unicode characters its code
// points stand for.
bool Player::SymbolFont() const { return dc_.font.face.compare(u"Symbol", Qt::CaseInsensitive) == 0; }

// The text box of a record while measuring: generous, from the font
// height and the number of characters.
void Player::MeasureText(QPointF reference, size_t count)
{
    const double scaleY = std::abs(dc_.viewportExt.y() / dc_.windowExt.y());
    const double height = dc_.font.height != 0 ? std::abs(dc_.font.height)
                                               : kDefaultFontPixels / std::max(scaleY, 1e-9);
    const double width = 0.6 * height * static_cast<double>(count);
    BeginPaint(QRectF(ToDevice(reference.x() - width, reference.y() - height),
                      ToDevice(reference.x() + width, reference.y() + height)),
               count);
}

void Player::DrawTextRecord(const TextRequest& request)
{
    if (!budget_.Spend(kTextRecordCost))
        return;
    const bool updateCp = (dc_.textAlign & kTaUpdateCp) != 0;
    const QPointF reference = updateCp ? dc_.position : request.reference;
    if (Measuring()) {
        if (request.rect)
            BeginPaint(DeviceRect(request.rect->left(), request.rect->top(), request.rect->right(),
                                  request.rect->bottom()),
                       1);
        if (!request.bytes.empty())
            MeasureText(reference, request.bytes.size());
        return;
    }
    std::optional<QRectF> deviceRect;
    if (request.rect)
        deviceRect = DeviceRect(request.rect->left(), request.rect->top(), request.rect->right(),
                                request.rect->bottom());
    if (deviceRect && (request.options & kEtoOpaque))
        FillDevice(*deviceRect, dc_.bkColor, QPainter::CompositionMode_SourceOver);
    if (request.bytes.empty())
        return;

    const std::span<const uint8_t> bytes =
        request.bytes.first(std::min<size_t>(request.bytes.size(), kMaxGlyphsPerRecord));
    const QString text = DecodeText(bytes, SymbolFont());
    const QFont font = DeviceFont();
    const QFontMetricsF metrics(font);

    // Device advances of each character, when the record or the
    // character spacing asks for them.
    const double scaleX = std::abs(ScaleX());
    std::vector<double> advances;
    if (request.advances.size() >= static_cast<size_t>(text.size())) {
        for (qsizetype i = 0; i < text.size(); ++i)
            advances.push_back(request.advances[static_cast<size_t>(i)] * scaleX);
    } else if (dc_.charExtra != 0) {
        for (QChar c : text)
            advances.push_back(metrics.horizontalAdvance(c) + dc_.charExtra * scaleX);
    }
    double width = 0;
    if (advances.empty()) {
        width = metrics.horizontalAdvance(text);
    } else {
        for (double a : advances)
            width += a;
    }

    const QPointF origin = ToDevice(reference.x(), reference.y());
    const double extent = std::abs(width) + metrics.height();
    if (!BeginPaint(QRectF(origin.x() - extent, origin.y() - extent, 2 * extent, 2 * extent),
                    kGlyphCost * static_cast<uint64_t>(text.size())))
        return;

    double x = 0;
    switch (dc_.textAlign & kTaHorizontalMask) {
    case kTaCenter: x = -width / 2; break;
    case kTaRight: x = -width; break;
    default: break;
    }
    double baseline = metrics.ascent();
    switch (dc_.textAlign & kTaVerticalMask) {
    case kTaBaseline: baseline = 0; break;
    case kTaBottom: baseline = -metrics.descent(); break;
    default: break;
    }

    painter_->save();
    if (deviceRect && (request.options & kEtoClipped))
        painter_->setClipRegion(CurrentClip().intersected(deviceRect->toRect()));
    painter_->translate(origin);
    painter_->rotate(-dc_.font.escapement / 10.0);
    painter_->setBackgroundMode(Qt::TransparentMode);
    if (dc_.bkMode == kBkOpaque)
        painter_->fillRect(QRectF(x, baseline - metrics.ascent(), width, metrics.ascent() + metrics.descent()),
                           dc_.bkColor);
    painter_->setFont(font);
    painter_->setPen(dc_.textColor);
    if (advances.empty()) {
        painter_->drawText(QPointF(x, baseline), text);
    } else {
        double at = x;
        for (qsizetype i = 0; i < text.size(); ++i) {
            painter_->drawText(QPointF(at, baseline), QString(text[i]));
            at += advances[static_cast<size_t>(i)];
        }
    }
    painter_->restore();

    if (updateCp && scaleX > 0)
        dc_.position.rx() += width / ScaleX();
}

void Player::TextOut(Params& p)
{
    if (!p.Has(1))
        return;
    const int count = p.S16();
    if (count < 0 || !p.Has(static_cast<size_t>(count + 1) / 2 + 2))
        return;
    TextRequest request;
    request.bytes = p.Bytes(static_cast<size_t>(count));
    p.SkipBytes(static_cast<size_t>(count & 1));
    request.reference = p.PointYX().value_or(QPointF());
    DrawTextRecord(request);
}

void Player::ExtTextOut(Params& p)
{
    if (!p.Has(4))
        return;
    TextRequest request;
    request.reference = p.PointYX().value_or(QPointF());
    const int count = p.S16();
    request.options = p.U16();
    if (request.options & (kEtoOpaque | kEtoClipped)) {
        if (!p.Has(4))
            return;
        const int left = p.S16();
        const int top = p.S16();
        const int right = p.S16();
        const int bottom = p.S16();
        request.rect = QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    if (count < 0 || !p.Has(static_cast<size_t>(count + 1) / 2))
        return;
    request.bytes = p.Bytes(static_cast<size_t>(count));
    p.SkipBytes(static_cast<size_t>(count & 1));
    if (p.Has(static_cast<size_t>(count))) {
        request.advances.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i)
            request.advances.push_back(p.S16());
    }
    DrawTextRecord(request);
}

}  // namespace pix::wmf
