#include "render/SheetPages.h"

#include <QFontMetrics>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

#include "common/Progress.h"
#include "common/Prompter.h"
#include "render/FontConversion.h"
#include "render/ImageConversion.h"
#include "sheets/Fields.h"
#include "sheets/HtmlExport.h"
#include "sheets/PageLayout.h"
#include "sheets/PagePixels.h"
#include "sheets/ThumbnailSheet.h"

namespace pix {
namespace {

constexpr int kTextFlags = Qt::AlignHCenter | Qt::TextWordWrap | Qt::TextExpandTabs;

QString TextOf(const std::string& text)
{
    QString q = QString::fromStdString(text);
    q.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return q;
}

QColor ColorOf(uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Text measured in a box as wide as width; the measured rectangle starts
// at the left edge.
QRect Measure(const QImage& page, const QFont& font, const QString& text, int width)
{
    if (text.isEmpty())
        return {};  // no text takes no room
    const QFontMetrics metrics(font, &page);
    const QRect r = metrics.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 20), kTextFlags, text);
    return {0, 0, r.width(), r.height()};
}

// Draws text laid out in rect and nowhere outside it (nor outside within,
// when given): a word too long for the width is cut off at the edges.
void DrawText(QImage& page, const QFont& font, uint32_t colour, const QRect& rect, const QString& text,
              const QRect& within = QRect())
{
    QPainter painter(&page);
    painter.setClipRect(within.isValid() ? rect & within : rect);
    painter.setFont(font);
    painter.setPen(ColorOf(colour));
    painter.drawText(rect, kTextFlags, text);
}

PageSurface SurfaceOf(QImage& image)
{
    PageSurface s;
    s.top = image.bits();
    s.stride = image.bytesPerLine();
    s.width = image.width();
    s.height = image.height();
    return s;
}

}  // namespace

int SheetItemsPerPage(const ThumbnailSheet& sheet)
{
    const CThumbnailSettings& f = sheet.Settings();
    return ClampItemsPerPage(f.maxPerPage, f.rows, f.cols);
}

int SheetPageCount(const ThumbnailSheet& sheet)
{
    const int m = SheetItemsPerPage(sheet);
    return m != 0 ? PageCount(static_cast<int>(sheet.Count()), m) : 1;
}

CImageBuffer RenderPage(const ThumbnailSheet& sheet, const PageRequest& request)
{
    CImageBuffer result;
    const int w = request.width;
    const int h = request.height;
    if (w <= 0 || h <= 0 || !SizeAllowed(static_cast<uint64_t>(w), static_cast<uint64_t>(h)))
        return result;
    const CThumbnailSettings& format = sheet.Settings();
    const int n = static_cast<int>(sheet.Count());
    const int m = ClampItemsPerPage(request.itemsPerPage, request.rows, request.cols);

    QImage page(w, h, QImage::Format_BGR888);
    if (page.isNull())
        return result;
    const int dpm = static_cast<int>(request.dpi / 0.0254 + 0.5);
    page.setDotsPerMeterX(dpm);
    page.setDotsPerMeterY(dpm);
    PageSurface surface = SurfaceOf(page);

    // The background picture first: when it covers the page by itself
    // there is no need for the colours, but only if it could be read.
    CImageBuffer background;
    if (format.bgI && !format.bgImg.empty() && format.bgImgOpacity > 0)
        background.Load(format.bgImg);
    const bool covered = !background.IsEmpty() && PictureCoversPage(format);
    if (!covered)
        FillBackground(surface, format);
    BlendBackgroundPicture(surface, background, format);

    PageRect area = ContentArea(w, h, format);
    const PageFieldValues fields{request.page, m, n, request.documentTitle};
    if (!format.title.empty()) {
        const QFont font = ToQFont(format.titleFont, request.dpi);
        const QString text = TextOf(ExpandPageFields(format.title, fields));
        QRect r = Measure(page, font, text, w);
        r.moveLeft((w - r.width()) / 2);
        if (area.top <= r.height())
            area.top = r.height() + 1;
        DrawText(page, font, format.titleCol, r, text);
    }
    if (!format.footer.empty()) {
        const QFont font = ToQFont(format.footerFont, request.dpi);
        const QString text = TextOf(ExpandPageFields(format.footer, fields));
        QRect r = Measure(page, font, text, w);
        r.moveLeft((w - r.width()) / 2);
        r.moveTop(h - 1 - r.height());
        if (h - area.bottom < r.height())
            area.bottom = h - 1 - r.height();
        DrawText(page, font, format.footerCol, r, text);
    }

    const QFont labelFont = ToQFont(format.tsFont, request.dpi);
    const int k = m == 0 ? n : m;
    const int first = m == 0 ? 0 : (request.page - 1) * m;
    const PageGrid grid = LayoutGrid(area, k, request.rows, request.cols);
    if (k > 0 && grid.valid) {
        const int last = static_cast<int>(std::min<int64_t>(int64_t{first} + k, n));
        for (int i = std::max(first, 0); i < last; ++i) {
            const int j = i - first;
            const QString label = TextOf(ExpandLabelFields(sheet, static_cast<size_t>(i)));
            const int lh = std::min(grid.cellHeight, Measure(page, labelFont, label, grid.cellWidth).height());
            const CellLayout cell = LayoutCell(grid, j, lh, format);
            const int d = cell.effect.depth;
            const int rw = cell.effect.rect.Width() + 1;
            const int rh = cell.effect.rect.Height() + 1;
            CImageBuffer picture;
            picture.Load(sheet.Files()[sheet.ItemAt(static_cast<size_t>(i))], static_cast<uint32_t>(std::max(rw, 1)),
                         static_cast<uint32_t>(std::max(rh, 1)));
            if (!picture.IsEmpty() && picture.Width() > 0 && picture.Height() > 0) {
                const FittedSize fit =
                    FitEnlarging(static_cast<int>(picture.Width()), static_cast<int>(picture.Height()), rw, rh);
                const int x0 = grid.CellX(j) + (grid.cellWidth - fit.width) / 2;
                const int y0 = grid.CellY(j) + (grid.cellHeight - fit.height - lh) / 2;
                const PageRect placed{x0, y0, x0 + fit.width - 1, y0 + fit.height - 1};
                DrawThumbnail(surface, picture, placed, d, format.fx);
            }
            if (!format.label.empty()) {
                // The label's right and bottom edges lie just outside it,
                // and a label as high as the cell starts a row above it:
                // it is cut to its own cell.
                const PageRect& r = cell.label;
                const QRect own(grid.CellX(j), grid.CellY(j), grid.cellWidth, grid.cellHeight);
                DrawText(page, labelFont, format.tsCol, QRect(r.left, r.top, r.right - r.left, r.bottom - r.top),
                         label, own);
            }
        }
    }
    FromQImage(page, result);
    return result;
}

bool PrintSheet(QPagedPaintDevice& device, const ThumbnailSheet& sheet, const std::string& documentTitle, int first,
                int last, bool highQuality, Progress& progress)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRect target = painter.viewport();
    const int scale = highQuality ? 1 : 4;
    const int dpi = device.logicalDpiY();
    progress.SetRange(first, last + 1);
    for (int p = first; p <= last; ++p) {
        if (!progress.Step("Page " + std::to_string(p), p)) {
            painter.end();
            return false;
        }
        if (p != first)
            device.newPage();
        PageRequest request;
        request.width = target.width() / scale;
        request.height = target.height() / scale;
        request.dpi = std::max(1, dpi / scale);
        request.page = p;
        request.itemsPerPage = sheet.Settings().maxPerPage;
        request.rows = sheet.Settings().rows;
        request.cols = sheet.Settings().cols;
        request.documentTitle = documentTitle;
        const CImageBuffer page = RenderPage(sheet, request);
        if (page.IsEmpty())
            continue;
        painter.save();
        // Stretching keeps whole pixels (no smoothing), as printers expect.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(QRect(target.topLeft(), QSize(request.width * scale, request.height * scale)),
                          ToQImage(page));
        painter.restore();
    }
    return painter.end();
}

std::vector<std::string> ExportPictures(const ThumbnailSheet& sheet, const std::string& documentTitle,
                                        const std::string& path, int width, int height, Progress& progress,
                                        Prompter& prompter)
{
    const int n = static_cast<int>(sheet.Count());
    const int m = SheetItemsPerPage(sheet);
    PageRequest request;
    request.width = width;
    request.height = height;
    request.rows = sheet.Settings().rows;
    request.cols = sheet.Settings().cols;
    request.documentTitle = documentTitle;
    std::vector<std::string> written;
    auto save = [&](const std::string& name) {
        CImageBuffer page = RenderPage(sheet, request);
        if (!page.IsEmpty() && page.Save(name).Report(prompter))
            written.push_back(name);
    };
    if (m != 0 && n > m) {
        const int pages = PageCount(n, m);
        progress.SetRange(0, pages);
        request.itemsPerPage = m;
        for (int p = 1; p <= pages; ++p) {
            const std::string name = NumberedPagePath(path, p);
            if (!progress.Step("Saving " + name, p - 1))
                break;
            request.page = p;
            save(name);
        }
        return written;
    }
    request.page = 1;
    request.itemsPerPage = 0;
    save(path);
    return written;
}

}  // namespace pix
